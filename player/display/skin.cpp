#include "display/skin.h"
#include "shell/playerwindows.h"

HDC g_scratchDC;

int CreateScratchDC(HWND mainWindow) {
  HDC dc = GetDC(mainWindow);
  g_scratchDC = CreateCompatibleDC(dc);
  ReleaseDC(mainWindow, dc);
  return g_scratchDC != NULL;
}

void DeleteScratchDC(void) {
  if (g_scratchDC) DeleteDC(g_scratchDC);
  g_scratchDC = NULL;
}

static HINSTANCE Instance(void) { return g_windows.instance ? g_windows.instance : GetModuleHandleW(NULL); }

int CreateSkinnedWindow(HWND parent, WNDPROC proc, LPCWSTR className, HWND* window, int x, int y, int width,
                        int height, DWORD extraStyle) {
  WNDCLASSW wc = {};
  if (!GetClassInfoW(Instance(), className, &wc)) {
    wc.style = SKIN_CLASS_STYLE;
    wc.lpfnWndProc = proc;
    wc.hInstance = Instance();
    wc.hCursor = LoadCursorW(NULL, IDC_ARROW);
    wc.lpszClassName = className;
    if (!RegisterClassW(&wc)) return 0;
  }
  *window = CreateWindowExW(0, className, NULL, WS_CHILD | WS_CLIPSIBLINGS | extraStyle, x, y, width, height, parent,
                            NULL, Instance(), NULL);
  return *window != NULL;
}

HBITMAP SkinLoadBitmap(DWORD id) { return LoadBitmapW(Instance(), MAKEINTRESOURCEW(id)); }

void LoadButtonBitmaps(SkinButton* buttons, int count) {
  for (int i = 0; i < count; ++i) {
    if (buttons[i].normalId) buttons[i].normal = SkinLoadBitmap(buttons[i].normalId);
    if (buttons[i].pressedId) buttons[i].pressed = SkinLoadBitmap(buttons[i].pressedId);
  }
}

void FreeButtonBitmaps(SkinButton* buttons, int count) {
  for (int i = 0; i < count; ++i) {
    if (buttons[i].normal) DeleteObject(buttons[i].normal);
    if (buttons[i].pressed) DeleteObject(buttons[i].pressed);
    buttons[i].normal = buttons[i].pressed = NULL;
  }
}

int CreateBackBuffer(HDC reference, MemoryCanvas* canvas, int width, int height) {
  canvas->dc = CreateCompatibleDC(reference);
  canvas->bitmap = CreateCompatibleBitmap(reference, width, height);
  canvas->previous = canvas->bitmap ? (HBITMAP)SelectObject(canvas->dc, canvas->bitmap) : NULL;
  return canvas->dc && canvas->bitmap;
}

int LoadBackgroundCanvas(HDC reference, MemoryCanvas* canvas, DWORD id) {
  canvas->dc = CreateCompatibleDC(reference);
  canvas->bitmap = SkinLoadBitmap(id);
  canvas->previous = canvas->bitmap ? (HBITMAP)SelectObject(canvas->dc, canvas->bitmap) : NULL;
  return canvas->dc && canvas->bitmap;
}

void ReleaseCanvas(MemoryCanvas* canvas) {
  if (!canvas->bitmap) {
    if (canvas->dc) DeleteDC(canvas->dc);  // the bitmap failed to load; the context alone was made
    canvas->dc = NULL;
    return;
  }
  SelectObject(canvas->dc, canvas->previous);
  DeleteObject(canvas->bitmap);
  DeleteDC(canvas->dc);
  canvas->dc = NULL;
  canvas->bitmap = canvas->previous = NULL;
}

void DrawBitmapPart(HDC destination, HBITMAP bitmap, const RECT* destinationRect, const RECT* originRect) {
  if (!bitmap) return;
  if (!g_scratchDC) CreateScratchDC(NULL);  // panes made without the engine's Bind (tests)
  HGDIOBJ old = SelectObject(g_scratchDC, bitmap);
  BitBlt(destination, destinationRect->left, destinationRect->top, destinationRect->right - destinationRect->left,
         destinationRect->bottom - destinationRect->top, g_scratchDC, destinationRect->left - originRect->left,
         destinationRect->top - originRect->top, SRCCOPY);
  SelectObject(g_scratchDC, old);
}

LRESULT SkinnedPaint(HWND window, HDC background, HDC backBuffer, SkinButton* buttons, int count,
                     SkinOverlay overlay) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window, &ps);
  RECT clip;
  GetClipBox(dc, &clip);
  int w = clip.right - clip.left, h = clip.bottom - clip.top;
  BitBlt(backBuffer, clip.left, clip.top, w, h, background, clip.left, clip.top, SRCCOPY);
  if (overlay) overlay(backBuffer, &clip);
  for (int i = 0; i < count; ++i) {
    RECT part;
    if (!(buttons[i].flags & ButtonVisible) || !IntersectRect(&part, &buttons[i].rect, &clip)) continue;
    HBITMAP b = (buttons[i].flags & ButtonPressed) ? buttons[i].pressed : buttons[i].normal;
    if (b) DrawBitmapPart(backBuffer, b, &part, &buttons[i].rect);
  }
  BitBlt(dc, clip.left, clip.top, w, h, backBuffer, clip.left, clip.top, SRCCOPY);
  EndPaint(window, &ps);
  return 0;
}

LRESULT SkinNoErase(HWND, UINT, WPARAM, LPARAM) { return 0; }

void ClampHorizontally(RECT* rect, LONG minimum, LONG maximum, LONG width) {
  if (rect->left < minimum) {
    rect->left = minimum;
    rect->right = minimum + width;
  } else if (rect->left > maximum) {
    rect->left = maximum;
    rect->right = maximum + width;
  }
}

void ClampVertically(RECT* rect, LONG minimum, LONG maximum, LONG height) {
  if (rect->top < minimum) {
    rect->top = minimum;
    rect->bottom = minimum + height;
  } else if (rect->top > maximum) {
    rect->top = maximum;
    rect->bottom = maximum + height;
  }
}

LONG Scale(LONG a, LONG b, LONG c) { return c ? (LONG)((long long)a * b / c) : 0; }

int ButtonHit(const SkinButton* buttons, int count, int x, int y) {
  POINT p = {x, y};
  for (int i = 0; i < count; ++i)
    if ((buttons[i].flags & ButtonVisible) && PtInRect(&buttons[i].rect, p)) return i;
  return -1;
}

int SkinLoopNext(HWND pane, MSG* msg) {
  if (!IsWindow(pane) || GetCapture() != pane) return 0;
  BOOL got = GetMessageW(msg, NULL, 0, 0);
  if (got <= 0) {
    if (got == 0) PostQuitMessage((int)msg->wParam);
    return 0;
  }
  return 1;
}

// The release point in the pane's coordinates.
static POINT ReleasePoint(HWND pane, const MSG* msg) {
  POINT p = {(short)LOWORD(msg->lParam), (short)HIWORD(msg->lParam)};
  if (msg->hwnd && msg->hwnd != pane) MapWindowPoints(msg->hwnd, pane, &p, 1);
  return p;
}

int ButtonPress(HWND pane, SkinButton* buttons, int count, int x, int y) {
  int i = ButtonHit(buttons, count, x, y);
  if (i < 0) return 0;
  SkinButton* b = &buttons[i];
  b->flags |= ButtonPressed;
  InvalidateRect(pane, &b->rect, FALSE);
  SetCapture(pane);
  MSG msg;
  int released = 0;
  while (SkinLoopNext(pane, &msg)) {
    if (msg.message == WM_LBUTTONUP) {
      released = 1;
      break;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  b->flags &= ~ButtonPressed;
  POINT p = released ? ReleasePoint(pane, &msg) : POINT{-1, -1};
  if (released && PtInRect(&b->rect, p))
    PostMessageW(pane, WM_COMMAND, b->command, 0);
  else if (IsWindow(pane))
    InvalidateRect(pane, &b->rect, FALSE);
  if (GetCapture() == pane) ReleaseCapture();
  return 1;
}

int SliderDrag(HWND pane, const SkinDrag* drag, LONG start) {
  RECT* knob = drag->knob;
  LONG size = drag->vertical ? knob->bottom - knob->top : knob->right - knob->left;
  LONG last = start;
  SetCapture(pane);
  MSG msg;
  int released = 0;
  while (SkinLoopNext(pane, &msg)) {
    if (msg.message == WM_LBUTTONUP) {
      released = 1;
      break;
    }
    if (msg.message == WM_MOUSEMOVE && msg.hwnd == pane) {
      LONG at = drag->vertical ? (short)HIWORD(msg.lParam) : (short)LOWORD(msg.lParam);
      if (at >= drag->acceptFrom && at <= drag->acceptTo) {
        RECT old = *knob;
        if (drag->vertical) {
          OffsetRect(knob, 0, at - last);
          ClampVertically(knob, drag->minimum, drag->maximum, size);
        } else {
          OffsetRect(knob, at - last, 0);
          ClampHorizontally(knob, drag->minimum, drag->maximum, size);
        }
        if (!EqualRect(&old, knob)) {
          RECT both;
          UnionRect(&both, &old, knob);
          InvalidateRect(pane, &both, FALSE);
          if (drag->paintAtOnce) UpdateWindow(pane);
        }
      }
      last = at;
      continue;
    }
    if (drag->onMessage) drag->onMessage(pane, &msg);
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  if (GetCapture() == pane) ReleaseCapture();
  return released;
}

int SliderTap(HWND pane, RECT* knob, BOOL vertical, LONG coordinate, LONG minimum, LONG maximum) {
  RECT old = *knob;
  if (vertical) {
    LONG h = knob->bottom - knob->top;
    knob->top = coordinate - h / 2;
    knob->bottom = knob->top + h;
    ClampVertically(knob, minimum, maximum, h);
  } else {
    LONG w = knob->right - knob->left;
    knob->left = coordinate - w / 2;
    knob->right = knob->left + w;
    ClampHorizontally(knob, minimum, maximum, w);
  }
  if (EqualRect(&old, knob)) return 0;
  RECT both;
  UnionRect(&both, &old, knob);
  InvalidateRect(pane, &both, FALSE);
  return 1;
}

static LONG LastFirstRow(const SkinArrow* arrow) {
  LONG last = arrow->count() - arrow->visible;
  return last < 0 ? 0 : last;
}

// One step; 1 when another step may follow.
static int ArrowStep(HWND pane, const SkinArrow* arrow, BOOL down) {
  if (!down) {
    if (*arrow->firstRow > 0) --*arrow->firstRow;
    arrow->redraw(pane);
    return *arrow->firstRow > 0;
  }
  if (*arrow->firstRow + 1 <= arrow->count() - arrow->visible) {
    ++*arrow->firstRow;
    arrow->redraw(pane);
    return 1;
  }
  *arrow->firstRow = LastFirstRow(arrow);
  return 0;
}

void AutoRepeatArrow(HWND pane, const SkinArrow* arrow, BOOL down, UINT code) {
  if (ArrowStep(pane, arrow, down) && code != 1) {
    SetTimer(pane, TIMER_ARROW_REPEAT, 500, NULL);
    SetCapture(pane);
    MSG msg;
    while (SkinLoopNext(pane, &msg)) {
      if (msg.message == WM_LBUTTONUP) break;
      if (msg.message == WM_TIMER && msg.hwnd == pane && msg.wParam == TIMER_ARROW_REPEAT) {
        KillTimer(pane, TIMER_ARROW_REPEAT);
        if (ArrowStep(pane, arrow, down)) SetTimer(pane, TIMER_ARROW_REPEAT, 100, NULL);
        continue;
      }
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (IsWindow(pane)) KillTimer(pane, TIMER_ARROW_REPEAT);
    if (GetCapture() == pane) ReleaseCapture();
  }
  if (!IsWindow(pane)) return;
  if (arrow->button) {
    arrow->button->flags &= ~ButtonPressed;
    InvalidateRect(pane, &arrow->button->rect, FALSE);
  } else if (arrow->buttonRect) {
    InvalidateRect(pane, arrow->buttonRect, FALSE);
  }
}
