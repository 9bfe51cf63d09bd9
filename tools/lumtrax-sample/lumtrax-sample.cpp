// A small device program: a window with a button box and a line of text.
// Tapping the box turns it green (and back); tapping elsewhere leaves a red
// mark. Enough to see the platform work and to drive it from a script.
#include <vector>

#include "lxprogram.h"
#include "windows.h"

namespace {

const RECT kBox = {70, 100, 170, 150};  // client coordinates
bool gBoxOn = false;
std::vector<POINT> gMarks;
DWORD gOwnThread;
WORD gActivations[2];  // WM_ACTIVATE on the window's own thread, on any other
HWND gNote;

void Paint(HWND hwnd) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  HBRUSH box = CreateSolidBrush(gBoxOn ? RGB(0, 160, 0) : RGB(0, 64, 192));
  FillRect(dc, &kBox, box);
  DeleteObject(box);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(255, 255, 255));
  RECT label = kBox;
  DrawTextW(dc, gBoxOn ? u"An" : u"Aus", -1, &label, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  SetTextColor(dc, RGB(0, 0, 0));
  RECT line = {0, 20, 240, 40};
  DrawTextW(dc, u"Lumtrax platform sample", -1, &line, DT_CENTER | DT_SINGLELINE);
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  for (POINT p : gMarks) {
    RECT m = {p.x - 5, p.y - 5, p.x + 5, p.y + 5};
    FillRect(dc, &m, red);
  }
  DeleteObject(red);
  EndPaint(hwnd, &ps);
}

LRESULT CALLBACK SampleProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_PAINT:
      Paint(hwnd);
      return 0;
    case WM_LBUTTONDOWN: {
      POINT p = {(SHORT)LOWORD(lParam), (SHORT)HIWORD(lParam)};
      if (PtInRect(&kBox, p)) {
        gBoxOn = !gBoxOn;
        InvalidateRect(hwnd, &kBox, FALSE);
      } else {
        gMarks.push_back(p);
        RECT m = {p.x - 5, p.y - 5, p.x + 5, p.y + 5};
        InvalidateRect(hwnd, &m, FALSE);
      }
      return 0;
    }
    case WM_ACTIVATE:
      ++gActivations[GetCurrentThreadId() == gOwnThread ? 0 : 1];
      break;
    case WM_USER + 1:  // how many marks, for scripts
      return (LRESULT)gMarks.size();
    case WM_USER + 2:  // a note window takes the foreground, for scripts
      if (gNote) DestroyWindow(gNote);
      gNote = CreateWindowExW(0, u"STATIC", u"Note", WS_VISIBLE, 20, 60, 200, 40, nullptr, nullptr, nullptr, nullptr);
      return gNote != nullptr;
    case WM_USER + 3:  // activations seen: on the window's thread, on another
      return MAKELONG(gActivations[0], gActivations[1]);
    case WM_DESTROY:
      // The note is a window of its own: it goes with the sample, not after it.
      if (gNote) DestroyWindow(gNote);
      gNote = nullptr;
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPWSTR commandLine, int show) {
  int refused = LxProgramNoArguments(commandLine,
                                     "usage: lumtrax-sample [OPTION...]\n"
                                     "A window to drive with lumtrax-device: taps leave marks, the box turns green.\n");
  if (refused >= 0) return refused;
  WNDCLASSW wc = {};
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = SampleProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
  wc.lpszClassName = u"LumtraxSample";
  if (!RegisterClassW(&wc)) return 1;
  // One sample at a time: a second start brings the first one forward.
  if (HWND running = FindWindowW(u"LumtraxSample", nullptr)) {
    SetForegroundWindow((HWND)((ULONG_PTR)running | 1));
    return -1;
  }
  gOwnThread = GetCurrentThreadId();
  HWND hwnd = CreateWindowExW(0, u"LumtraxSample", u"Sample", WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                              CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
  if (!hwnd) return 16;
  ShowWindow(hwnd, show);
  UpdateWindow(hwnd);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return (int)msg.wParam;
}
