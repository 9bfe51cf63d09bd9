// The Pocket PC shell: the menu bar at the bottom of the screen, full-screen
// dialogs and the input panel.
#pragma once
#include "commctrl.h"
#include "windows.h"

// Menu bar
#define SHCMBF_EMPTYBAR 0x0001
#define SHCMBF_HIDDEN 0x0002
#define SHCMBF_HIDESIPBUTTON 0x0004
#define SHCMBF_COLORBK 0x0008
#define SHCMBF_HMENU 0x0010
typedef struct tagSHMENUBARINFO {
  DWORD cbSize;
  HWND hwndParent;
  DWORD dwFlags;
  UINT nToolBarId;   // the menu-bar resource (LXMENUBARTEMPLATE), or with SHCMBF_HMENU a menu resource
  HINSTANCE hInstRes;
  int nBmpId;
  int cBmpImages;
  HWND hwndMB;       // out: the menu bar
  COLORREF clrBk;
} SHMENUBARINFO, *PSHMENUBARINFO;
WINUSERAPI BOOL SHCreateMenuBar(SHMENUBARINFO* info);
WINUSERAPI HWND SHFindMenuBar(HWND parent);
WINUSERAPI BOOL CommandBar_Destroy(HWND menuBar);
#define SHCMBM_SETSUBMENU (WM_USER + 400)  // wParam: button id, lParam: HMENU
#define SHCMBM_GETSUBMENU (WM_USER + 401)  // lParam: button id -> the drop-down's HMENU
#define SHCMBM_GETMENU (WM_USER + 403)     // -> the whole menu
// Toolbar messages the menu bar answers for its buttons.
#define TB_ENABLEBUTTON (WM_USER + 1)
#define TB_CHECKBUTTON (WM_USER + 2)
#define TB_PRESSBUTTON (WM_USER + 3)
#define TB_HIDEBUTTON (WM_USER + 4)
#define TB_ISBUTTONENABLED (WM_USER + 9)
#define TB_GETSTATE (WM_USER + 18)
#define TB_SETSTATE (WM_USER + 17)
#define TB_BUTTONCOUNT (WM_USER + 24)
#define TBSTATE_CHECKED 0x01
#define TBSTATE_PRESSED 0x02
#define TBSTATE_ENABLED 0x04
#define TBSTATE_HIDDEN 0x08
#define TBSTYLE_BUTTON 0x0000
#define TBSTYLE_SEP 0x0001
#define TBSTYLE_CHECK 0x0002
#define TBSTYLE_GROUP 0x0004
#define TBSTYLE_DROPDOWN 0x0008
#define TBSTYLE_AUTOSIZE 0x0010
#define BTNS_BUTTON TBSTYLE_BUTTON
#define BTNS_DROPDOWN TBSTYLE_DROPDOWN
#define BTNS_AUTOSIZE TBSTYLE_AUTOSIZE

// Full-screen dialogs
#define SHIDIM_FLAGS 0x0001
#define SHIDIF_DONEBUTTON 0x0001
#define SHIDIF_SIZEDLG 0x0002
#define SHIDIF_SIZEDLGFULLSCREEN 0x0004
#define SHIDIF_SIPDOWN 0x0008
#define SHIDIF_FULLSCREENNOMENUBAR 0x0010
#define SHIDIF_EMPTYMENU 0x0020
typedef struct tagSHINITDLGINFO {
  DWORD dwMask;
  HWND hDlg;
  DWORD dwFlags;
} SHINITDLGINFO, *PSHINITDLGINFO;
WINUSERAPI BOOL SHInitDialog(PSHINITDLGINFO info);

// Input panel
typedef enum tagSIPSTATE { SIP_UP = 0, SIP_DOWN, SIP_FORCEDOWN, SIP_UNCHANGED, SIP_INPUTDIALOG } SIPSTATE;
WINUSERAPI BOOL SHSipPreference(HWND hwnd, SIPSTATE state);
#define SHFS_SHOWTASKBAR 0x0001
#define SHFS_HIDETASKBAR 0x0002
#define SHFS_SHOWSIPBUTTON 0x0004
#define SHFS_HIDESIPBUTTON 0x0008
#define SHFS_SHOWSTARTICON 0x0010
#define SHFS_HIDESTARTICON 0x0020
WINUSERAPI BOOL SHFullScreen(HWND hwnd, DWORD state);
