// Property sheets: a modal dialog holding a tab control (id 0x3020) and one
// child dialog per page, made when the page is first shown and kept until
// the sheet closes. Pages hear PSN_SETACTIVE/PSN_KILLACTIVE as the user
// moves between them, PSN_APPLY on OK and PSN_RESET on Cancel.
//
// A callback that answers PSCB_GETVERSION with COMCTL32_VERSION or more gets
// the Pocket PC look: the sheet fills the screen below the task bar, a title
// row carries the caption with OK and Cancel at its right, where the device
// keeps its "ok"; otherwise OK, Cancel and Apply sit in a row below the pages.
// Enter is OK and Escape is Cancel either way.
#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "../controls/lxctl.h"
#include "commctrl.h"
#include "lxresource.h"
#include "../gdi/lxgdi.h"

// What an HPROPSHEETPAGE points at: the caller's page record, copied with
// whatever data it carries behind it.
struct _PSP {
  std::vector<unsigned char> bytes;
  PROPSHEETPAGEW* page() { return reinterpret_cast<PROPSHEETPAGEW*>(bytes.data()); }
};

namespace {

constexpr int kTabId = 0x3020;
constexpr int kApplyId = 0x3021;
constexpr int kTitleHeight = 22;   // the Pocket PC title row
constexpr int kButtonRow = 26;     // the classic row of buttons
constexpr DWORD kMinPageSize = offsetof(PROPSHEETPAGEW, pfnCallback);
constexpr DWORD kMaxPageSize = 64 * 1024;  // a page record with more behind it is not believed

struct SheetPage {
  HPROPSHEETPAGE handle = nullptr;
  const LXDLGTEMPLATE* templ = nullptr;
  std::u16string title;
  HWND hwnd = nullptr;
  bool changed = false;
  bool failed = false;  // its callback or its dialog refused to be made
};

struct Sheet {
  const PROPSHEETHEADERW* header = nullptr;
  std::vector<SheetPage> pages;
  bool pocket = false;
  HWND hwnd = nullptr, tab = nullptr;
  int cur = -1;
  std::u16string caption, title;
  HFONT bold = nullptr;
  bool ended = false;
  INT_PTR result = 0;
  INT_PTR restart = 0;  // ID_PSRESTARTWINDOWS or ID_PSREBOOTSYSTEM when a page asked
};

Sheet* SheetOf(HWND h) { return (Sheet*)GetWindowLongW(h, DWL_USER); }

std::u16string StringOf(HINSTANCE instance, LPCWSTR s) {
  if (!s) return u"";
  if (!IS_INTRESOURCE(s)) return s;
  WCHAR buf[256] = {};
  LoadStringW(instance, (UINT)(UINT_PTR)s, buf, 256);
  return buf;
}

const LXDLGTEMPLATE* TemplateOf(PROPSHEETPAGEW* p) {
  if (p->dwFlags & PSP_DLGINDIRECT) return (const LXDLGTEMPLATE*)p->pResource;
  HRSRC r = FindResourceW((HMODULE)p->hInstance, p->pszTemplate, RT_DIALOG);
  HGLOBAL g = r ? LoadResource((HMODULE)p->hInstance, r) : nullptr;
  return g ? (const LXDLGTEMPLATE*)LockResource(g) : nullptr;
}

LRESULT NotifyPage(Sheet& s, int i, UINT code, LPARAM param = 0) {
  if (i < 0 || i >= (int)s.pages.size() || !s.pages[i].hwnd) return 0;
  PSHNOTIFY n{{s.hwnd, 0, code}, param};
  return SendMessageW(s.pages[i].hwnd, WM_NOTIFY, 0, (LPARAM)&n);
}

// The page area: the tab control's rectangle in the sheet, less its row of tabs.
RECT PageArea(Sheet& s) {
  RECT r;
  GetWindowRect(s.tab, &r);
  MapWindowPoints(nullptr, s.hwnd, (POINT*)&r, 2);
  SendMessageW(s.tab, TCM_ADJUSTRECT, FALSE, (LPARAM)&r);
  return r;
}

void PlacePages(Sheet& s) {
  RECT a = PageArea(s);
  for (auto& p : s.pages)
    if (p.hwnd) MoveWindow(p.hwnd, a.left, a.top, a.right - a.left, a.bottom - a.top, TRUE);
}

bool CreatePage(Sheet& s, int i) {
  SheetPage& sp = s.pages[i];
  if (sp.hwnd) return true;
  if (sp.failed) return false;
  PROPSHEETPAGEW* p = sp.handle->page();
  if ((p->dwFlags & PSP_USECALLBACK) && p->pfnCallback && !p->pfnCallback(nullptr, PSPCB_CREATE, p)) {
    sp.failed = true;
    return false;
  }
  // The page is a child of the sheet whatever its template says.
  LXDLGTEMPLATE t = *sp.templ;
  t.style &= ~(WS_POPUP | WS_CAPTION | WS_BORDER | WS_DLGFRAME | WS_SYSMENU | WS_THICKFRAME | WS_VISIBLE |
               DS_MODALFRAME | DS_CENTER | DS_ABSALIGN);
  t.style |= WS_CHILD | DS_CONTROL;
  t.x = t.y = 0;
  sp.hwnd = CreateDialogIndirectParamW(p->hInstance, &t, s.hwnd, p->pfnDlgProc, (LPARAM)p);
  if (!sp.hwnd) {
    sp.failed = true;
    return false;
  }
  RECT a = PageArea(s);
  MoveWindow(sp.hwnd, a.left, a.top, a.right - a.left, a.bottom - a.top, FALSE);
  return true;
}

int PageOfTemplateId(Sheet& s, LRESULT id) {
  for (size_t i = 0; i < s.pages.size(); ++i) {
    PROPSHEETPAGEW* p = s.pages[i].handle->page();
    if (!(p->dwFlags & PSP_DLGINDIRECT) && IS_INTRESOURCE(p->pszTemplate) && (LRESULT)(UINT_PTR)p->pszTemplate == id)
      return (int)i;
  }
  return -1;
}

void FocusIn(Sheet& s, HWND page) {
  HWND first = nullptr;
  for (HWND c : lxctl::ChildrenInOrder(page)) {
    DWORD st = (DWORD)GetWindowLongW(c, GWL_STYLE);
    if ((st & WS_TABSTOP) && (st & WS_VISIBLE) && !(st & WS_DISABLED)) {
      first = c;
      break;
    }
  }
  SendMessageW(s.hwnd, WM_NEXTDLGCTL, (WPARAM)(first ? first : s.tab), TRUE);
}

// Shows page i, which answers PSN_SETACTIVE: 0 takes it, -1 passes on to the
// next page in the direction of travel, a template id names the page to show.
void Activate(Sheet& s, int i, int direction, bool focusPage) {
  int n = (int)s.pages.size();
  int target = -1;
  for (int tries = 0; tries < n && i >= 0 && i < n; ++tries) {
    if (!CreatePage(s, i)) {
      i += direction;
      continue;
    }
    LRESULT r = NotifyPage(s, i, PSN_SETACTIVE);
    target = i;
    if (r == 0) break;
    int next = r == -1 ? i + direction : PageOfTemplateId(s, r);
    if (next < 0 || next >= n) break;
    i = next;
  }
  if (target < 0) return;
  int old = s.cur;
  HWND focus = GetFocus();
  if (old >= 0 && s.pages[old].hwnd && focus && IsChild(s.pages[old].hwnd, focus)) focusPage = true;  // not left on a hidden page
  s.cur = target;
  SendMessageW(s.tab, TCM_SETCURSEL, target, 0);
  PlacePages(s);
  ShowWindow(s.pages[target].hwnd, SW_SHOW);
  if (old >= 0 && old != target && s.pages[old].hwnd) ShowWindow(s.pages[old].hwnd, SW_HIDE);
  if (focusPage) FocusIn(s, s.pages[target].hwnd);
}

void UpdateApply(Sheet& s) {
  HWND apply = GetDlgItem(s.hwnd, kApplyId);
  if (!apply) return;
  bool any = std::any_of(s.pages.begin(), s.pages.end(), [](const SheetPage& p) { return p.changed; });
  EnableWindow(apply, any);
}

// Every page made so far takes its values; false when one refused.
bool Apply(Sheet& s, bool closing) {
  if (s.cur >= 0 && NotifyPage(s, s.cur, PSN_KILLACTIVE)) return false;
  for (int i = 0; i < (int)s.pages.size(); ++i) {
    if (!s.pages[i].hwnd) continue;
    LRESULT r = NotifyPage(s, i, PSN_APPLY, closing);
    if (r == PSNRET_INVALID_NOCHANGEPAGE) return false;
    if (r == PSNRET_INVALID) {
      if (i != s.cur) Activate(s, i, 1, true);
      return false;
    }
  }
  for (auto& p : s.pages) p.changed = false;
  UpdateApply(s);
  return true;
}

void End(Sheet& s, INT_PTR result) {
  s.ended = true;
  s.result = result;
  EndDialog(s.hwnd, result);
}

void PressButton(Sheet& s, WPARAM button) {
  if (s.ended) return;
  switch (button) {
    case PSBTN_OK:
    case PSBTN_FINISH:
      if (Apply(s, true)) End(s, s.restart ? s.restart : 1);
      break;
    case PSBTN_APPLYNOW: Apply(s, false); break;
    case PSBTN_CANCEL:
      if (s.cur >= 0 && NotifyPage(s, s.cur, PSN_QUERYCANCEL)) break;
      for (int i = 0; i < (int)s.pages.size(); ++i) NotifyPage(s, i, PSN_RESET, FALSE);
      End(s, 0);
      break;
  }
}

// A page switch the user or the program asks for; the page being left may keep its place.
bool SwitchTo(Sheet& s, int i) {
  if (i < 0 || i >= (int)s.pages.size()) return false;
  if (s.cur >= 0 && i != s.cur && NotifyPage(s, s.cur, PSN_KILLACTIVE)) return false;
  Activate(s, i, i >= s.cur ? 1 : -1, false);
  return true;
}

HWND Button(HWND sheet, LPCWSTR text, DWORD style, int x, int y, int cx, int cy, int id) {
  HWND b = CreateWindowExW(0, u"BUTTON", text, WS_CHILD | WS_VISIBLE | WS_TABSTOP | style, x, y, cx, cy, sheet,
                           (HMENU)(UINT_PTR)id, nullptr, nullptr);
  SendMessageW(b, WM_SETFONT, SendMessageW(sheet, WM_GETFONT, 0, 0), 0);
  return b;
}

// The sheet's size when it is not full screen: the largest page and the frame around it.
SIZE ClassicSize(Sheet& s) {
  LONG units = GetDialogBaseUnits();
  int cx = 0, cy = 0;
  for (auto& p : s.pages) {
    cx = std::max(cx, p.templ->cx * LOWORD(units) / 4);
    cy = std::max(cy, p.templ->cy * HIWORD(units) / 8);
  }
  RECT work = lx::WorkArea();
  return SIZE{std::min<int>(work.right - work.left, cx + 2), std::min<int>(work.bottom - work.top, cy + 20 + kButtonRow + 2)};
}

void Build(Sheet& s) {
  HWND h = s.hwnd;
  DWORD flags = s.header->dwFlags;
  RECT work = lx::WorkArea();
  int width = work.right - work.left, height = work.bottom - work.top;
  if (s.pocket || (flags & PSH_MAXIMIZE)) {
    MoveWindow(h, work.left, work.top, width, height, FALSE);
  } else {
    SIZE z = ClassicSize(s);
    int workWidth = width, workHeight = height;
    width = z.cx, height = z.cy;
    MoveWindow(h, work.left + (workWidth - width) / 2, work.top + (workHeight - height) / 2, width, height, FALSE);
  }
  int tabTop = 0, tabBottom = height;
  if (s.pocket) {
    Button(h, u"Cancel", 0, width - 50, 3, 48, 17, IDCANCEL);
    Button(h, u"OK", BS_DEFPUSHBUTTON, width - 90, 3, 36, 17, IDOK);
    tabTop = kTitleHeight + 1;
  } else {
    int y = height - kButtonRow + 4, x = width - 2;
    if (!(flags & PSH_NOAPPLYNOW)) {
      HWND apply = Button(h, u"Apply", 0, x -= 50, y, 48, 18, kApplyId);
      EnableWindow(apply, FALSE);
      x -= 4;
    }
    Button(h, u"Cancel", 0, x -= 50, y, 48, 18, IDCANCEL);
    Button(h, u"OK", BS_DEFPUSHBUTTON, x - 40, y, 36, 18, IDOK);
    tabBottom = height - kButtonRow;
  }
  s.tab = CreateWindowExW(0, WC_TABCONTROLW, u"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS, 0, tabTop,
                          width, tabBottom - tabTop, h, (HMENU)(UINT_PTR)kTabId, nullptr, nullptr);
  SendMessageW(s.tab, WM_SETFONT, SendMessageW(h, WM_GETFONT, 0, 0), 0);
  for (size_t i = 0; i < s.pages.size(); ++i) {
    TCITEMW item{};
    item.mask = TCIF_TEXT | TCIF_PARAM;
    item.pszText = (LPWSTR)s.pages[i].title.c_str();
    item.lParam = (LPARAM)i;
    SendMessageW(s.tab, TCM_INSERTITEMW, i, (LPARAM)&item);
  }
}

int StartPage(Sheet& s) {
  const PROPSHEETHEADERW* ph = s.header;
  if (ph->dwFlags & PSH_USEPSTARTPAGE) {
    std::u16string name = StringOf(ph->hInstance, ph->pStartPage);
    for (size_t i = 0; i < s.pages.size(); ++i)
      if (s.pages[i].title == name) return (int)i;
    return 0;
  }
  return ph->nStartPage < s.pages.size() ? (int)ph->nStartPage : 0;
}

void PaintSheet(Sheet& s) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(s.hwnd, &ps);
  RECT c;
  GetClientRect(s.hwnd, &c);
  FillRect(dc, &c, (HBRUSH)GetStockObject(WHITE_BRUSH));
  HBRUSH black = (HBRUSH)GetStockObject(BLACK_BRUSH);
  if (s.pocket) {
    RECT text{6, 0, c.right - 94, kTitleHeight};
    HGDIOBJ old = SelectObject(dc, s.bold ? (HGDIOBJ)s.bold : GetStockObject(SYSTEM_FONT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    DrawTextW(dc, s.title.c_str(), (int)s.title.size(), &text,
              DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    SelectObject(dc, old);
    RECT line{0, kTitleHeight, c.right, kTitleHeight + 1};
    FillRect(dc, &line, black);
  } else if (RECT work = lx::WorkArea(); c.right < work.right - work.left || c.bottom < work.bottom - work.top) {
    lxctl::FrameRect1(dc, c, RGB(0, 0, 0));
  }
  EndPaint(s.hwnd, &ps);
}

void Init(Sheet& s, HWND h) {
  s.hwnd = h;
  SetWindowLongW(h, DWL_USER, (LONG_PTR)&s);
  LOGFONTW lf{};
  GetObjectW(GetStockObject(SYSTEM_FONT), sizeof lf, &lf);
  lf.lfWeight = FW_BOLD;
  s.bold = CreateFontIndirectW(&lf);
  Build(s);
  const PROPSHEETHEADERW* ph = s.header;
  for (size_t i = 0; i < s.pages.size(); ++i)
    if (s.pages[i].handle->page()->dwFlags & PSP_PREMATURE) CreatePage(s, (int)i);
  int start = StartPage(s);
  SendMessageW(s.tab, TCM_SETCURSEL, start, 0);
  s.title = s.caption;
  if ((ph->dwFlags & PSH_USECALLBACK) && ph->pfnCallback) {
    ph->pfnCallback(h, PSCB_INITIALIZED, (LPARAM)ph);
    if (s.pocket && IsWindow(h)) {
      WCHAR title[256] = {};
      lstrcpynW(title, s.caption.c_str(), 256);
      ph->pfnCallback(h, PSCB_GETTITLE, (LPARAM)title);
      title[255] = 0;
      s.title = title;
    }
  }
  if (!IsWindow(h) || s.ended) return;
  Activate(s, start, 1, true);
}

INT_PTR CALLBACK SheetProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_INITDIALOG) {
    Init(*(Sheet*)l, h);
    return FALSE;  // the focus is placed already
  }
  Sheet* s = SheetOf(h);
  if (!s) return FALSE;
  auto answer = [h](LRESULT r) {
    SetWindowLongW(h, DWL_MSGRESULT, r);
    return TRUE;
  };
  switch (m) {
    case WM_PAINT: PaintSheet(*s); return TRUE;
    case WM_DESTROY:
      if (s->bold) DeleteObject(s->bold), s->bold = nullptr;
      return FALSE;
    case WM_COMMAND:
      switch (LOWORD(w)) {
        case IDOK: PressButton(*s, PSBTN_OK); return TRUE;
        case IDCANCEL: PressButton(*s, PSBTN_CANCEL); return TRUE;
        case kApplyId: PressButton(*s, PSBTN_APPLYNOW); return TRUE;
      }
      return FALSE;
    case WM_NOTIFY: {
      auto* nm = (NMHDR*)l;
      if (!nm || nm->hwndFrom != s->tab) return FALSE;
      if (nm->code == TCN_SELCHANGING) return answer(s->cur >= 0 && NotifyPage(*s, s->cur, PSN_KILLACTIVE));
      if (nm->code == TCN_SELCHANGE) {
        int i = (int)SendMessageW(s->tab, TCM_GETCURSEL, 0, 0);
        if (i >= 0 && i != s->cur) Activate(*s, i, i > s->cur ? 1 : -1, false);
        return answer(0);
      }
      return FALSE;
    }
    case lxctl::kTabLayoutChanged: PlacePages(*s); return TRUE;
    case PSM_SETCURSEL: {
      int i = (int)w;
      if (l) {
        i = -1;
        for (size_t k = 0; k < s->pages.size(); ++k)
          if (s->pages[k].handle == (HPROPSHEETPAGE)l) i = (int)k;
      }
      return answer(SwitchTo(*s, i));
    }
    case PSM_SETCURSELID: return answer(SwitchTo(*s, PageOfTemplateId(*s, l)));
    case PSM_CHANGED:
    case PSM_UNCHANGED:
      for (auto& p : s->pages)
        if (p.hwnd && p.hwnd == (HWND)w) p.changed = m == PSM_CHANGED;
      UpdateApply(*s);
      return answer(0);
    case PSM_PRESSBUTTON: PressButton(*s, w); return answer(0);
    case PSM_APPLY: return answer(Apply(*s, false));
    case PSM_GETTABCONTROL: return answer((LRESULT)s->tab);
    case PSM_GETCURRENTPAGEHWND: return answer(s->cur >= 0 ? (LRESULT)s->pages[s->cur].hwnd : 0);
    case PSM_QUERYSIBLINGS:
      for (auto& p : s->pages)
        if (p.hwnd)
          if (LRESULT r = SendMessageW(p.hwnd, PSM_QUERYSIBLINGS, w, l)) return answer(r);
      return answer(0);
    case PSM_RESTARTWINDOWS: s->restart = std::max<INT_PTR>(s->restart, ID_PSRESTARTWINDOWS); return answer(0);
    case PSM_REBOOTSYSTEM: s->restart = ID_PSREBOOTSYSTEM; return answer(0);
    case PSM_CANCELTOCLOSE:
      if (HWND apply = GetDlgItem(h, kApplyId)) EnableWindow(apply, FALSE);
      SetDlgItemTextW(h, IDCANCEL, u"Close");
      return answer(0);
    case PSM_SETTITLEW: {
      std::u16string t = StringOf(s->header->hInstance, (LPCWSTR)l);
      if (w & PSH_PROPTITLE) t = u"Properties for " + t;
      s->caption = s->title = t;
      SetWindowTextW(h, t.c_str());
      InvalidateRect(h, nullptr, FALSE);
      return answer(0);
    }
    case PSM_ISDIALOGMESSAGE: return answer(IsDialogMessageW(h, (MSG*)l));
  }
  return FALSE;
}

bool Valid(const PROPSHEETPAGEW* p) { return p && p->dwSize >= kMinPageSize && p->dwSize <= kMaxPageSize; }

}  // namespace

HPROPSHEETPAGE CreatePropertySheetPageW(LPCPROPSHEETPAGEW page) {
  if (!Valid(page)) return nullptr;
  auto* h = new _PSP;
  h->bytes.assign(std::max<size_t>(page->dwSize, sizeof(PROPSHEETPAGEW)), 0);
  memcpy(h->bytes.data(), page, page->dwSize);
  return h;
}

BOOL DestroyPropertySheetPage(HPROPSHEETPAGE h) {
  if (!h) return FALSE;
  PROPSHEETPAGEW* p = h->page();
  if ((p->dwFlags & PSP_USECALLBACK) && p->pfnCallback) p->pfnCallback(nullptr, PSPCB_RELEASE, p);
  delete h;
  return TRUE;
}

INT_PTR PropertySheetW(LPCPROPSHEETHEADERW ph) {
  if (!ph || ph->nPages == 0 || ph->nPages > MAXPROPPAGES || !ph->ppsp) return -1;
  if (ph->dwFlags & PSH_MODELESS) return -1;  // only modal sheets
  Sheet s;
  s.header = ph;
  bool ok = true;
  // The records of an array may be longer than PROPSHEETPAGEW: each says how long.
  const unsigned char* next = (const unsigned char*)ph->ppsp;
  for (UINT i = 0; i < ph->nPages; ++i) {
    HPROPSHEETPAGE h = nullptr;
    if (ph->dwFlags & PSH_PROPSHEETPAGE) {
      auto* p = (LPCPROPSHEETPAGEW)next;
      if (!Valid(p)) {
        ok = false;
        break;
      }
      h = CreatePropertySheetPageW(p);
      next += p->dwSize;
    } else {
      h = ph->phpage[i];
    }
    if (!h) {
      ok = false;
      continue;
    }
    SheetPage sp;
    sp.handle = h;
    PROPSHEETPAGEW* p = h->page();
    sp.templ = TemplateOf(p);
    if (!sp.templ) ok = false;
    else sp.title = (p->dwFlags & PSP_USETITLE) ? StringOf(p->hInstance, p->pszTitle) : StringOf(nullptr, sp.templ->title);
    s.pages.push_back(sp);
  }
  INT_PTR result = -1;
  if (ok) {
    s.caption = StringOf(ph->hInstance, ph->pszCaption);
    if (ph->dwFlags & PSH_PROPTITLE) s.caption = u"Properties for " + s.caption;
    if ((ph->dwFlags & PSH_USECALLBACK) && ph->pfnCallback)
      s.pocket = ph->pfnCallback(nullptr, PSCB_GETVERSION, 0) >= COMCTL32_VERSION;
    LXDLGTEMPLATE t = {WS_POPUP | WS_VISIBLE, 0, 0, 0, 160, 178, s.caption.c_str(), 0, nullptr, 0, nullptr};
    if ((ph->dwFlags & PSH_USECALLBACK) && ph->pfnCallback) ph->pfnCallback(nullptr, PSCB_PRECREATE, (LPARAM)&t);
    INT_PTR r = DialogBoxIndirectParamW(ph->hInstance, &t, ph->hwndParent, SheetProc, (LPARAM)&s);
    result = r == -1 ? -1 : s.ended ? s.result : 0;
  }
  // A sheet owns the pages it is given, made or not.
  for (auto& p : s.pages) DestroyPropertySheetPage(p.handle);
  return result;
}
