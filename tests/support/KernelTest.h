// Base fixture for tests on the kernel model: a fresh machine per test, every
// verifier report a test failure, and nothing may be left behind at the end.
#pragma once

#include <gtest/gtest.h>
#include <nt_model.h>

class KernelTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Fails the test for each pool block, handle, mapping or claim still held.
  void ExpectNothingLeftBehind();
};
