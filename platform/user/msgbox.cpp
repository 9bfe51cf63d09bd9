// Message boxes: a modal box over the work area with the caption, an icon,
// the text and the buttons of its MB_ type; Enter picks the default button,
// Escape cancels (an MB_OK box answers IDOK). Tests without a program entry
// get the box's default answer without a dialog (or the answer they set);
// every box is recorded either way and reported on standard error.
#include <algorithm>
#include <cstdio>
#include <mutex>
#include <vector>

#include "lxprogram.h"
#include "lxresource.h"
#include "lxuser.h"
#include "windows.h"
#include "../gdi/lxgdi.h"

namespace {

struct MessageBoxLog {
  std::mutex lock;
  std::vector<LxMessageBoxCall> calls;
  int answer = 0;
  int shown = -1;  // -1: show a dialog only when started through the program entry
};

MessageBoxLog& Log() {
  static MessageBoxLog l;
  return l;
}

const int kButtons[6][3] = {{IDOK, 0, 0},       {IDOK, IDCANCEL, 0}, {IDABORT, IDRETRY, IDIGNORE},
                            {IDYES, IDNO, IDCANCEL}, {IDYES, IDNO, 0},    {IDRETRY, IDCANCEL, 0}};

int DefaultAnswer(UINT type) {
  UINT kind = type & MB_TYPEMASK;
  UINT def = (type & MB_DEFMASK) >> 8;
  if (kind > 5) kind = 0;
  if (def > 2 || !kButtons[kind][def]) def = 0;
  return kButtons[kind][def];
}

LPCWSTR ButtonText(int id) {
  switch (id) {
    case IDOK: return u"OK";
    case IDCANCEL: return u"Cancel";
    case IDABORT: return u"Abort";
    case IDRETRY: return u"Retry";
    case IDIGNORE: return u"Ignore";
    case IDYES: return u"Yes";
    case IDNO: return u"No";
  }
  return u"";
}

struct BoxData {
  LPCWSTR text;
  LPCWSTR caption;
  UINT type;
  RECT textRect;
  int captionHeight;
};

constexpr int kWidth = 220, kIcon = 24, kPad = 6, kButtonW = 50, kButtonH = 20;

void DrawIcon(HDC dc, UINT icon, int x, int y) {
  if (!icon) return;
  COLORREF fill = icon == MB_ICONHAND ? RGB(0xC0, 0, 0) : icon == MB_ICONEXCLAMATION ? RGB(0xF0, 0xC0, 0) : RGB(0, 0x40, 0xC0);
  HBRUSH b = CreateSolidBrush(fill);
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(0, 0, 0));
  HGDIOBJ ob = SelectObject(dc, b), op = SelectObject(dc, pen);
  if (icon == MB_ICONEXCLAMATION) {
    POINT tri[3] = {{x + kIcon / 2, y}, {x, y + kIcon - 1}, {x + kIcon - 1, y + kIcon - 1}};
    Polygon(dc, tri, 3);
  } else {
    Ellipse(dc, x, y, x + kIcon, y + kIcon);
  }
  SelectObject(dc, ob), SelectObject(dc, op);
  DeleteObject(b), DeleteObject(pen);
  LOGFONTW lf{};
  lf.lfHeight = -16;
  lf.lfWeight = FW_BOLD;
  HFONT f = CreateFontIndirectW(&lf);
  HGDIOBJ of = SelectObject(dc, f);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, icon == MB_ICONEXCLAMATION ? RGB(0, 0, 0) : RGB(255, 255, 255));
  LPCWSTR mark = icon == MB_ICONHAND ? u"X" : icon == MB_ICONQUESTION ? u"?" : icon == MB_ICONEXCLAMATION ? u"!" : u"i";
  RECT r{x, y + (icon == MB_ICONEXCLAMATION ? 4 : 0), x + kIcon, y + kIcon};
  DrawTextW(dc, mark, 1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  SelectObject(dc, of);
  DeleteObject(f);
}

INT_PTR CALLBACK BoxProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  auto* d = (BoxData*)GetWindowLongW(h, DWL_USER);
  switch (m) {
    case WM_INITDIALOG: {
      d = (BoxData*)l;
      SetWindowLongW(h, DWL_USER, (LONG_PTR)d);
      HDC dc = CreateCompatibleDC(nullptr);
      HGDIOBJ of = SelectObject(dc, GetStockObject(SYSTEM_FONT));
      UINT icon = d->type & MB_ICONMASK;
      int textLeft = kPad + (icon ? kIcon + kPad : 0);
      RECT t{textLeft, 0, kWidth - kPad, 0};
      DrawTextW(dc, d->text, -1, &t, DT_WORDBREAK | DT_CALCRECT | DT_NOPREFIX);
      TEXTMETRICW tm{};
      GetTextMetricsW(dc, &tm);
      SelectObject(dc, of);
      DeleteDC(dc);
      d->captionHeight = tm.tmHeight + 6;
      int top = d->captionHeight + kPad;
      int textH = std::min<int>(t.bottom - t.top, 160);
      d->textRect = RECT{textLeft, top, kWidth - kPad, top + textH};
      int bodyH = std::max(textH, icon ? kIcon : 0);
      int height = top + bodyH + kPad + kButtonH + kPad;
      RECT work = lx::WorkArea();
      MoveWindow(h, (work.left + work.right - kWidth) / 2, (work.top + work.bottom - height) / 2, kWidth, height, FALSE);
      UINT kind = d->type & MB_TYPEMASK;
      if (kind > 5) kind = 0;
      int count = 0;
      while (count < 3 && kButtons[kind][count]) ++count;
      int def = DefaultAnswer(d->type);
      int x = (kWidth - (count * kButtonW + (count - 1) * kPad)) / 2, y = height - kPad - kButtonH;
      HWND focus = nullptr;
      for (int i = 0; i < count; ++i, x += kButtonW + kPad) {
        int id = kButtons[kind][i];
        HWND b = CreateWindowExW(0, u"BUTTON", ButtonText(id),
                                 WS_CHILD | WS_VISIBLE | WS_TABSTOP | (id == def ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON),
                                 x, y, kButtonW, kButtonH, h, (HMENU)(UINT_PTR)id, nullptr, nullptr);
        if (id == def) focus = b;
      }
      SendMessageW(h, DM_SETDEFID, def, 0);
      if (focus) SendMessageW(h, WM_NEXTDLGCTL, (WPARAM)focus, TRUE);
      return FALSE;
    }
    case WM_COMMAND: {
      int id = LOWORD(w);
      if (id == IDCANCEL && !GetDlgItem(h, IDCANCEL)) {
        if ((d->type & MB_TYPEMASK) == MB_OK) EndDialog(h, IDOK);  // an MB_OK box has nothing else to say
        return TRUE;
      }
      if (GetDlgItem(h, id)) EndDialog(h, id);
      return TRUE;
    }
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(h, &ps);
      RECT c;
      GetClientRect(h, &c);
      HBRUSH black = CreateSolidBrush(RGB(0, 0, 0));
      RECT e{0, 0, c.right, 1};
      FillRect(dc, &e, black);
      e = {0, c.bottom - 1, c.right, c.bottom}, FillRect(dc, &e, black);
      e = {0, 0, 1, c.bottom}, FillRect(dc, &e, black);
      e = {c.right - 1, 0, c.right, c.bottom}, FillRect(dc, &e, black);
      e = {0, d->captionHeight - 1, c.right, d->captionHeight}, FillRect(dc, &e, black);
      DeleteObject(black);
      LOGFONTW lf{};
      GetObjectW(GetStockObject(SYSTEM_FONT), sizeof lf, &lf);
      lf.lfWeight = FW_BOLD;
      HFONT bold = CreateFontIndirectW(&lf);
      HGDIOBJ of = SelectObject(dc, bold);
      SetBkMode(dc, TRANSPARENT);
      SetTextColor(dc, RGB(0, 0, 0));
      RECT cap{kPad, 0, c.right - kPad, d->captionHeight - 1};
      DrawTextW(dc, d->caption, -1, &cap, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
      SelectObject(dc, GetStockObject(SYSTEM_FONT));
      DeleteObject(bold);
      RECT t = d->textRect;
      DrawTextW(dc, d->text, -1, &t, DT_WORDBREAK | DT_NOPREFIX);
      SelectObject(dc, of);
      DrawIcon(dc, d->type & MB_ICONMASK, kPad, d->textRect.top);
      EndPaint(h, &ps);
      return TRUE;
    }
  }
  return FALSE;
}

int ShowBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
  BoxData d{text, caption, type, {}, 0};
  LXDLGTEMPLATE t{WS_POPUP | DS_MODALFRAME, 0, 0, 0, 1, 1, caption, 0, nullptr, 0, nullptr};
  INT_PTR r = DialogBoxIndirectParamW(nullptr, &t, owner, BoxProc, (LPARAM)&d);
  return r > 0 ? (int)r : DefaultAnswer(type);
}

}  // namespace

int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
  LxMessageBoxCall call{};
  call.owner = owner;
  call.type = type;
  if (text) lstrcpynW(call.text, text, 512);
  if (caption) lstrcpynW(call.caption, caption, 128);
  fprintf(stderr, "[%s] %s\n", LxToUtf8(call.caption).c_str(), LxToUtf8(call.text).c_str());
  int answer;
  bool show;
  {
    auto& l = Log();
    std::lock_guard lock(l.lock);
    answer = l.answer;
    show = !answer && (l.shown < 0 ? LxGetProgramOptions()->scale != 0 : l.shown != 0);
  }
  // Answered at once or not, a box has opened over whatever held the stylus.
  ReleaseCapture();
  if (!answer) answer = show ? ShowBox(owner, text ? text : u"", caption ? caption : u"Error", type) : DefaultAnswer(type);
  call.answer = answer;
  std::lock_guard lock(Log().lock);
  Log().calls.push_back(call);
  return answer;
}

int LxMessageBoxCount(void) {
  std::lock_guard lock(Log().lock);
  return (int)Log().calls.size();
}

int LxMessageBoxGet(int index, LxMessageBoxCall* call) {
  std::lock_guard lock(Log().lock);
  if (index < 0 || index >= (int)Log().calls.size() || !call) return 0;
  *call = Log().calls[index];
  return 1;
}

void LxMessageBoxReset(int answer) {
  std::lock_guard lock(Log().lock);
  Log().calls.clear();
  Log().answer = answer;
}

void LxMessageBoxShow(int mode) {
  std::lock_guard lock(Log().lock);
  Log().shown = mode;
}
