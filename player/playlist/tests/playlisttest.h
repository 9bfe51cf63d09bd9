// A fresh playlist over a folder of small MPEG files for each test.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <lxuser.h>

#include "engine/engine.h"
#include "playlist/playlist.h"
#include "testing/playertest.h"

class PlaylistTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Creates name.mp3 in the test folder; returns its device path.
  std::u16string MakeFile(const std::string& name, size_t audioBytes = 16000);
  // Adds n fresh files t0.mp3 ... and checks they were added.
  void AddFiles(int n);
  std::u16string PathOf(int index);
  // NextTitle/ShuffleTitle as the board would see them: the loaded path
  // becomes the engine's file path.
  int Next(int code);
  int Shuffle(int code);
  int Selected() { return g_navigation.selectedIndex; }
  std::string folder;
};
