// Common controls: tab control, trackbar, up-down, progress bar (property sheets
// in prsht.h); notifications by WM_NOTIFY.
#pragma once
#include "windows.h"

typedef struct tagNMHDR {
  HWND hwndFrom;
  UINT_PTR idFrom;
  UINT code;
} NMHDR, *LPNMHDR;

typedef struct tagINITCOMMONCONTROLSEX {
  DWORD dwSize;
  DWORD dwICC;
} INITCOMMONCONTROLSEX, *LPINITCOMMONCONTROLSEX;
#define ICC_LISTVIEW_CLASSES 0x00000001
#define ICC_TREEVIEW_CLASSES 0x00000002
#define ICC_BAR_CLASSES 0x00000004
#define ICC_TAB_CLASSES 0x00000008
#define ICC_UPDOWN_CLASS 0x00000010
#define ICC_PROGRESS_CLASS 0x00000020
// The classes are always registered; these only answer that they are.
WINUSERAPI void InitCommonControls(void);
WINUSERAPI BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* icc);

// Notification codes share one space, each control its own range.
#define NM_FIRST (0U - 0U)
#define NM_CLICK (NM_FIRST - 2)
#define NM_DBLCLK (NM_FIRST - 3)
#define NM_RETURN (NM_FIRST - 4)
#define NM_SETFOCUS (NM_FIRST - 7)
#define NM_KILLFOCUS (NM_FIRST - 8)
#define UDN_FIRST (0U - 721U)
#define TBN_FIRST (0U - 700U)
#define LVN_FIRST (0U - 100U)
#define TCN_FIRST (0U - 550U)
#define PSN_FIRST (0U - 200U)

// ---- Tab control ----

#define WC_TABCONTROLW u"SysTabControl32"
#define WC_TABCONTROL WC_TABCONTROLW
#define TCS_SCROLLOPPOSITE 0x0001
#define TCS_BOTTOM 0x0002  // tabs below the pages, as the Pocket PC shows them
#define TCS_RIGHT 0x0002
#define TCS_FLATBUTTONS 0x0008
#define TCS_FORCEICONLEFT 0x0010
#define TCS_FORCELABELLEFT 0x0020
#define TCS_HOTTRACK 0x0040
#define TCS_VERTICAL 0x0080
#define TCS_TABS 0x0000
#define TCS_BUTTONS 0x0100
#define TCS_SINGLELINE 0x0000
#define TCS_MULTILINE 0x0200
#define TCS_RIGHTJUSTIFY 0x0000
#define TCS_FIXEDWIDTH 0x0400
#define TCS_RAGGEDRIGHT 0x0800
#define TCS_FOCUSONBUTTONDOWN 0x1000
#define TCS_OWNERDRAWFIXED 0x2000
#define TCS_TOOLTIPS 0x4000
#define TCS_FOCUSNEVER 0x8000
#define TCIF_TEXT 0x0001
#define TCIF_IMAGE 0x0002
#define TCIF_RTLREADING 0x0004
#define TCIF_PARAM 0x0008
#define TCIF_STATE 0x0010
#define TCIS_BUTTONPRESSED 0x0001
#define TCIS_HIGHLIGHTED 0x0002
typedef struct tagTCITEMW {
  UINT mask;
  DWORD dwState;
  DWORD dwStateMask;
  LPWSTR pszText;
  int cchTextMax;
  int iImage;
  LPARAM lParam;
} TCITEMW, *LPTCITEMW;
typedef TCITEMW TCITEM;
#define TCHT_NOWHERE 0x0001
#define TCHT_ONITEMICON 0x0002
#define TCHT_ONITEMLABEL 0x0004
#define TCHT_ONITEM (TCHT_ONITEMICON | TCHT_ONITEMLABEL)
typedef struct tagTCHITTESTINFO {
  POINT pt;
  UINT flags;
} TCHITTESTINFO, *LPTCHITTESTINFO;
typedef struct tagTCKEYDOWN {
  NMHDR hdr;
  WORD wVKey;
  UINT flags;
} NMTCKEYDOWN;
#define TCM_FIRST 0x1300
#define TCM_GETIMAGELIST (TCM_FIRST + 2)
#define TCM_SETIMAGELIST (TCM_FIRST + 3)
#define TCM_GETITEMCOUNT (TCM_FIRST + 4)
#define TCM_DELETEITEM (TCM_FIRST + 8)
#define TCM_DELETEALLITEMS (TCM_FIRST + 9)
#define TCM_GETITEMRECT (TCM_FIRST + 10)  // lParam RECT*, in client coordinates
#define TCM_GETCURSEL (TCM_FIRST + 11)
#define TCM_SETCURSEL (TCM_FIRST + 12)    // no notification; the previous selection or -1
#define TCM_HITTEST (TCM_FIRST + 13)
#define TCM_SETITEMEXTRA (TCM_FIRST + 14)
// wParam FALSE: the control's rectangle in, the page area out; TRUE: the reverse.
#define TCM_ADJUSTRECT (TCM_FIRST + 40)
#define TCM_SETITEMSIZE (TCM_FIRST + 41)
#define TCM_SETPADDING (TCM_FIRST + 43)
#define TCM_GETROWCOUNT (TCM_FIRST + 44)
#define TCM_GETCURFOCUS (TCM_FIRST + 47)
#define TCM_SETCURFOCUS (TCM_FIRST + 48)
#define TCM_GETITEMW (TCM_FIRST + 60)
#define TCM_SETITEMW (TCM_FIRST + 61)
#define TCM_INSERTITEMW (TCM_FIRST + 62)
#define TCM_GETITEM TCM_GETITEMW
#define TCM_SETITEM TCM_SETITEMW
#define TCM_INSERTITEM TCM_INSERTITEMW
#define TCN_KEYDOWN (TCN_FIRST - 0)
#define TCN_SELCHANGE (TCN_FIRST - 1)
#define TCN_SELCHANGING (TCN_FIRST - 2)  // answering TRUE keeps the selection
static inline int TabCtrl_GetItemCount(HWND h) { return (int)SendMessageW(h, TCM_GETITEMCOUNT, 0, 0); }
static inline BOOL TabCtrl_GetItem(HWND h, int i, TCITEMW* item) {
  return (BOOL)SendMessageW(h, TCM_GETITEMW, (WPARAM)i, (LPARAM)item);
}
static inline BOOL TabCtrl_SetItem(HWND h, int i, const TCITEMW* item) {
  return (BOOL)SendMessageW(h, TCM_SETITEMW, (WPARAM)i, (LPARAM)item);
}
static inline int TabCtrl_InsertItem(HWND h, int i, const TCITEMW* item) {
  return (int)SendMessageW(h, TCM_INSERTITEMW, (WPARAM)i, (LPARAM)item);
}
static inline BOOL TabCtrl_DeleteItem(HWND h, int i) { return (BOOL)SendMessageW(h, TCM_DELETEITEM, (WPARAM)i, 0); }
static inline BOOL TabCtrl_DeleteAllItems(HWND h) { return (BOOL)SendMessageW(h, TCM_DELETEALLITEMS, 0, 0); }
static inline BOOL TabCtrl_GetItemRect(HWND h, int i, RECT* r) {
  return (BOOL)SendMessageW(h, TCM_GETITEMRECT, (WPARAM)i, (LPARAM)r);
}
static inline int TabCtrl_GetCurSel(HWND h) { return (int)SendMessageW(h, TCM_GETCURSEL, 0, 0); }
static inline int TabCtrl_SetCurSel(HWND h, int i) { return (int)SendMessageW(h, TCM_SETCURSEL, (WPARAM)i, 0); }
static inline int TabCtrl_HitTest(HWND h, TCHITTESTINFO* info) {
  return (int)SendMessageW(h, TCM_HITTEST, 0, (LPARAM)info);
}
static inline void TabCtrl_AdjustRect(HWND h, BOOL larger, RECT* r) {
  SendMessageW(h, TCM_ADJUSTRECT, (WPARAM)larger, (LPARAM)r);
}
static inline int TabCtrl_GetRowCount(HWND h) { return (int)SendMessageW(h, TCM_GETROWCOUNT, 0, 0); }
static inline int TabCtrl_GetCurFocus(HWND h) { return (int)SendMessageW(h, TCM_GETCURFOCUS, 0, 0); }
static inline void TabCtrl_SetCurFocus(HWND h, int i) { SendMessageW(h, TCM_SETCURFOCUS, (WPARAM)i, 0); }

// ---- Property sheets ----
#include "prsht.h"

// Trackbar
#define TRACKBAR_CLASSW u"msctls_trackbar32"
#define TRACKBAR_CLASS TRACKBAR_CLASSW
#define TBS_AUTOTICKS 0x0001
#define TBS_VERT 0x0002
#define TBS_HORZ 0x0000
#define TBS_TOP 0x0004
#define TBS_BOTTOM 0x0000
#define TBS_LEFT 0x0004
#define TBS_RIGHT 0x0000
#define TBS_BOTH 0x0008
#define TBS_NOTICKS 0x0010
#define TBS_ENABLESELRANGE 0x0020
#define TBS_FIXEDLENGTH 0x0040
#define TBS_NOTHUMB 0x0080
#define TBM_GETPOS (WM_USER)
#define TBM_GETRANGEMIN (WM_USER + 1)
#define TBM_GETRANGEMAX (WM_USER + 2)
#define TBM_SETPOS (WM_USER + 5)
#define TBM_SETRANGE (WM_USER + 6)
#define TBM_SETRANGEMIN (WM_USER + 7)
#define TBM_SETRANGEMAX (WM_USER + 8)
#define TBM_SETTICFREQ (WM_USER + 20)
#define TBM_SETPAGESIZE (WM_USER + 21)
#define TBM_GETPAGESIZE (WM_USER + 22)
#define TBM_SETLINESIZE (WM_USER + 23)
#define TBM_GETLINESIZE (WM_USER + 24)
#define TBM_GETTHUMBRECT (WM_USER + 25)
#define TBM_GETCHANNELRECT (WM_USER + 26)
#define TB_LINEUP 0
#define TB_LINEDOWN 1
#define TB_PAGEUP 2
#define TB_PAGEDOWN 3
#define TB_THUMBPOSITION 4
#define TB_THUMBTRACK 5
#define TB_TOP 6
#define TB_BOTTOM 7
#define TB_ENDTRACK 8

// Up-down
#define UPDOWN_CLASSW u"msctls_updown32"
#define UPDOWN_CLASS UPDOWN_CLASSW
#define UDS_WRAP 0x0001
#define UDS_SETBUDDYINT 0x0002
#define UDS_ALIGNRIGHT 0x0004
#define UDS_ALIGNLEFT 0x0008
#define UDS_AUTOBUDDY 0x0010
#define UDS_ARROWKEYS 0x0020
#define UDS_HORZ 0x0040
#define UDS_NOTHOUSANDS 0x0080
#define UD_MAXVAL 0x7fff
#define UD_MINVAL (-UD_MAXVAL)
#define UDM_SETRANGE (WM_USER + 101)
#define UDM_GETRANGE (WM_USER + 102)
#define UDM_SETPOS (WM_USER + 103)
#define UDM_GETPOS (WM_USER + 104)
#define UDM_SETBUDDY (WM_USER + 105)
#define UDM_GETBUDDY (WM_USER + 106)
#define UDM_SETRANGE32 (WM_USER + 111)
#define UDM_GETRANGE32 (WM_USER + 112)
#define UDM_SETPOS32 (WM_USER + 113)
#define UDM_GETPOS32 (WM_USER + 114)
#define UDN_DELTAPOS (UDN_FIRST - 1)
typedef struct _NM_UPDOWN {
  NMHDR hdr;
  int iPos;
  int iDelta;
} NMUPDOWN, *LPNMUPDOWN;
WINUSERAPI HWND CreateUpDownControl(DWORD style, int x, int y, int cx, int cy, HWND parent, int id,
                                    HINSTANCE instance, HWND buddy, int upper, int lower, int pos);

// Progress bar
#define PROGRESS_CLASSW u"msctls_progress32"
#define PROGRESS_CLASS PROGRESS_CLASSW
#define PBS_SMOOTH 0x01
#define PBS_VERTICAL 0x04
#define PBM_SETRANGE (WM_USER + 1)
#define PBM_SETPOS (WM_USER + 2)
#define PBM_DELTAPOS (WM_USER + 3)
#define PBM_SETSTEP (WM_USER + 4)
#define PBM_STEPIT (WM_USER + 5)
#define PBM_SETRANGE32 (WM_USER + 6)
#define PBM_GETRANGE (WM_USER + 7)
#define PBM_GETPOS (WM_USER + 8)
typedef struct {
  int iLow;
  int iHigh;
} PBRANGE, *PPBRANGE;
