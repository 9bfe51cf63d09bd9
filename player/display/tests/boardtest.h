// The board and toolkit tests' shared pieces: a host window at the work area
// (screen = board + (0, 26)), screenshots in board coordinates, a scripted playlist window.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "display/board.h"
#include "display/boardlayout.h"
#include "shell/panes.h"
#include "engine/engine.h"
#include "lxdrive.h"
#include "lxuser.h"
#include "shell/dispatch.h"
#include "shell/playerwindows.h"
#include "shell/settings.h"

// A playlist window that answers the board's navigation commands.
struct ScriptedPlaylist {
  int commands;
  UINT last;
  LRESULT answer;
};
extern ScriptedPlaylist g_scriptedPlaylist;
HWND MakePlaylist(HWND parent);

#define HOST_TOP 26

struct Shot {
  std::vector<DWORD> px = std::vector<DWORD>(240 * 320);
  Shot() { LxScreenshot(px.data()); }
  DWORD At(int x, int y) const { return px[(y + HOST_TOP) * 240 + x]; }  // board coordinates
};

// A top-level window at the work area with the board at its top.
class BoardTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  void Tap(int x, int y);  // board coordinates
  HWND host = NULL;
  HWND board = NULL;
};
