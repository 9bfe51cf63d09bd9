// The dialog manager: dialogs built from templates (LXDLGTEMPLATE, in dialog
// units of their font), modal loops with the owner disabled, keyboard
// navigation (Tab, Enter = default button, Escape = IDCANCEL) and the
// dialog-item helpers.
#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>

#include "../controls/lxctl.h"
#include "lxresource.h"
#include "windows.h"
#include "../gdi/lxgdi.h"

namespace {

// Base units of the device's 8-point system font (pixels per 4 x 8 dialog units).
constexpr int kDeviceBaseX = 6, kDeviceBaseY = 13;

struct DialogState {
  HFONT font = nullptr;
  bool ownFont = false;
  int baseX = 4, baseY = 8;  // pixels per 4 horizontal / 8 vertical dialog units
  bool modal = false;
  bool ended = false;
  INT_PTR result = 0;
  HWND lastFocus = nullptr;
  WORD defId = IDOK;
  HWND defButton = nullptr;  // the template's default push button
};

std::mutex gLock;
std::map<HWND, std::shared_ptr<DialogState>> gDialogs;

std::shared_ptr<DialogState> StateOf(HWND h) {
  std::lock_guard lock(gLock);
  auto it = gDialogs.find(h);
  return it == gDialogs.end() ? nullptr : it->second;
}

// Average character width and height of a font: the dialog's base units.
void BaseUnits(HFONT font, int* x, int* y) {
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, font);
  static const WCHAR kAlphabet[] = u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  SIZE s{};
  GetTextExtentPoint32W(dc, kAlphabet, 52, &s);
  TEXTMETRICW tm{};
  GetTextMetricsW(dc, &tm);
  SelectObject(dc, old);
  DeleteDC(dc);
  *x = s.cx > 0 ? (s.cx / 26 + 1) / 2 : 4;
  *y = tm.tmHeight > 0 ? tm.tmHeight : 8;
}

bool IsPushButton(HWND h) {
  LRESULT code = SendMessageW(h, WM_GETDLGCODE, 0, 0);
  return code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON);
}

// The default push button follows the focus: a focused push button is the
// one Enter presses, so it wears the default frame; on any other control the
// dialog's default button gets it back.
void MarkDefaultButton(HWND dialog, HWND focus) {
  auto st = StateOf(dialog);
  if (!st) return;
  HWND marked = focus && IsPushButton(focus) ? focus : st->defButton;
  for (HWND c : lxctl::ChildrenInOrder(dialog)) {
    LRESULT code = SendMessageW(c, WM_GETDLGCODE, 0, 0);
    if (!(code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON))) continue;
    bool want = c == marked;
    if (want == ((code & DLGC_DEFPUSHBUTTON) != 0)) continue;
    DWORD low = (DWORD)GetWindowLongW(c, GWL_STYLE) & 0xFFFF;
    SendMessageW(c, BM_SETSTYLE, (low & ~BS_TYPEMASK) | (want ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), TRUE);
  }
}

void FocusControl(HWND dialog, HWND control) {
  if (!control) return;
  SetFocus(control);
  // A control of a page inside the dialog marks the page's buttons; the dialog's own go back to their default.
  HWND own = GetParent(control);
  if (own != dialog && StateOf(own)) {
    MarkDefaultButton(own, control);
    MarkDefaultButton(dialog, nullptr);
  } else {
    MarkDefaultButton(dialog, control);
  }
  if (SendMessageW(control, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) SendMessageW(control, EM_SETSEL, 0, -1);
  if (auto st = StateOf(dialog)) st->lastFocus = control;
}

bool Focusable(HWND c) {
  DWORD style = (DWORD)GetWindowLongW(c, GWL_STYLE);
  return (style & WS_TABSTOP) && (style & WS_VISIBLE) && !(style & WS_DISABLED);
}

// Arrow keys move within the focused control's group (from a WS_GROUP
// control to the next); an automatic radio button reached this way is
// chosen, as if tapped.
bool MoveInGroup(HWND dialog, HWND from, bool previous) {
  HWND next = GetNextDlgGroupItem(GetParent(from), from, previous);
  if (!next || next == from) return false;
  FocusControl(dialog, next);
  LRESULT code = SendMessageW(next, WM_GETDLGCODE, 0, 0);
  if ((code & DLGC_RADIOBUTTON) && ((DWORD)GetWindowLongW(next, GWL_STYLE) & BS_TYPEMASK) == BS_AUTORADIOBUTTON &&
      SendMessageW(next, BM_GETCHECK, 0, 0) != BST_CHECKED)
    SendMessageW(next, BM_CLICK, 0, 0);
  return true;
}

// The controls a dialog's keyboard navigation visits, in template order; a
// child dialog made from a DS_CONTROL template (a property sheet's page)
// lends its own controls instead of being one.
void TabOrder(HWND dialog, std::vector<HWND>& out) {
  for (HWND c : lxctl::ChildrenInOrder(dialog)) {
    if (GetWindowLongW(c, GWL_EXSTYLE) & WS_EX_CONTROLPARENT) {
      if (GetWindowLongW(c, GWL_STYLE) & WS_VISIBLE) TabOrder(c, out);
    } else {
      out.push_back(c);
    }
  }
}

HWND FirstTabStop(HWND dialog) {
  for (HWND c : lxctl::ChildrenInOrder(dialog))
    if (Focusable(c)) return c;
  return nullptr;
}

LRESULT CALLBACK DialogWndProc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefDlgProcW(h, m, w, l); }

const int kRegistered = [] {
  WNDCLASSW wc{};
  wc.style = CS_GLOBALCLASS;
  wc.lpfnWndProc = DialogWndProc;
  wc.cbWndExtra = DLGWINDOWEXTRA;
  wc.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
  wc.lpszClassName = u"Dialog";
  RegisterClassW(&wc);
  return 1;
}();

const LXDLGTEMPLATE* FindTemplate(HINSTANCE instance, LPCWSTR name) {
  HRSRC r = FindResourceW((HMODULE)instance, name, RT_DIALOG);
  HGLOBAL g = r ? LoadResource((HMODULE)instance, r) : nullptr;
  return g ? (const LXDLGTEMPLATE*)LockResource(g) : nullptr;
}

HWND CreateFromTemplate(HINSTANCE instance, const LXDLGTEMPLATE* t, HWND owner, DLGPROC proc, LPARAM param,
                        bool modal) {
  if (!t) return nullptr;
  auto st = std::make_shared<DialogState>();
  st->modal = modal;
  if ((t->style & DS_SETFONT) && t->pointSize) {
    LOGFONTW lf{};
    lf.lfHeight = -(t->pointSize * 96 + 36) / 72;
    lf.lfWeight = FW_NORMAL;
    if (t->faceName) lstrcpynW(lf.lfFaceName, t->faceName, LF_FACESIZE);
    st->font = CreateFontIndirectW(&lf);
    st->ownFont = st->font != nullptr;
  }
  if (!st->font) st->font = (HFONT)GetStockObject(SYSTEM_FONT);
  BaseUnits(st->font, &st->baseX, &st->baseY);
  // The device's 8-point face is narrower than ours; its units keep its templates on the screen.
  if (!st->ownFont || t->pointSize == 8) st->baseX = kDeviceBaseX, st->baseY = kDeviceBaseY;
  auto px = [&](int v) { return v * st->baseX / 4; };
  auto py = [&](int v) { return v * st->baseY / 8; };

  int cx = px(t->cx), cy = py(t->cy);
  int x = px(t->x), y = py(t->y);
  bool child = (t->style & WS_CHILD) && owner;  // a page inside another dialog, placed in its client area
  if (!child && (t->style & DS_CENTER)) {
    // Never under the task bar, nor a caption strip off the screen.
    RECT work = lx::WorkArea();
    int top = work.top + ((t->style & WS_CAPTION) == WS_CAPTION ? lx::Screen().caption : 0);
    x = std::max(0, (work.left + work.right - cx) / 2), y = std::max(top, top + (work.bottom - top - cy) / 2);
  } else if (!child && owner && !(t->style & DS_ABSALIGN)) {
    POINT o{0, 0};
    ClientToScreen(owner, &o);
    x += o.x, y += o.y;
  }
  DWORD style = child ? (t->style & ~(WS_VISIBLE | WS_POPUP)) : (t->style & ~(WS_VISIBLE | WS_CHILD)) | WS_POPUP;
  DWORD exStyle = t->exStyle | (child && (t->style & DS_CONTROL) ? WS_EX_CONTROLPARENT : 0);
  HWND dlg = CreateWindowExW(exStyle, u"Dialog", t->title ? t->title : u"", style, x, y, cx, cy, owner, nullptr,
                             instance, nullptr);
  if (!dlg) {
    if (st->ownFont) DeleteObject(st->font);
    return nullptr;
  }
  {
    std::lock_guard lock(gLock);
    gDialogs[dlg] = st;
  }
  SetWindowLongW(dlg, DWL_DLGPROC, (LONG_PTR)proc);
  for (int i = 0; i < t->itemCount && t->items; ++i) {
    const LXDLGITEM& it = t->items[i];
    bool picture = it.text && IS_INTRESOURCE(it.text);
    HWND c = CreateWindowExW(it.exStyle, it.className, picture ? u"" : it.text, it.style | WS_CHILD, px(it.x),
                             py(it.y), px(it.cx), py(it.cy), dlg, (HMENU)(UINT_PTR)it.id, instance, nullptr);
    if (!c) continue;  // an unknown class leaves a gap, as on the device
    SendMessageW(c, WM_SETFONT, (WPARAM)st->font, 0);
    if (picture) {
      HBITMAP b = LoadBitmapW(instance, it.text);
      if (b) SendMessageW(c, STM_SETIMAGE, IMAGE_BITMAP, (LPARAM)b);
    }
  }
  for (HWND c : lxctl::ChildrenInOrder(dlg))
    if (SendMessageW(c, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON) st->defButton = c;
  HWND first = FirstTabStop(dlg);
  if (proc && proc(dlg, WM_INITDIALOG, (WPARAM)first, param) && first && IsWindow(first)) FocusControl(dlg, first);
  if (!IsWindow(dlg)) return nullptr;
  if ((t->style & WS_VISIBLE) && !st->ended) {
    ShowWindow(dlg, SW_SHOW);
    if (!child) SetForegroundWindow(dlg);
  }
  return dlg;
}

}  // namespace

LRESULT DefDlgProcW(HWND h, UINT m, WPARAM w, LPARAM l) {
  auto proc = (DLGPROC)GetWindowLongW(h, DWL_DLGPROC);
  if (proc) {
    SetWindowLongW(h, DWL_MSGRESULT, 0);
    INT_PTR r = proc(h, m, w, l);
    if (r) {
      switch (m) {
        case WM_CTLCOLORMSGBOX: case WM_CTLCOLOREDIT: case WM_CTLCOLORLISTBOX: case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG: case WM_CTLCOLORSCROLLBAR: case WM_CTLCOLORSTATIC: case WM_INITDIALOG:
          return r;
      }
      return IsWindow(h) ? GetWindowLongW(h, DWL_MSGRESULT) : 0;
    }
  }
  auto st = StateOf(h);
  switch (m) {
    case WM_CLOSE: {
      HWND cancel = GetDlgItem(h, IDCANCEL);
      if (!cancel || IsWindowEnabled(cancel))
        SendMessageW(h, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), (LPARAM)cancel);
      return 0;
    }
    case DM_GETDEFID: return st ? MAKELRESULT(st->defId, DC_HASDEFID) : 0;
    case DM_SETDEFID:
      if (st) {
        st->defId = (WORD)w;
        HWND b = GetDlgItem(h, (int)w), focus = GetFocus();
        st->defButton = b && IsPushButton(b) ? b : nullptr;
        MarkDefaultButton(h, focus && IsChild(h, focus) ? focus : nullptr);
      }
      return 1;
    case WM_NEXTDLGCTL: {
      HWND focus = GetFocus();
      HWND next = l ? (HWND)w : GetNextDlgTabItem(h, focus, (BOOL)w);
      FocusControl(h, next);
      return 0;
    }
    case WM_ACTIVATE:
      if (st && LOWORD(w) != WA_INACTIVE) {
        HWND f = st->lastFocus && IsWindow(st->lastFocus) ? st->lastFocus : FirstTabStop(h);
        if (f) SetFocus(f);
      } else if (st) {
        HWND f = GetFocus();
        if (f && IsChild(h, f)) st->lastFocus = f;
      }
      return 0;
    case WM_SETFOCUS:
      if (st) {
        HWND f = st->lastFocus && IsWindow(st->lastFocus) ? st->lastFocus : FirstTabStop(h);
        if (f) SetFocus(f);
      }
      return 0;
    case WM_GETFONT: return st ? (LRESULT)st->font : 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(h, &ps);
      RECT r;
      GetClientRect(h, &r);
      // A dialog smaller than the screen shows where it ends; a page inside one does not.
      bool child = GetWindowLongW(h, GWL_STYLE) & WS_CHILD;
      RECT work = lx::WorkArea();
      if (!child && (r.right < work.right - work.left || r.bottom < work.bottom - work.top))
        lxctl::FrameRect1(dc, r, RGB(0, 0, 0));
      EndPaint(h, &ps);
      return 0;
    }
    case WM_DESTROY:
      if (st) {
        if (st->ownFont) DeleteObject(st->font), st->ownFont = false;
        std::lock_guard lock(gLock);
        gDialogs.erase(h);
      }
      return 0;
  }
  return DefWindowProcW(h, m, w, l);
}

HWND CreateDialogIndirectParamW(HINSTANCE instance, const void* t, HWND owner, DLGPROC proc, LPARAM param) {
  return CreateFromTemplate(instance, (const LXDLGTEMPLATE*)t, owner, proc, param, false);
}

HWND CreateDialogParamW(HINSTANCE instance, LPCWSTR name, HWND owner, DLGPROC proc, LPARAM param) {
  return CreateFromTemplate(instance, FindTemplate(instance, name), owner, proc, param, false);
}

INT_PTR DialogBoxIndirectParamW(HINSTANCE instance, const void* t, HWND owner, DLGPROC proc, LPARAM param) {
  // The owner is the top-level window that holds the given window.
  while (owner && (GetWindowLongW(owner, GWL_STYLE) & WS_CHILD)) owner = GetParent(owner);
  auto tmpl = (const LXDLGTEMPLATE*)t;
  if (!tmpl) return -1;
  LXDLGTEMPLATE shown = *tmpl;
  shown.style &= ~WS_VISIBLE;
  HWND dlg = CreateFromTemplate(instance, &shown, owner, proc, param, true);
  if (!dlg) return -1;
  auto st = StateOf(dlg);
  bool ownerEnabled = owner && IsWindowEnabled(owner);
  if (ownerEnabled) EnableWindow(owner, FALSE);
  // A control that held the stylus beneath lets go without a click.
  ReleaseCapture();
  if (!st->ended) {
    ShowWindow(dlg, SW_SHOW);
    SetForegroundWindow(dlg);
    UpdateWindow(dlg);
  }
  MSG msg;
  while (!st->ended && IsWindow(dlg)) {
    if (!GetMessageW(&msg, nullptr, 0, 0)) {
      PostQuitMessage((int)msg.wParam);  // the loop outside must see it too
      break;
    }
    if (!IsDialogMessageW(dlg, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  INT_PTR result = st->ended ? st->result : IDCANCEL;
  if (ownerEnabled) EnableWindow(owner, TRUE);
  if (owner && IsWindow(owner)) SetForegroundWindow(owner);
  if (IsWindow(dlg)) DestroyWindow(dlg);
  return result;
}

INT_PTR DialogBoxParamW(HINSTANCE instance, LPCWSTR name, HWND owner, DLGPROC proc, LPARAM param) {
  const LXDLGTEMPLATE* t = FindTemplate(instance, name);
  return t ? DialogBoxIndirectParamW(instance, t, owner, proc, param) : -1;
}

BOOL EndDialog(HWND dialog, INT_PTR result) {
  auto st = StateOf(dialog);
  if (!st) return FALSE;
  st->ended = true;
  st->result = result;
  if (st->modal) {
    ShowWindow(dialog, SW_HIDE);
    PostMessageW(dialog, WM_NULL, 0, 0);  // wakes the modal loop
  }
  return TRUE;
}

HWND GetNextDlgTabItem(HWND dialog, HWND control, BOOL previous) {
  std::vector<HWND> kids;
  TabOrder(dialog, kids);
  if (kids.empty()) return nullptr;
  int n = (int)kids.size(), start = -1;
  for (int i = 0; i < n; ++i)
    if (kids[i] == control) start = i;
  if (start < 0) start = previous ? 0 : n - 1;
  for (int k = 1; k <= n; ++k) {
    HWND c = kids[((start + (previous ? -k : k)) % n + n) % n];
    if (Focusable(c)) return c;
  }
  return control;
}

HWND GetNextDlgGroupItem(HWND dialog, HWND control, BOOL previous) {
  auto kids = lxctl::ChildrenInOrder(dialog);
  int n = (int)kids.size(), at = -1;
  for (int i = 0; i < n; ++i)
    if (kids[i] == control) at = i;
  if (at < 0) return nullptr;
  auto style = [&](int i) { return (DWORD)GetWindowLongW(kids[i], GWL_STYLE); };
  int first = at, end = at + 1;
  while (first > 0 && !(style(first) & WS_GROUP)) --first;
  while (end < n && !(style(end) & WS_GROUP)) ++end;
  int size = end - first;
  for (int k = 1; k < size; ++k) {
    int i = first + ((at - first + (previous ? -k : k)) % size + size) % size;
    DWORD st = style(i);
    // Labels in the group take no focus.
    if ((st & WS_VISIBLE) && !(st & WS_DISABLED) && !(SendMessageW(kids[i], WM_GETDLGCODE, 0, 0) & DLGC_STATIC))
      return kids[i];
  }
  return control;
}

BOOL IsDialogMessageW(HWND dialog, LPMSG msg) {
  if (!msg || !dialog || (msg->hwnd != dialog && !IsChild(dialog, msg->hwnd))) return FALSE;
  if (msg->message == WM_KEYDOWN || msg->message == WM_CHAR) {
    LRESULT code = SendMessageW(msg->hwnd, WM_GETDLGCODE, msg->wParam, (LPARAM)msg);
    if (!(code & DLGC_WANTALLKEYS)) {
      WPARAM k = msg->wParam;
      if (msg->message == WM_CHAR) {
        if (k == '\r' || k == 0x1B || (k == '\t' && !(code & DLGC_WANTTAB))) return TRUE;
      } else if (k == VK_TAB && !(code & DLGC_WANTTAB)) {
        FocusControl(dialog, GetNextDlgTabItem(dialog, GetFocus(), GetKeyState(VK_SHIFT) < 0));
        return TRUE;
      } else if ((k == VK_LEFT || k == VK_UP || k == VK_RIGHT || k == VK_DOWN) && !(code & DLGC_WANTARROWS) &&
                 msg->hwnd != dialog) {
        MoveInGroup(dialog, msg->hwnd, k == VK_LEFT || k == VK_UP);
        return TRUE;
      } else if (k == VK_RETURN) {
        HWND focus = GetFocus();
        if (focus && IsChild(dialog, focus) && IsPushButton(focus)) {
          // The button's own dialog hears of it, which may be a page inside this one.
          if (IsWindowEnabled(focus))
            SendMessageW(GetParent(focus), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(focus), BN_CLICKED), (LPARAM)focus);
          return TRUE;
        }
        LRESULT def = SendMessageW(dialog, DM_GETDEFID, 0, 0);
        int id = HIWORD(def) == DC_HASDEFID ? LOWORD(def) : IDOK;
        HWND button = GetDlgItem(dialog, id);
        if (!button || IsWindowEnabled(button))
          SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)button);
        return TRUE;
      } else if (k == VK_ESCAPE) {
        HWND cancel = GetDlgItem(dialog, IDCANCEL);
        if (!cancel || IsWindowEnabled(cancel))
          SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), (LPARAM)cancel);
        return TRUE;
      }
    }
  }
  TranslateMessage(msg);
  DispatchMessageW(msg);
  return TRUE;
}

BOOL SetDlgItemTextW(HWND dialog, int id, LPCWSTR text) {
  HWND c = GetDlgItem(dialog, id);
  return c ? SetWindowTextW(c, text) : FALSE;
}

UINT GetDlgItemTextW(HWND dialog, int id, LPWSTR text, int size) {
  HWND c = GetDlgItem(dialog, id);
  if (!c) {
    if (text && size > 0) text[0] = 0;
    return 0;
  }
  return (UINT)GetWindowTextW(c, text, size);
}

BOOL SetDlgItemInt(HWND dialog, int id, UINT value, BOOL isSigned) {
  WCHAR buf[16];
  char tmp[16];
  snprintf(tmp, sizeof tmp, isSigned ? "%d" : "%u", value);
  int i = 0;
  for (; tmp[i]; ++i) buf[i] = (WCHAR)tmp[i];
  buf[i] = 0;
  return SetDlgItemTextW(dialog, id, buf);
}

UINT GetDlgItemInt(HWND dialog, int id, BOOL* translated, BOOL isSigned) {
  if (translated) *translated = FALSE;
  WCHAR buf[32];
  if (!GetDlgItemTextW(dialog, id, buf, 32)) return 0;
  const WCHAR* p = buf;
  while (*p == ' ') ++p;
  bool neg = false;
  if (isSigned && (*p == '-' || *p == '+')) neg = *p++ == '-';
  if (*p < '0' || *p > '9') return 0;
  long long v = 0;
  for (; *p >= '0' && *p <= '9'; ++p) {
    v = v * 10 + (*p - '0');
    if (v > 0xFFFFFFFFLL) return 0;  // too big: not translated
  }
  while (*p == ' ') ++p;
  if (*p) return 0;
  if (neg) v = -v;
  if (isSigned && (v > 0x7FFFFFFFLL || v < -0x80000000LL)) return 0;
  if (translated) *translated = TRUE;
  return (UINT)v;
}

BOOL CheckDlgButton(HWND dialog, int id, UINT check) {
  HWND c = GetDlgItem(dialog, id);
  if (!c) return FALSE;
  SendMessageW(c, BM_SETCHECK, check, 0);
  return TRUE;
}

UINT IsDlgButtonChecked(HWND dialog, int id) {
  HWND c = GetDlgItem(dialog, id);
  return c ? (UINT)SendMessageW(c, BM_GETCHECK, 0, 0) : 0;
}

BOOL CheckRadioButton(HWND dialog, int first, int last, int check) {
  for (int id = first; id <= last; ++id)
    if (HWND c = GetDlgItem(dialog, id)) SendMessageW(c, BM_SETCHECK, id == check ? BST_CHECKED : BST_UNCHECKED, 0);
  return TRUE;
}

LRESULT SendDlgItemMessageW(HWND dialog, int id, UINT msg, WPARAM wParam, LPARAM lParam) {
  HWND c = GetDlgItem(dialog, id);
  return c ? SendMessageW(c, msg, wParam, lParam) : 0;
}

BOOL MapDialogRect(HWND dialog, LPRECT rect) {
  auto st = StateOf(dialog);
  if (!st || !rect) return FALSE;
  rect->left = rect->left * st->baseX / 4, rect->right = rect->right * st->baseX / 4;
  rect->top = rect->top * st->baseY / 8, rect->bottom = rect->bottom * st->baseY / 8;
  return TRUE;
}

LONG GetDialogBaseUnits(void) { return MAKELONG(kDeviceBaseX, kDeviceBaseY); }
