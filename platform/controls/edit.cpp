// EDIT: single-line fields with a caret, selection and typing, scrolled
// sideways to keep the caret in view; multi-line fields word-wrapped and
// scrolled by lines (a scroll bar with WS_VSCROLL).
#include <algorithm>
#include <cstdlib>
#include <cwctype>

#include "lxctl.h"

namespace {

constexpr int kInset = 2;
constexpr int kBarWidth = 11;

struct EditState {
  std::u16string text;
  int caret = 0, anchor = 0;  // selection is [min, max) of the two
  int scrollX = 0;            // single line: pixels hidden on the left
  int topLine = 0;            // multi-line: first visible line
  int limit = 30000;
  bool focus = false, modified = false, tracking = false;
};

struct Line {
  int start, length;
};

DWORD Style(HWND h) { return (DWORD)GetWindowLongW(h, GWL_STYLE); }
bool Multi(HWND h) { return Style(h) & ES_MULTILINE; }

std::u16string Shown(HWND h, const EditState& s) {
  return (Style(h) & ES_PASSWORD) && !Multi(h) ? std::u16string(s.text.size(), u'*') : s.text;
}

// A DC with the control's font for measuring.
struct MeasureDC {
  HDC dc;
  HGDIOBJ old;
  explicit MeasureDC(HWND h) : dc(CreateCompatibleDC(nullptr)), old(SelectObject(dc, lxctl::FontOf(h))) {}
  ~MeasureDC() { SelectObject(dc, old), DeleteDC(dc); }
  int Width(const WCHAR* s, int n) const {
    SIZE z{};
    if (n > 0) GetTextExtentPoint32W(dc, s, n, &z);
    return z.cx;
  }
  int Height() const {
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    return tm.tmHeight > 0 ? tm.tmHeight : 13;
  }
};

RECT TextArea(HWND h) {
  RECT r;
  GetClientRect(h, &r);
  if (Style(h) & WS_VSCROLL) r.right -= kBarWidth;
  InflateRect(&r, -kInset, -kInset);
  if (r.right < r.left) r.right = r.left;
  return r;
}

// Word wrap at the text area's width; "\r\n" and "\n" end lines.
std::vector<Line> Layout(HWND h, const EditState& s, const MeasureDC& m) {
  std::vector<Line> lines;
  int width = TextArea(h).right - TextArea(h).left;
  const std::u16string& t = s.text;
  int i = 0, n = (int)t.size();
  while (true) {
    int start = i, lastBreak = -1;
    while (i < n && t[i] != u'\r' && t[i] != u'\n') {
      if (t[i] == u' ') lastBreak = i;
      if (m.Width(t.c_str() + start, i - start + 1) > width && i > start) {
        if (lastBreak >= start) i = lastBreak + 1;
        break;
      }
      ++i;
    }
    int end = i;
    if (i < n && (t[i] == u'\r' || t[i] == u'\n')) {
      if (t[i] == u'\r' && i + 1 < n && t[i + 1] == u'\n') ++i;
      ++i;
      lines.push_back({start, end - start});
      continue;
    }
    lines.push_back({start, end - start});
    if (i >= n) break;
  }
  return lines;
}

int LineOf(const std::vector<Line>& lines, int pos) {
  for (int k = (int)lines.size() - 1; k >= 0; --k)
    if (lines[k].start <= pos) return k;
  return 0;
}

int VisibleLines(HWND h, const MeasureDC& m) {
  RECT r = TextArea(h);
  return std::max(1, (int)(r.bottom - r.top) / m.Height());
}

void ClampTop(HWND h, EditState& s, const std::vector<Line>& lines, const MeasureDC& m) {
  int maxTop = std::max(0, (int)lines.size() - VisibleLines(h, m));
  s.topLine = std::clamp(s.topLine, 0, maxTop);
}

// Keeps the caret in view after it moved.
void ShowCaretPos(HWND h, EditState& s) {
  MeasureDC m(h);
  if (Multi(h)) {
    auto lines = Layout(h, s, m);
    int line = LineOf(lines, s.caret), vis = VisibleLines(h, m);
    if (line < s.topLine) s.topLine = line;
    if (line >= s.topLine + vis) s.topLine = line - vis + 1;
    ClampTop(h, s, lines, m);
  } else {
    std::u16string shown = Shown(h, s);
    RECT r = TextArea(h);
    int width = r.right - r.left;
    int x = m.Width(shown.c_str(), s.caret);
    if (x - s.scrollX > width) s.scrollX = x - width + width / 3;
    if (x < s.scrollX) s.scrollX = std::max(0, x - width / 3);
    int total = m.Width(shown.c_str(), (int)shown.size());
    if (total - s.scrollX < width) s.scrollX = std::max(0, total - width + 1);
  }
  InvalidateRect(h, nullptr, FALSE);
}

// The text position nearest to a point in client coordinates.
int PosAt(HWND h, EditState& s, int x, int y) {
  MeasureDC m(h);
  RECT r = TextArea(h);
  int start = 0, length = (int)s.text.size();
  std::u16string shown = Shown(h, s);
  if (Multi(h)) {
    auto lines = Layout(h, s, m);
    int k = std::clamp(s.topLine + (y - r.top) / m.Height(), 0, (int)lines.size() - 1);
    start = lines[k].start, length = lines[k].length;
  } else {
    x += s.scrollX;
  }
  x -= r.left;
  int best = start, bestDist = 1 << 30;
  for (int i = 0; i <= length; ++i) {
    int d = std::abs(m.Width(shown.c_str() + start, i) - x);
    if (d < bestDist) bestDist = d, best = start + i;
  }
  return best;
}

void DrawScrollBar(HWND h, HDC dc, EditState& s, int lineCount, int visible) {
  RECT c;
  GetClientRect(h, &c);
  RECT bar{c.right - kBarWidth, c.top, c.right, c.bottom};
  FillRect(dc, &bar, (HBRUSH)GetStockObject(WHITE_BRUSH));
  lxctl::FrameRect1(dc, bar, RGB(0, 0, 0));
  int arrow = kBarWidth;
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(0, 0, 0));
  HGDIOBJ oldPen = SelectObject(dc, pen);
  HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(BLACK_BRUSH));
  int mid = bar.left + kBarWidth / 2;
  POINT up[3] = {{mid, bar.top + 3}, {mid - 3, bar.top + 7}, {mid + 3, bar.top + 7}};
  POINT down[3] = {{mid, bar.bottom - 4}, {mid - 3, bar.bottom - 8}, {mid + 3, bar.bottom - 8}};
  Polygon(dc, up, 3);
  Polygon(dc, down, 3);
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
  DeleteObject(pen);
  int track = (bar.bottom - bar.top) - 2 * arrow;
  if (lineCount > visible && track > 4) {
    int thumb = std::max(6, track * visible / lineCount);
    int y = bar.top + arrow + (track - thumb) * s.topLine / std::max(1, lineCount - visible);
    RECT t{bar.left + 1, y, bar.right - 1, y + thumb};
    FillRect(dc, &t, (HBRUSH)GetStockObject(GRAY_BRUSH));
  }
}

void Paint(HWND h) {
  auto* s = lxctl::StateOf<EditState>(h);
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(h, &ps);
  RECT c;
  GetClientRect(h, &c);
  DWORD style = Style(h);
  bool readOnly = style & ES_READONLY;
  HBRUSH bg = lxctl::ControlColours(h, dc, readOnly ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT);
  FillRect(dc, &c, bg);
  COLORREF ink = GetTextColor(dc);
  MeasureDC m(h);
  HGDIOBJ oldFont = SelectObject(dc, lxctl::FontOf(h));
  RECT area = TextArea(h);
  int lh = m.Height();
  std::u16string shown = Shown(h, *s);
  int selA = std::min(s->caret, s->anchor), selB = std::max(s->caret, s->anchor);
  bool showSel = selA != selB && (s->focus || (style & ES_NOHIDESEL));
  int saved = SaveDC(dc);
  IntersectClipRect(dc, area.left, area.top, area.right, area.bottom);
  HBRUSH hi = CreateSolidBrush(lxctl::kHighlight);
  auto drawRun = [&](int start, int length, int x0, int y) {
    // Before, inside and after the selection.
    int cuts[4] = {start, std::clamp(selA, start, start + length), std::clamp(selB, start, start + length),
                   start + length};
    if (!showSel) cuts[1] = cuts[2] = start + length;
    for (int k = 0; k < 3; ++k) {
      int a = cuts[k], b = cuts[k + 1];
      if (b <= a) continue;
      int xa = x0 + m.Width(shown.c_str() + start, a - start);
      int xb = x0 + m.Width(shown.c_str() + start, b - start);
      if (k == 1) {
        RECT sel{xa, y, xb, y + lh};
        FillRect(dc, &sel, hi);
        SetTextColor(dc, RGB(255, 255, 255));
      } else {
        SetTextColor(dc, ink);
      }
      ExtTextOutW(dc, xa, y, 0, nullptr, shown.c_str() + a, b - a, nullptr);
    }
  };
  int caretX = -1, caretY = 0;
  if (Multi(h)) {
    auto lines = Layout(h, *s, m);
    ClampTop(h, *s, lines, m);
    for (int k = s->topLine, y = area.top; k < (int)lines.size() && y < area.bottom; ++k, y += lh) {
      drawRun(lines[k].start, lines[k].length, area.left, y);
      if (LineOf(lines, s->caret) == k)
        caretX = area.left + m.Width(shown.c_str() + lines[k].start, s->caret - lines[k].start), caretY = y;
    }
    RestoreDC(dc, saved);
    if (style & WS_VSCROLL) DrawScrollBar(h, dc, *s, (int)lines.size(), VisibleLines(h, m));
  } else {
    int y = area.top + std::max(0, (int)(area.bottom - area.top - lh) / 2);
    int x0 = area.left - s->scrollX;
    UINT align = style & (ES_CENTER | ES_RIGHT);
    int total = m.Width(shown.c_str(), (int)shown.size());
    if (align == ES_CENTER) x0 = area.left + std::max(0, (int)(area.right - area.left - total) / 2);
    if (align == ES_RIGHT) x0 = std::max((int)area.left, (int)area.right - total - 1);
    drawRun(0, (int)shown.size(), x0, y);
    caretX = x0 + m.Width(shown.c_str(), s->caret), caretY = y;
    RestoreDC(dc, saved);
  }
  DeleteObject(hi);
  if (s->focus && !readOnly && caretX >= area.left - 1 && caretX <= area.right) {
    RECT caret{caretX, caretY, caretX + 1, caretY + lh};
    HBRUSH b = CreateSolidBrush(RGB(0, 0, 0));
    FillRect(dc, &caret, b);
    DeleteObject(b);
  }
  if (style & WS_BORDER) lxctl::FrameRect1(dc, c, IsWindowEnabled(h) ? RGB(0, 0, 0) : lxctl::kGrey);
  SelectObject(dc, oldFont);
  EndPaint(h, &ps);
}

void Changed(HWND h, EditState& s) {
  s.modified = true;
  ShowCaretPos(h, s);
  lxctl::Notify(h, EN_UPDATE);
  lxctl::Notify(h, EN_CHANGE);
}

// Replaces the selection with text, as typing does; false when nothing fits.
bool ReplaceSelection(HWND h, EditState& s, std::u16string text) {
  DWORD style = Style(h);
  if (style & ES_UPPERCASE) for (auto& c : text) c = (WCHAR)towupper(c);
  if (style & ES_LOWERCASE) for (auto& c : text) c = (WCHAR)towlower(c);
  int a = std::min(s.caret, s.anchor), b = std::max(s.caret, s.anchor);
  int room = s.limit - ((int)s.text.size() - (b - a));
  if ((int)text.size() > room) {
    text.resize(std::max(0, room));
    lxctl::Notify(h, EN_MAXTEXT);
    if (text.empty() && a == b) return false;
  }
  s.text.replace(a, b - a, text);
  s.caret = s.anchor = a + (int)text.size();
  return true;
}

void MoveCaret(EditState& s, int to, bool extend) {
  s.caret = std::clamp(to, 0, (int)s.text.size());
  if (!extend) s.anchor = s.caret;
}

void Scroll(HWND h, EditState& s, int lines) {
  s.topLine += lines;
  MeasureDC m(h);
  ClampTop(h, s, Layout(h, s, m), m);
  InvalidateRect(h, nullptr, FALSE);
}

void KeyDown(HWND h, EditState& s, WPARAM vk) {
  bool shift = GetKeyState(VK_SHIFT) < 0;
  bool readOnly = Style(h) & ES_READONLY;
  int n = (int)s.text.size();
  if (Multi(h) && (vk == VK_UP || vk == VK_DOWN || vk == VK_PRIOR || vk == VK_NEXT)) {
    MeasureDC m(h);
    auto lines = Layout(h, s, m);
    int step = vk == VK_UP ? -1 : vk == VK_DOWN ? 1 : (vk == VK_PRIOR ? -1 : 1) * VisibleLines(h, m);
    if (readOnly) return Scroll(h, s, step);
    int line = LineOf(lines, s.caret);
    int col = s.caret - lines[line].start;
    int to = std::clamp(line + step, 0, (int)lines.size() - 1);
    MoveCaret(s, lines[to].start + std::min(col, lines[to].length), shift);
    return ShowCaretPos(h, s);
  }
  switch (vk) {
    case VK_LEFT:
      if (!shift && s.caret != s.anchor) MoveCaret(s, std::min(s.caret, s.anchor), false);
      else MoveCaret(s, s.caret - 1 - (s.caret >= 2 && s.text[s.caret - 1] == u'\n' && s.text[s.caret - 2] == u'\r'), shift);
      break;
    case VK_RIGHT:
      if (!shift && s.caret != s.anchor) MoveCaret(s, std::max(s.caret, s.anchor), false);
      else MoveCaret(s, s.caret + 1 + (s.caret + 1 < n && s.text[s.caret] == u'\r' && s.text[s.caret + 1] == u'\n'), shift);
      break;
    case VK_HOME: MoveCaret(s, 0, shift); break;
    case VK_END: MoveCaret(s, n, shift); break;
    case VK_DELETE:
      if (readOnly) return;
      if (s.caret == s.anchor) {
        if (s.caret >= n) return;
        s.anchor = s.caret + 1 + (s.caret + 1 < n && s.text[s.caret] == u'\r' && s.text[s.caret + 1] == u'\n');
      }
      ReplaceSelection(h, s, u"");
      return Changed(h, s);
    default: return;
  }
  ShowCaretPos(h, s);
}

void Char(HWND h, EditState& s, WCHAR ch) {
  DWORD style = Style(h);
  if (style & ES_READONLY) return;
  if (ch == 0x08) {
    if (s.caret == s.anchor) {
      if (s.caret == 0) return;
      s.anchor = s.caret - 1 - (s.caret >= 2 && s.text[s.caret - 1] == u'\n' && s.text[s.caret - 2] == u'\r');
    }
    ReplaceSelection(h, s, u"");
    return Changed(h, s);
  }
  std::u16string add;
  if (ch == u'\r') {
    if (!Multi(h)) return;
    add = u"\r\n";
  } else if (ch == u'\t' || ch < 0x20) {
    return;
  } else {
    if ((style & ES_NUMBER) && (ch < u'0' || ch > u'9')) return MessageBeep(0), void();
    add.assign(1, ch);
  }
  if (ReplaceSelection(h, s, add)) Changed(h, s);
}

LRESULT CALLBACK EditProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  auto* s = lxctl::StateOf<EditState>(h);
  switch (m) {
    case WM_CREATE: {
      auto* st = new EditState;
      auto* cs = (CREATESTRUCTW*)l;
      if (cs && cs->lpszName && !IS_INTRESOURCE(cs->lpszName)) st->text = cs->lpszName;
      SetWindowLongW(h, lxctl::kStateSlot, (LONG_PTR)st);
      return 0;
    }
    case WM_DESTROY:
      delete s;
      SetWindowLongW(h, lxctl::kStateSlot, 0);
      return 0;
  }
  if (!s) return DefWindowProcW(h, m, w, l);
  switch (m) {
    case WM_PAINT: Paint(h); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_SETFONT:
      SetWindowLongW(h, lxctl::kFontSlot, (LONG_PTR)w);
      if (l) InvalidateRect(h, nullptr, FALSE);
      return 0;
    case WM_GETFONT: return GetWindowLongW(h, lxctl::kFontSlot);
    case WM_SETTEXT:
      s->text = l ? (LPCWSTR)l : u"";
      if ((int)s->text.size() > s->limit) s->text.resize(s->limit);
      s->caret = s->anchor = 0;
      s->scrollX = s->topLine = 0;
      s->modified = false;
      InvalidateRect(h, nullptr, FALSE);
      lxctl::Notify(h, EN_CHANGE);
      return TRUE;
    case WM_GETTEXT: {
      if (!l || w == 0) return 0;
      int n = std::min((int)w - 1, (int)s->text.size());
      std::copy(s->text.begin(), s->text.begin() + n, (WCHAR*)l);
      ((WCHAR*)l)[n] = 0;
      return n;
    }
    case WM_GETTEXTLENGTH: return (LRESULT)s->text.size();
    case WM_ENABLE: InvalidateRect(h, nullptr, FALSE); return 0;
    case WM_SIZE: ShowCaretPos(h, *s); return 0;
    case WM_GETDLGCODE: {
      LRESULT code = DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
      if (Multi(h) && (Style(h) & ES_WANTRETURN)) code |= DLGC_WANTALLKEYS;
      return code;
    }
    case WM_SETFOCUS:
      s->focus = true;
      InvalidateRect(h, nullptr, FALSE);
      lxctl::Notify(h, EN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      s->focus = false;
      InvalidateRect(h, nullptr, FALSE);
      lxctl::Notify(h, EN_KILLFOCUS);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      if (GetFocus() != h) SetFocus(h);
      int x = (short)LOWORD(l), y = (short)HIWORD(l);
      RECT c;
      GetClientRect(h, &c);
      if (Multi(h) && (Style(h) & WS_VSCROLL) && x >= c.right - kBarWidth) {
        MeasureDC md(h);
        int vis = VisibleLines(h, md);
        if (y < c.top + kBarWidth) Scroll(h, *s, -1);
        else if (y >= c.bottom - kBarWidth) Scroll(h, *s, 1);
        else Scroll(h, *s, y < (c.top + c.bottom) / 2 ? -vis : vis);
        return 0;
      }
      MoveCaret(*s, PosAt(h, *s, x, y), (w & MK_SHIFT) != 0);
      if (m == WM_LBUTTONDBLCLK) s->anchor = 0, s->caret = (int)s->text.size();
      s->tracking = true;
      SetCapture(h);
      ShowCaretPos(h, *s);
      return 0;
    }
    case WM_MOUSEMOVE:
      if (s->tracking) {
        MoveCaret(*s, PosAt(h, *s, (short)LOWORD(l), (short)HIWORD(l)), true);
        ShowCaretPos(h, *s);
      }
      return 0;
    case WM_LBUTTONUP:
      if (s->tracking) s->tracking = false, ReleaseCapture();
      return 0;
    case WM_KEYDOWN: KeyDown(h, *s, w); return 0;
    case WM_CHAR: Char(h, *s, (WCHAR)w); return 0;
    case WM_VSCROLL:
    case EM_SCROLL: {
      MeasureDC md(h);
      int vis = VisibleLines(h, md);
      switch (LOWORD(w)) {
        case SB_LINEUP: Scroll(h, *s, -1); break;
        case SB_LINEDOWN: Scroll(h, *s, 1); break;
        case SB_PAGEUP: Scroll(h, *s, -vis); break;
        case SB_PAGEDOWN: Scroll(h, *s, vis); break;
        case SB_TOP: Scroll(h, *s, -(1 << 20)); break;
        case SB_BOTTOM: Scroll(h, *s, 1 << 20); break;
        case SB_THUMBPOSITION:
        case SB_THUMBTRACK: Scroll(h, *s, (short)HIWORD(w) - s->topLine); break;
      }
      return TRUE;
    }
    case EM_LINESCROLL:
      if (Multi(h)) Scroll(h, *s, (int)l);
      return TRUE;
    case EM_GETFIRSTVISIBLELINE: return Multi(h) ? s->topLine : 0;
    case EM_GETLINECOUNT: {
      MeasureDC md(h);
      return Multi(h) ? (LRESULT)Layout(h, *s, md).size() : 1;
    }
    case EM_GETSEL: {
      DWORD a = std::min(s->caret, s->anchor), b = std::max(s->caret, s->anchor);
      if (w) *(DWORD*)w = a;
      if (l) *(DWORD*)l = b;
      return MAKELRESULT(a, b);
    }
    case EM_SETSEL: {
      int n = (int)s->text.size();
      int a = (int)w, b = (int)l;
      if (a < 0) {
        s->anchor = s->caret;  // a start of -1 only removes the selection
      } else {
        if (b < 0 || b > n) b = n;
        s->anchor = std::min(a, n), s->caret = b;
      }
      ShowCaretPos(h, *s);
      return 0;
    }
    case EM_REPLACESEL:
      if (ReplaceSelection(h, *s, l ? (LPCWSTR)l : u"")) Changed(h, *s);
      return 0;
    case EM_LIMITTEXT:
      s->limit = w ? (int)std::min<WPARAM>(w, 0x7FFFFFFE) : 0x7FFFFFFE;
      return 0;
    case EM_SETREADONLY: {
      DWORD st = Style(h);
      SetWindowLongW(h, GWL_STYLE, w ? st | ES_READONLY : st & ~ES_READONLY);
      InvalidateRect(h, nullptr, FALSE);
      return TRUE;
    }
    case EM_GETMODIFY: return s->modified;
    case EM_SETMODIFY: s->modified = w != 0; return 0;
  }
  return DefWindowProcW(h, m, w, l);
}

const int kRegistered = (lxctl::RegisterControlClass(u"EDIT", EditProc, CS_DBLCLKS), 1);

}  // namespace
