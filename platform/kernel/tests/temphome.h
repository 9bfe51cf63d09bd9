// Every test runs against a fresh data folder.
#pragma once
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "windows.h"
#include "../lxkernel.h"

class TempHome : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/lxkernel-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    home = pattern;
    setenv("LUMTRAX_HOME", home.c_str(), 1);
    ASSERT_EQ(LxHome(), home);  // also makes "My Documents" and "Windows"
  }
  void TearDown() override { std::filesystem::remove_all(home); }
  // Writes a host file with the given content.
  static void WriteHost(const std::string& path, const std::string& content) {
    FILE* f = fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    fwrite(content.data(), 1, content.size(), f);
    fclose(f);
  }
  std::string home;
};
