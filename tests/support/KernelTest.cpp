#include "KernelTest.h"

void KernelTest::SetUp() {
  ntmodel::ResetMachine();
  ntmodel::SetViolationHook(
      [](const std::string &message) { ADD_FAILURE() << "kernel verifier: " << message; });
}

void KernelTest::TearDown() {
  ExpectNothingLeftBehind();
  ntmodel::SetViolationHook(nullptr);
  ntmodel::ResetMachine();
}

void KernelTest::ExpectNothingLeftBehind() {
  for (const std::string &item : ntmodel::LeftBehind()) ADD_FAILURE() << item;
}
