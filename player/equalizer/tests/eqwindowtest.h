// The equalizer pane in a host window on a UI thread of its own, driven by
// stylus input and posted commands; the decoder's KO_Init is recorded.
#pragma once
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "display/skin.h"
#include "engine/engine.h"
#include "equalizer/eqwindow.h"
#include "lxdrive.h"
#include "lxuser.h"
#include "shell/panes.h"
#include "shell/playerwindows.h"
#include "shell/power.h"
#include "shell/settings.h"
#include "testing/playertest.h"
#include "lxkit.h"

// The pane's client origin on the screen: host at (0, 26), pane at (0, 100).
#define PANE_SCREEN_Y 126

struct InitCall {
  LONG eqEnabled, start;
  std::vector<signed char> gains;
};

class EqWindowTest : public lxtest::TempHome {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Starts the host and the pane; tests may prepare settings and files first.
  void Start();
  void Stop();

  static void Settle() { lxtest::Settle(); }
  static void Tap(int x, int y) { lxtest::TapAndSettle(x, y); }
  static void Stylus(UINT message, int x, int y) {
    LxInputStylus(message, x, y);
    Settle();
  }
  // A menu command through the host, which forwards it as the main window does.
  void Command(UINT id, UINT code = 0);
  // Posts a command and waits for the dialog it opens; the dialog in front.
  HWND OpenDialog(UINT id);
  HWND Front();  // the top-level window in front unless it is the host
  HWND WaitForBox(HWND dialog);  // a box opened over the dialog
  // Taps the middle of a dialog control.
  void TapItem(HWND dialog, int id);
  void TapListRow(HWND list, int row);
  static std::u16string Text(HWND h);
  std::vector<InitCall> Calls();
  static LONG Gain(int slider) { return g_settings.eq[slider]; }
  std::string MyDocuments() const { return home + "/My Documents"; }

  std::thread ui_;
  std::atomic<HWND> host_{nullptr};
  std::atomic<bool> running_{false};
};
