// Base fixture for tests on the Win32 model: a fresh machine per test (empty
// registry, no modules, windows or records), every violation a test failure,
// and nothing may be left behind at the end (open registry keys, dialog users
// that no dialog used).
#pragma once

#include <gtest/gtest.h>
#include <win32_model.h>

class Win32Test : public ::testing::Test {
 protected:
  void SetUp() override {
    win32model::Reset();
    win32model::SetViolationHook(
        [](const std::string &message) { ADD_FAILURE() << "win32 model: " << message; });
  }

  void TearDown() override {
    for (const std::string &item : win32model::LeftBehind()) ADD_FAILURE() << item;
    win32model::SetViolationHook(nullptr);
    win32model::Reset();
  }
};
