// Property sheets: a modal window of pages (dialog templates) behind a tab
// control, with OK and Cancel for all pages at once. commctrl.h takes this in.
#pragma once
#include "commctrl.h"
#include "windows.h"

#define MAXPROPPAGES 100

struct _PSP;
typedef struct _PSP* HPROPSHEETPAGE;
struct _PROPSHEETPAGEW;
typedef UINT(CALLBACK* LPFNPSPCALLBACKW)(HWND hwnd, UINT msg, struct _PROPSHEETPAGEW* page);

// Page flags
#define PSP_DEFAULT 0x0000
#define PSP_DLGINDIRECT 0x0001  // pResource is an LXDLGTEMPLATE
#define PSP_USEHICON 0x0002
#define PSP_USEICONID 0x0004
#define PSP_USETITLE 0x0008     // pszTitle names the tab instead of the template's caption
#define PSP_RTLREADING 0x0010
#define PSP_HASHELP 0x0020
#define PSP_USEREFPARENT 0x0040
#define PSP_USECALLBACK 0x0080
#define PSP_PREMATURE 0x0400    // the page is created with the sheet, not when first shown
#define PSPCB_RELEASE 1
#define PSPCB_CREATE 2

typedef struct _PROPSHEETPAGEW {
  DWORD dwSize;  // the sheet copies this many bytes: data may follow the record
  DWORD dwFlags;
  HINSTANCE hInstance;
  union {
    LPCWSTR pszTemplate;
    const void* pResource;
  };
  union {
    HICON hIcon;
    LPCWSTR pszIcon;
  };
  LPCWSTR pszTitle;
  DLGPROC pfnDlgProc;
  LPARAM lParam;
  LPFNPSPCALLBACKW pfnCallback;
  UINT* pcRefParent;
} PROPSHEETPAGEW, *LPPROPSHEETPAGEW;
typedef const PROPSHEETPAGEW* LPCPROPSHEETPAGEW;

// Sheet flags
#define PSH_DEFAULT 0x0000
#define PSH_PROPTITLE 0x0001
#define PSH_USEHICON 0x0002
#define PSH_USEICONID 0x0004
#define PSH_PROPSHEETPAGE 0x0008  // ppsp is an array of PROPSHEETPAGEW, else phpage of handles
#define PSH_WIZARD 0x0020
#define PSH_USEPSTARTPAGE 0x0040
#define PSH_NOAPPLYNOW 0x0080
#define PSH_USECALLBACK 0x0100
#define PSH_HASHELP 0x0200
#define PSH_MODELESS 0x0400
#define PSH_RTLREADING 0x0800
#define PSH_MAXIMIZE 0x2000       // the sheet covers the screen below the task bar

typedef int(CALLBACK* PFNPROPSHEETCALLBACK)(HWND hwnd, UINT msg, LPARAM lParam);
// Callback messages. PSCB_GETVERSION comes first (hwnd NULL): an answer of
// COMCTL32_VERSION or more asks for the Pocket PC look.
#define PSCB_INITIALIZED 1  // lParam: the PROPSHEETHEADERW
#define PSCB_PRECREATE 2    // hwnd NULL, lParam: the sheet's LXDLGTEMPLATE, which may be changed
#define PSCB_GETVERSION 3
#define PSCB_GETTITLE 4     // lParam: a buffer of 256 characters for the title over the pages
#define PSCB_GETLINKTEXT 5
#define COMCTL32_VERSION 0x020c

typedef struct _PROPSHEETHEADERW {
  DWORD dwSize;
  DWORD dwFlags;
  HWND hwndParent;
  HINSTANCE hInstance;
  union {
    HICON hIcon;
    LPCWSTR pszIcon;
  };
  LPCWSTR pszCaption;
  UINT nPages;
  union {
    UINT nStartPage;
    LPCWSTR pStartPage;
  };
  union {
    LPCPROPSHEETPAGEW ppsp;
    HPROPSHEETPAGE* phpage;
  };
  PFNPROPSHEETCALLBACK pfnCallback;
} PROPSHEETHEADERW, *LPPROPSHEETHEADERW;
typedef const PROPSHEETHEADERW* LPCPROPSHEETHEADERW;

// >0 when closed with OK (ID_PSRESTARTWINDOWS or ID_PSREBOOTSYSTEM when a
// page asked for it), 0 when cancelled, -1 on error.
WINUSERAPI INT_PTR PropertySheetW(LPCPROPSHEETHEADERW header);
WINUSERAPI HPROPSHEETPAGE CreatePropertySheetPageW(LPCPROPSHEETPAGEW page);
// Only for pages never handed to a sheet: a sheet destroys its pages itself.
WINUSERAPI BOOL DestroyPropertySheetPage(HPROPSHEETPAGE page);
#define ID_PSRESTARTWINDOWS 0x2
#define ID_PSREBOOTSYSTEM (ID_PSRESTARTWINDOWS | 0x1)

// Notifications to the pages (WM_NOTIFY, lParam a PSHNOTIFY); a page answers
// through DWL_MSGRESULT.
typedef struct _PSHNOTIFY {
  NMHDR hdr;
  LPARAM lParam;
} PSHNOTIFY, *LPPSHNOTIFY;
#define PSN_SETACTIVE (PSN_FIRST - 0)   // 0 shows the page, -1 skips it, a template id jumps there
#define PSN_KILLACTIVE (PSN_FIRST - 1)  // TRUE keeps the page
#define PSN_APPLY (PSN_FIRST - 2)       // lParam TRUE for OK; PSNRET_ answers
#define PSN_RESET (PSN_FIRST - 3)
#define PSN_HELP (PSN_FIRST - 5)
#define PSN_WIZBACK (PSN_FIRST - 6)
#define PSN_WIZNEXT (PSN_FIRST - 7)
#define PSN_WIZFINISH (PSN_FIRST - 8)
#define PSN_QUERYCANCEL (PSN_FIRST - 9)  // TRUE keeps the sheet open
#define PSNRET_NOERROR 0
#define PSNRET_INVALID 1                 // the sheet stays open on the page that refused
#define PSNRET_INVALID_NOCHANGEPAGE 2    // the sheet stays open on the page it showed

// Messages to the sheet
#define PSM_SETCURSEL (WM_USER + 101)  // wParam index, lParam HPROPSHEETPAGE (wins when given)
#define PSM_REMOVEPAGE (WM_USER + 102)
#define PSM_ADDPAGE (WM_USER + 103)
#define PSM_CHANGED (WM_USER + 104)    // wParam the page: enables Apply
#define PSM_RESTARTWINDOWS (WM_USER + 105)
#define PSM_REBOOTSYSTEM (WM_USER + 106)
#define PSM_CANCELTOCLOSE (WM_USER + 107)
#define PSM_QUERYSIBLINGS (WM_USER + 108)
#define PSM_UNCHANGED (WM_USER + 109)
#define PSM_APPLY (WM_USER + 110)
#define PSM_SETWIZBUTTONS (WM_USER + 112)
#define PSM_PRESSBUTTON (WM_USER + 113)
#define PSM_SETCURSELID (WM_USER + 114)
#define PSM_GETTABCONTROL (WM_USER + 116)
#define PSM_ISDIALOGMESSAGE (WM_USER + 117)
#define PSM_GETCURRENTPAGEHWND (WM_USER + 118)
#define PSM_SETTITLEW (WM_USER + 120)
#define PSBTN_BACK 0
#define PSBTN_NEXT 1
#define PSBTN_FINISH 2
#define PSBTN_OK 3
#define PSBTN_APPLYNOW 4
#define PSBTN_CANCEL 5
#define PSBTN_HELP 6

#define PropSheet_SetCurSel(s, hpage, i) SendMessageW(s, PSM_SETCURSEL, (WPARAM)(i), (LPARAM)(hpage))
#define PropSheet_SetCurSelByID(s, id) SendMessageW(s, PSM_SETCURSELID, 0, (LPARAM)(id))
#define PropSheet_Changed(s, page) SendMessageW(s, PSM_CHANGED, (WPARAM)(page), 0)
#define PropSheet_UnChanged(s, page) SendMessageW(s, PSM_UNCHANGED, (WPARAM)(page), 0)
#define PropSheet_PressButton(s, b) PostMessageW(s, PSM_PRESSBUTTON, (WPARAM)(b), 0)
#define PropSheet_GetTabControl(s) ((HWND)SendMessageW(s, PSM_GETTABCONTROL, 0, 0))
#define PropSheet_GetCurrentPageHwnd(s) ((HWND)SendMessageW(s, PSM_GETCURRENTPAGEHWND, 0, 0))
#define PropSheet_QuerySiblings(s, w, l) SendMessageW(s, PSM_QUERYSIBLINGS, (WPARAM)(w), (LPARAM)(l))
#define PropSheet_CancelToClose(s) PostMessageW(s, PSM_CANCELTOCLOSE, 0, 0)
#define PropSheet_RestartWindows(s) SendMessageW(s, PSM_RESTARTWINDOWS, 0, 0)
#define PropSheet_RebootSystem(s) SendMessageW(s, PSM_REBOOTSYSTEM, 0, 0)
#define PropSheet_Apply(s) SendMessageW(s, PSM_APPLY, 0, 0)
#define PropSheet_SetTitle(s, style, text) SendMessageW(s, PSM_SETTITLEW, (WPARAM)(style), (LPARAM)(text))

#ifdef __cplusplus
#define PropertySheet PropertySheetW
#define CreatePropertySheetPage CreatePropertySheetPageW
typedef PROPSHEETPAGEW PROPSHEETPAGE;
typedef PROPSHEETHEADERW PROPSHEETHEADER;
#endif
