// A property sheet's life: the callback's questions, pages made when first
// shown, the notifications as the user moves between them, OK applying every
// page made, Cancel resetting them, vetoes that keep a page or the sheet.
#include <mutex>
#include <string>

#include "../../dialogs/tests/dlgtest.h"
#include "commctrl.h"

namespace {

constexpr int kFlagsId = 158, kCheck = 1014, kField = 1056, kDefault = 3;

struct Event {
  char page;  // 'F', 'P', 'C' for the three pages
  UINT code;  // a PSN_ code, or WM_INITDIALOG
  LPARAM param;
};

std::mutex gLock;
std::vector<Event> gEvents;
std::vector<UINT> gCallbacks;
std::vector<UINT> gPageCallbacks;
std::atomic<HWND> gSheet{nullptr};
std::atomic<int> gVersion{COMCTL32_VERSION};
std::atomic<bool> gRefuseKill{false}, gRefuseCancel{false};
std::atomic<LRESULT> gApplyAnswer{PSNRET_NOERROR};
std::atomic<LRESULT> gPufferActivation{0};  // what Puffer answers PSN_SETACTIVE

void Note(char page, UINT code, LPARAM param = 0) {
  std::lock_guard lock(gLock);
  gEvents.push_back({page, code, param});
}

std::vector<Event> Events() {
  std::lock_guard lock(gLock);
  return gEvents;
}

void Forget() {
  std::lock_guard lock(gLock);
  gEvents.clear();
  gCallbacks.clear();
  gPageCallbacks.clear();
  gSheet = nullptr;
  gVersion = COMCTL32_VERSION;
  gRefuseKill = gRefuseCancel = false;
  gApplyAnswer = PSNRET_NOERROR;
  gPufferActivation = 0;
}

int Count(char page, UINT code) {
  int n = 0;
  for (auto& e : Events()) n += e.page == page && e.code == code;
  return n;
}

// The events of one kind in their order, as "FP" for Flags then Puffer.
std::string Order(UINT code) {
  std::string s;
  for (auto& e : Events())
    if (e.code == code) s += e.page;
  return s;
}

// Works like the player's pages: its own Ok and Abbrechen press the sheet's buttons.
INT_PTR PageProc(char page, HWND h, UINT m, WPARAM w, LPARAM l) {
  switch (m) {
    case WM_INITDIALOG:
      Note(page, WM_INITDIALOG, ((PROPSHEETPAGEW*)l)->lParam);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(w) == IDOK) PostMessageW(GetParent(h), PSM_PRESSBUTTON, PSBTN_OK, 0);
      if (LOWORD(w) == IDCANCEL) PostMessageW(GetParent(h), PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
      if (LOWORD(w) == kDefault) Note(page, kDefault);
      if (LOWORD(w) == kField && HIWORD(w) == EN_CHANGE) PropSheet_Changed(GetParent(h), h);
      return TRUE;
    case WM_NOTIFY: {
      auto* n = (PSHNOTIFY*)l;
      Note(page, n->hdr.code, n->lParam);
      LRESULT answer = 0;
      if (n->hdr.code == PSN_KILLACTIVE) answer = gRefuseKill;
      if (n->hdr.code == PSN_APPLY && page == 'P') answer = gApplyAnswer;
      if (n->hdr.code == PSN_QUERYCANCEL) answer = gRefuseCancel;
      if (n->hdr.code == PSN_SETACTIVE && page == 'P') answer = gPufferActivation;
      SetWindowLongW(h, DWL_MSGRESULT, answer);
      return TRUE;
    }
  }
  return FALSE;
}
INT_PTR CALLBACK FlagsProc(HWND h, UINT m, WPARAM w, LPARAM l) { return PageProc('F', h, m, w, l); }
INT_PTR CALLBACK PufferProc(HWND h, UINT m, WPARAM w, LPARAM l) { return PageProc('P', h, m, w, l); }
INT_PTR CALLBACK CacheProc(HWND h, UINT m, WPARAM w, LPARAM l) { return PageProc('C', h, m, w, l); }

UINT CALLBACK CachePageCallback(HWND, UINT msg, PROPSHEETPAGEW* page) {
  std::lock_guard lock(gLock);
  if (page && page->lParam == 333) gPageCallbacks.push_back(msg);
  return 1;
}

// Answers like the player's: the version, and the tabs moved to the bottom.
int CALLBACK SheetCallback(HWND h, UINT msg, LPARAM) {
  {
    std::lock_guard lock(gLock);
    gCallbacks.push_back(msg);
  }
  if (msg == PSCB_GETVERSION) return gVersion;
  if (msg == PSCB_INITIALIZED) {
    gSheet = h;
    HWND tab = GetDlgItem(h, 12320);
    SetWindowLongW(tab, GWL_STYLE, GetWindowLongW(tab, GWL_STYLE) | 2);
  }
  return 0;
}

constexpr DWORD kTab = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
const LXDLGITEM kFlagsItems[] = {
    {kTab | BS_AUTOCHECKBOX, 0, 6, 6, 120, 10, kCheck, u"BUTTON", u"Zufallswiedergabe"},
    {kTab | BS_PUSHBUTTON, 0, 6, 24, 40, 14, kDefault, u"BUTTON", u"Default"},
    {kTab | BS_DEFPUSHBUTTON, 0, 6, 100, 40, 14, IDOK, u"BUTTON", u"Ok"},
    {kTab | BS_PUSHBUTTON, 0, 56, 100, 40, 14, IDCANCEL, u"BUTTON", u"Abbrechen"},
};
const LXDLGTEMPLATE kFlags = {WS_POPUP | WS_VISIBLE | WS_CAPTION, 0, 0, 0, 160, 120, u"Flags", 0, nullptr, 4,
                              kFlagsItems};
const LXDLGITEM kPufferItems[] = {{kTab | WS_BORDER, 0, 6, 6, 60, 12, kField, u"EDIT", u"50"}};
const LXDLGTEMPLATE kPuffer = {WS_POPUP, 0, 0, 0, 160, 120, u"ignored", 0, nullptr, 1, kPufferItems};
const LXDLGTEMPLATE kCache = {WS_POPUP, 0, 0, 0, 160, 120, u"Cache", 0, nullptr, 0, nullptr};
const LXRESOURCE kResources[] = {{RT_DIALOG, kFlagsId, &kFlags, sizeof kFlags}};
LX_RESOURCE_TABLE(kResources);

PROPSHEETPAGEW Page(DLGPROC proc, LPARAM param) {
  PROPSHEETPAGEW p{};
  p.dwSize = sizeof p;
  p.pfnDlgProc = proc;
  p.lParam = param;
  return p;
}

// The three pages: Flags from the resource table, Puffer and Cache from templates in memory.
struct Pages {
  PROPSHEETPAGEW p[3];
  Pages() {
    p[0] = Page(FlagsProc, 111);
    p[0].pszTemplate = MAKEINTRESOURCEW(kFlagsId);
    p[1] = Page(PufferProc, 222);
    p[1].dwFlags = PSP_DLGINDIRECT | PSP_USETITLE;
    p[1].pResource = &kPuffer;
    p[1].pszTitle = u"Puffer";
    p[2] = Page(CacheProc, 333);
    p[2].dwFlags = PSP_DLGINDIRECT | PSP_USECALLBACK;
    p[2].pResource = &kCache;
    p[2].pfnCallback = CachePageCallback;
  }
};

// A sheet on a UI thread of its own, owned by a window of that thread.
class SheetRun {
 public:
  explicit SheetRun(DWORD flags = PSH_MAXIMIZE | PSH_USECALLBACK, UINT start = 0, int version = COMCTL32_VERSION) {
    Forget();
    gVersion = version;
    thread_ = std::thread([=, this] {
      owner_ = MakeOwner();
      Pages pages;
      PROPSHEETHEADERW h{};
      h.dwSize = sizeof h;
      h.dwFlags = flags | PSH_PROPSHEETPAGE;
      h.hwndParent = owner_;
      h.pszCaption = u"Konfigurieren";
      h.nPages = 3;
      h.nStartPage = start;
      h.ppsp = pages.p;
      h.pfnCallback = SheetCallback;
      result_ = PropertySheetW(&h);
      ownerEnabledAfter_ = IsWindowEnabled(owner_);
      DestroyWindow(owner_);
    });
    ModalRun::Settle();
  }
  ~SheetRun() {
    if (!thread_.joinable()) return;
    // A test that stopped early still closes its sheet.
    gRefuseCancel = false;
    if (HWND s = gSheet.load(); s && IsWindow(s)) PostMessageW(s, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    thread_.join();
  }
  INT_PTR Finish() {
    thread_.join();
    return result_;
  }
  HWND owner() const { return owner_; }
  bool ownerEnabledAfter() const { return ownerEnabledAfter_; }

 private:
  std::thread thread_;
  std::atomic<HWND> owner_{nullptr};
  std::atomic<bool> ownerEnabledAfter_{false};
  INT_PTR result_ = 0;
};

HWND Sheet() { return FrontDialog(); }
HWND Tabs(HWND sheet) { return GetDlgItem(sheet, 12320); }
HWND Current(HWND sheet) { return (HWND)SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0); }

void TapTab(HWND sheet, int i) {
  HWND tab = Tabs(sheet);
  RECT r;
  ASSERT_TRUE(TabCtrl_GetItemRect(tab, i, &r));
  POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  ClientToScreen(tab, &p);
  ModalRun::Tap(p.x, p.y);
}

void Press(HWND sheet, int button) {
  PostMessageW(sheet, PSM_PRESSBUTTON, button, 0);
  ModalRun::Settle();
}

TEST(SheetLife, CallbackTabsAtTheBottomAndTheFirstPageOnly) {
  SheetRun run;
  HWND sheet = Sheet();
  ASSERT_NE(sheet, nullptr) << "the sheet comes to the front";
  EXPECT_EQ(gSheet.load(), sheet) << "PSCB_INITIALIZED names the sheet";
  {
    std::lock_guard lock(gLock);
    ASSERT_GE(gCallbacks.size(), 3u);
    EXPECT_EQ(gCallbacks[0], (UINT)PSCB_GETVERSION) << "the version is asked before anything is made";
    EXPECT_EQ(gCallbacks[1], (UINT)PSCB_PRECREATE);
    EXPECT_EQ(gCallbacks[2], (UINT)PSCB_INITIALIZED);
  }
  EXPECT_FALSE(IsWindowEnabled(run.owner())) << "the owner is disabled while the sheet runs";
  RECT r;
  GetWindowRect(sheet, &r);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.top, 26) << "maximised: below the task bar";
  EXPECT_EQ(r.right, 240);
  EXPECT_EQ(r.bottom, 294);
  WCHAR caption[32];
  GetWindowTextW(sheet, caption, 32);
  EXPECT_EQ(std::u16string((const char16_t*)caption), u"Konfigurieren");

  HWND tab = Tabs(sheet);
  ASSERT_NE(tab, nullptr) << "the tab control is control 12320";
  WCHAR cls[32];
  GetClassNameW(tab, cls, 32);
  EXPECT_EQ(std::u16string((const char16_t*)cls), u"SysTabControl32");
  EXPECT_EQ((HWND)SendMessageW(sheet, PSM_GETTABCONTROL, 0, 0), tab);
  ASSERT_EQ(TabCtrl_GetItemCount(tab), 3);
  WCHAR text[32];
  TCITEMW item{};
  item.mask = TCIF_TEXT;
  item.pszText = text;
  item.cchTextMax = 32;
  std::u16string names;
  for (int i = 0; i < 3; ++i) {
    TabCtrl_GetItem(tab, i, &item);
    names += std::u16string((const char16_t*)text) + u"|";
  }
  EXPECT_EQ(names, u"Flags|Puffer|Cache|") << "template captions, or the page's own title";

  RECT first;
  TabCtrl_GetItemRect(tab, 0, &first);
  MapWindowPoints(tab, nullptr, (POINT*)&first, 2);
  EXPECT_EQ(first.bottom, 294) << "the tabs moved to the bottom";
  HWND page = Current(sheet);
  ASSERT_NE(page, nullptr);
  RECT pr;
  GetWindowRect(page, &pr);
  EXPECT_LE(pr.bottom, first.top) << "the page sits above the tabs";
  EXPECT_GT(pr.bottom - pr.top, 150) << "and fills the sheet";
  EXPECT_EQ(PixelAt(120, first.top), 0u) << "the line over the tabs is drawn";

  EXPECT_EQ(Order(WM_INITDIALOG), "F") << "only the first page is made";
  EXPECT_EQ(Order(PSN_SETACTIVE), "F");
  for (auto& e : Events())
    if (e.code == WM_INITDIALOG) {
      EXPECT_EQ(e.param, 111) << "WM_INITDIALOG carries the page record";
    }
  EXPECT_EQ(GetFocus(), GetDlgItem(page, kCheck)) << "the focus starts on the page";

  Press(sheet, PSBTN_OK);
  EXPECT_EQ(run.Finish(), 1);
  EXPECT_EQ(Order(PSN_APPLY), "F") << "pages never shown are not applied";
  EXPECT_TRUE(run.ownerEnabledAfter());
  std::lock_guard lock(gLock);
  EXPECT_EQ(gPageCallbacks, std::vector<UINT>{PSPCB_RELEASE}) << "a page never made is still released";
}

TEST(SheetLife, SwitchingPagesAndApplyingEveryPageMade) {
  SheetRun run;
  HWND sheet = Sheet();
  ASSERT_NE(sheet, nullptr);
  HWND flags = Current(sheet);
  TapTab(sheet, 1);
  EXPECT_EQ(Order(PSN_KILLACTIVE), "F");
  EXPECT_EQ(Order(PSN_SETACTIVE), "FP");
  EXPECT_EQ(Count('P', WM_INITDIALOG), 1);
  HWND puffer = Current(sheet);
  ASSERT_NE(puffer, flags);
  EXPECT_TRUE(IsWindowVisible(puffer));
  EXPECT_FALSE(IsWindowVisible(flags)) << "the page left is hidden";
  EXPECT_TRUE(IsWindow(flags)) << "and kept";
  for (auto& e : Events())
    if (e.page == 'P' && e.code == WM_INITDIALOG) {
      EXPECT_EQ(e.param, 222);
    }

  TapTab(sheet, 0);
  EXPECT_EQ(Current(sheet), flags);
  EXPECT_EQ(Count('F', WM_INITDIALOG), 1) << "a page is made once";
  EXPECT_TRUE(SendMessageW(sheet, PSM_SETCURSEL, 2, 0)) << "the program switches pages too";
  EXPECT_EQ(TabCtrl_GetCurSel(Tabs(sheet)), 2);
  EXPECT_EQ(Order(PSN_SETACTIVE), "FPFC");

  Press(sheet, PSBTN_OK);
  EXPECT_EQ(run.Finish(), 1);
  EXPECT_EQ(Order(PSN_APPLY), "FPC") << "every page made is applied";
  for (auto& e : Events())
    if (e.code == PSN_APPLY) {
      EXPECT_EQ(e.param, TRUE) << "lParam says the sheet closes";
    }
  EXPECT_EQ(Order(PSN_RESET), "");
  EXPECT_TRUE(run.ownerEnabledAfter());
}

TEST(SheetLife, APageMayPassItsTurnOnOrNameAnother) {
  SheetRun run;
  HWND sheet = Sheet();
  ASSERT_NE(sheet, nullptr);
  gPufferActivation = -1;
  TapTab(sheet, 1);
  EXPECT_EQ(TabCtrl_GetCurSel(Tabs(sheet)), 2) << "-1 passes on to the next page";
  EXPECT_EQ(Order(PSN_SETACTIVE), "FPC");
  EXPECT_TRUE(IsWindowVisible(Current(sheet)));
  gPufferActivation = kFlagsId;
  TapTab(sheet, 1);
  EXPECT_EQ(TabCtrl_GetCurSel(Tabs(sheet)), 0) << "a template id names the page to show";
  EXPECT_EQ(Order(PSN_SETACTIVE), "FPCPF");
  Press(sheet, PSBTN_CANCEL);
  EXPECT_EQ(run.Finish(), 0);
}

TEST(SheetLife, VetoesKeepThePageAndTheSheetUntilCancel) {
  SheetRun run;
  HWND sheet = Sheet();
  ASSERT_NE(sheet, nullptr);
  TapTab(sheet, 1);
  HWND puffer = Current(sheet);
  gRefuseKill = true;
  TapTab(sheet, 2);
  EXPECT_EQ(Current(sheet), puffer) << "PSN_KILLACTIVE answering TRUE keeps the page";
  EXPECT_EQ(TabCtrl_GetCurSel(Tabs(sheet)), 1) << "and its tab";
  EXPECT_EQ(Count('C', WM_INITDIALOG), 0);
  EXPECT_FALSE(SendMessageW(sheet, PSM_SETCURSEL, 0, 0));
  gRefuseKill = false;

  gApplyAnswer = PSNRET_INVALID_NOCHANGEPAGE;
  Press(sheet, PSBTN_OK);
  EXPECT_TRUE(IsWindow(sheet)) << "a page refusing the values keeps the sheet open";
  EXPECT_EQ(Current(sheet), puffer);
  EXPECT_FALSE(IsWindowEnabled(run.owner()));
  gApplyAnswer = PSNRET_NOERROR;

  gRefuseCancel = true;
  ModalRun::Key(VK_ESCAPE);
  EXPECT_TRUE(IsWindow(sheet)) << "PSN_QUERYCANCEL answering TRUE keeps the sheet";
  EXPECT_EQ(Order(PSN_RESET), "");
  gRefuseCancel = false;
  ModalRun::Key(VK_ESCAPE);
  EXPECT_EQ(run.Finish(), 0) << "Escape cancels";
  EXPECT_EQ(Order(PSN_RESET), "FP") << "every page made is reset";
  EXPECT_EQ(Count('P', PSN_APPLY), 1) << "the values were never taken after the refusal";
  EXPECT_TRUE(run.ownerEnabledAfter());
}

TEST(SheetLife, KeysMoveThroughThePageAndItsButtonsPressTheSheets) {
  SheetRun run;
  HWND sheet = Sheet();
  ASSERT_NE(sheet, nullptr);
  HWND page = Current(sheet);
  EXPECT_EQ(GetFocus(), GetDlgItem(page, kCheck));
  ModalRun::Key(VK_TAB);
  EXPECT_EQ(GetFocus(), GetDlgItem(page, kDefault)) << "Tab moves within the page";
  ModalRun::Key(VK_RETURN);
  EXPECT_EQ(Count('F', kDefault), 1) << "Enter on a page's button is that button's";
  EXPECT_TRUE(IsWindow(sheet));
  ModalRun::Key(VK_TAB);
  ModalRun::Key(VK_TAB);
  EXPECT_EQ(GetFocus(), GetDlgItem(page, IDCANCEL));
  ModalRun::Key(VK_RETURN);  // the page's Abbrechen presses the sheet's Cancel
  EXPECT_EQ(run.Finish(), 0);
  EXPECT_EQ(Order(PSN_RESET), "F");

  SheetRun again(PSH_MAXIMIZE | PSH_USECALLBACK, 1);
  sheet = Sheet();
  ASSERT_NE(sheet, nullptr);
  EXPECT_EQ(Order(PSN_SETACTIVE), "P") << "nStartPage picks the first page shown";
  ModalRun::Key(VK_RETURN);  // the focus is in the edit field: Enter is OK
  EXPECT_EQ(again.Finish(), 1);
  EXPECT_EQ(Order(PSN_APPLY), "P");
}

TEST(SheetLife, WithoutTheVersionAnswerButtonsSitBelowWithApply) {
  SheetRun run(PSH_USECALLBACK, 0, 0);
  HWND sheet = Sheet();
  ASSERT_NE(sheet, nullptr);
  HWND ok = GetDlgItem(sheet, IDOK), cancel = GetDlgItem(sheet, IDCANCEL), apply = GetDlgItem(sheet, 0x3021);
  ASSERT_TRUE(ok && cancel && apply);
  EXPECT_FALSE(IsWindowEnabled(apply)) << "nothing to apply yet";
  RECT a, t;
  GetWindowRect(apply, &a);
  GetWindowRect(Tabs(sheet), &t);
  EXPECT_GE(a.top, t.bottom) << "the buttons sit below the pages";
  HWND page = Current(sheet);
  TapTab(sheet, 1);
  page = Current(sheet);
  SendDlgItemMessageW(page, kField, WM_CHAR, '0', 1);
  ModalRun::Settle();
  EXPECT_TRUE(IsWindowEnabled(apply)) << "PSM_CHANGED enables Apply";
  Press(sheet, PSBTN_APPLYNOW);
  EXPECT_TRUE(IsWindow(sheet)) << "Apply keeps the sheet";
  EXPECT_EQ(Order(PSN_APPLY), "FP");
  for (auto& e : Events())
    if (e.code == PSN_APPLY) {
      EXPECT_EQ(e.param, FALSE);
    }
  EXPECT_FALSE(IsWindowEnabled(apply));
  RECT c;
  GetWindowRect(cancel, &c);
  ModalRun::Tap((c.left + c.right) / 2, (c.top + c.bottom) / 2);
  EXPECT_EQ(run.Finish(), 0);
}

TEST(SheetLife, BadSheetsAnswerMinusOneAndReleaseTheirPages) {
  Forget();
  EXPECT_EQ(PropertySheetW(nullptr), -1);
  Pages pages;
  PROPSHEETHEADERW h{};
  h.dwSize = sizeof h;
  h.dwFlags = PSH_PROPSHEETPAGE;
  h.ppsp = pages.p;
  EXPECT_EQ(PropertySheetW(&h), -1) << "no pages";
  h.nPages = 3;
  pages.p[1].pResource = nullptr;
  pages.p[1].dwFlags = PSP_USETITLE;
  pages.p[1].pszTemplate = MAKEINTRESOURCEW(999);
  EXPECT_EQ(PropertySheetW(&h), -1) << "a page without a template";
  {
    std::lock_guard lock(gLock);
    EXPECT_EQ(gPageCallbacks, std::vector<UINT>{PSPCB_RELEASE});
  }
  PROPSHEETPAGEW tiny = Page(FlagsProc, 0);
  tiny.dwSize = 8;
  EXPECT_EQ(CreatePropertySheetPageW(&tiny), nullptr) << "a record too short to hold a page";

  // A page made by handle and never given to a sheet is released by its owner.
  HPROPSHEETPAGE handle = CreatePropertySheetPageW(&pages.p[2]);
  ASSERT_NE(handle, nullptr);
  EXPECT_TRUE(DestroyPropertySheetPage(handle));
  std::lock_guard lock(gLock);
  EXPECT_EQ(gPageCallbacks.size(), 2u);
}

}  // namespace
