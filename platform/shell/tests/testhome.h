// Each test gets its own device data folder.
#pragma once
#include <gtest/gtest.h>
#include <cstdlib>
#include <string>

class TestHome : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/lxshell-XXXXXX";
    home_ = mkdtemp(tmpl);
    setenv("LUMTRAX_HOME", home_.c_str(), 1);
  }
  void TearDown() override {
    std::string cmd = "rm -rf '" + home_ + "'";
    EXPECT_EQ(system(cmd.c_str()), 0);
  }
  std::string home_;
};
