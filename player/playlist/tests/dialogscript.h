// Runs a modal dialog on the test's own thread and plays steps into it, one
// per timer tick of a helper window, so that each step sees the effects of
// the one before. A dialog still open after the last step is cancelled.
#pragma once
#include <functional>
#include <vector>

#include <windows.h>

using DialogStep = std::function<void(HWND dialog)>;

INT_PTR RunScripted(const std::function<INT_PTR()>& run, std::vector<DialogStep> steps);
// Input in the dialog's client coordinates of a control.
void TapControl(HWND control, int x, int y, bool twice = false);
void TapListRow(HWND list, int row, bool twice = false);
// Sends a button's click as the dialog would get it.
void Click(HWND dialog, int id);
