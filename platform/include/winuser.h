// Windows, messages, input, painting entry points, resources and message boxes.
// Pointers travel in window longs on this platform, so the window-long calls
// take and return LONG_PTR (the device's 32-bit LONG cannot hold a pointer here).
#pragma once
#include "windef.h"

typedef LRESULT(CALLBACK* WNDPROC)(HWND, UINT, WPARAM, LPARAM);
typedef void(CALLBACK* TIMERPROC)(HWND, UINT, UINT_PTR, DWORD);
typedef INT_PTR(CALLBACK* DLGPROC)(HWND, UINT, WPARAM, LPARAM);

#define MAKEINTRESOURCEW(i) ((LPWSTR)(ULONG_PTR)((WORD)(i)))
#define MAKEINTRESOURCE(i) MAKEINTRESOURCEW(i)
#define IS_INTRESOURCE(r) ((((ULONG_PTR)(r)) >> 16) == 0)

// Messages
#define WM_NULL 0x0000
#define WM_CREATE 0x0001
#define WM_DESTROY 0x0002
#define WM_MOVE 0x0003
#define WM_SIZE 0x0005
#define WM_ACTIVATE 0x0006
#define WM_SETFOCUS 0x0007
#define WM_KILLFOCUS 0x0008
#define WM_ENABLE 0x000A
#define WM_SETREDRAW 0x000B
#define WM_SETTEXT 0x000C
#define WM_GETTEXT 0x000D
#define WM_GETTEXTLENGTH 0x000E
#define WM_PAINT 0x000F
#define WM_CLOSE 0x0010
#define WM_QUIT 0x0012
#define WM_ERASEBKGND 0x0014
#define WM_SYSCOLORCHANGE 0x0015
#define WM_SHOWWINDOW 0x0018
#define WM_SETTINGCHANGE 0x001A
#define WM_WININICHANGE WM_SETTINGCHANGE
#define WM_SETCURSOR 0x0020
#define WM_MOUSEACTIVATE 0x0021
#define WM_DRAWITEM 0x002B
#define WM_MEASUREITEM 0x002C
#define WM_DELETEITEM 0x002D
#define WM_SETFONT 0x0030
#define WM_GETFONT 0x0031
#define WM_WINDOWPOSCHANGED 0x0047
#define WM_COPYDATA 0x004A  // lParam a COPYDATASTRUCT; also carried to other processes' windows
#define WM_NOTIFY 0x004E
#define WM_NCDESTROY 0x0082
#define WM_HELP 0x0053
#define WM_CONTEXTMENU 0x007B
#define WM_STYLECHANGING 0x007C
#define WM_STYLECHANGED 0x007D  // wParam GWL_STYLE or GWL_EXSTYLE, lParam a STYLESTRUCT
#define WM_GETDLGCODE 0x0087
#define WM_KEYFIRST 0x0100
#define WM_KEYDOWN 0x0100
#define WM_KEYUP 0x0101
#define WM_CHAR 0x0102
#define WM_DEADCHAR 0x0103
#define WM_SYSKEYDOWN 0x0104
#define WM_SYSKEYUP 0x0105
#define WM_SYSCHAR 0x0106
#define WM_KEYLAST 0x0108
#define WM_INITDIALOG 0x0110
#define WM_COMMAND 0x0111
#define WM_SYSCOMMAND 0x0112
#define WM_TIMER 0x0113
#define WM_HSCROLL 0x0114
#define WM_VSCROLL 0x0115
#define WM_INITMENUPOPUP 0x0117
#define WM_MENUSELECT 0x011F
#define WM_ENTERIDLE 0x0121
#define WM_CTLCOLORMSGBOX 0x0132
#define WM_CTLCOLOREDIT 0x0133
#define WM_CTLCOLORLISTBOX 0x0134
#define WM_CTLCOLORBTN 0x0135
#define WM_CTLCOLORDLG 0x0136
#define WM_CTLCOLORSCROLLBAR 0x0137
#define WM_CTLCOLORSTATIC 0x0138
#define WM_MOUSEFIRST 0x0200
#define WM_MOUSEMOVE 0x0200
#define WM_LBUTTONDOWN 0x0201
#define WM_LBUTTONUP 0x0202
#define WM_LBUTTONDBLCLK 0x0203
#define WM_RBUTTONDOWN 0x0204
#define WM_RBUTTONUP 0x0205
#define WM_MOUSELAST 0x0209
#define WM_CAPTURECHANGED 0x0215
#define WM_HOTKEY 0x0312
#define WM_PRINTCLIENT 0x0318
#define WM_USER 0x0400
#define WM_APP 0x8000

// WM_ACTIVATE kinds
#define WA_INACTIVE 0
#define WA_ACTIVE 1
#define WA_CLICKACTIVE 2

// WM_SIZE kinds
#define SIZE_RESTORED 0

// Mouse key state in wParam
#define MK_LBUTTON 0x0001
#define MK_RBUTTON 0x0002
#define MK_SHIFT 0x0004
#define MK_CONTROL 0x0008

// Window styles
#define WS_OVERLAPPED 0x00000000L
#define WS_POPUP 0x80000000L
#define WS_CHILD 0x40000000L
#define WS_MINIMIZE 0x20000000L
#define WS_VISIBLE 0x10000000L
#define WS_DISABLED 0x08000000L
#define WS_CLIPSIBLINGS 0x04000000L
#define WS_CLIPCHILDREN 0x02000000L
#define WS_CAPTION 0x00C00000L
#define WS_BORDER 0x00800000L
#define WS_DLGFRAME 0x00400000L
#define WS_VSCROLL 0x00200000L
#define WS_HSCROLL 0x00100000L
#define WS_SYSMENU 0x00080000L
#define WS_THICKFRAME 0x00040000L
#define WS_GROUP 0x00020000L
#define WS_TABSTOP 0x00010000L
#define WS_MINIMIZEBOX 0x00020000L
#define WS_MAXIMIZEBOX 0x00010000L
#define WS_OVERLAPPEDWINDOW (WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME)
#define WS_EX_DLGMODALFRAME 0x00000001L
#define WS_EX_TOPMOST 0x00000008L
#define WS_EX_WINDOWEDGE 0x00000100L
#define WS_EX_CLIENTEDGE 0x00000200L
#define WS_EX_CONTEXTHELP 0x00000400L
#define WS_EX_CAPTIONOKBTN 0x80000000L
#define WS_EX_NODRAG 0x40000000L
#define WS_EX_CONTROLPARENT 0x00010000L  // keyboard navigation goes through its children
typedef struct tagSTYLESTRUCT {
  DWORD styleOld;
  DWORD styleNew;
} STYLESTRUCT, *LPSTYLESTRUCT;

// Class styles
#define CS_VREDRAW 0x0001
#define CS_HREDRAW 0x0002
#define CS_DBLCLKS 0x0008
#define CS_PARENTDC 0x0080
#define CS_NOCLOSE 0x0200
#define CS_GLOBALCLASS 0x4000

#define CW_USEDEFAULT ((int)0x80000000)

// Show commands
#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_SHOWNOACTIVATE 4
#define SW_SHOW 5
#define SW_MINIMIZE 6
#define SW_SHOWNA 8
#define SW_RESTORE 9

// Window longs; indexes 0 and above address the class's extra bytes.
#define GWL_WNDPROC (-4)
#define GWL_HINSTANCE (-6)
#define GWL_HWNDPARENT (-8)
#define GWL_ID (-12)
#define GWL_STYLE (-16)
#define GWL_EXSTYLE (-20)
#define GWL_USERDATA (-21)
#define DWL_MSGRESULT 0
#define DWL_DLGPROC 4
#define DWL_USER 8
#define DLGWINDOWEXTRA 12

#define HWND_BROADCAST ((HWND)0xffff)
#define HWND_TOP ((HWND)0)
#define HWND_BOTTOM ((HWND)1)
#define HWND_TOPMOST ((HWND)-1)
#define HWND_NOTOPMOST ((HWND)-2)

// SetWindowPos
#define SWP_NOSIZE 0x0001
#define SWP_NOMOVE 0x0002
#define SWP_NOZORDER 0x0004
#define SWP_NOREDRAW 0x0008
#define SWP_NOACTIVATE 0x0010
#define SWP_SHOWWINDOW 0x0040
#define SWP_HIDEWINDOW 0x0080

// PeekMessageW
#define PM_NOREMOVE 0x0000
#define PM_REMOVE 0x0001
#define PM_NOYIELD 0x0002

// InvalidateRect / RedrawWindow
#define RDW_INVALIDATE 0x0001
#define RDW_ERASE 0x0004
#define RDW_ALLCHILDREN 0x0080
#define RDW_UPDATENOW 0x0100

// Hot-key modifiers
#define MOD_ALT 0x0001
#define MOD_CONTROL 0x0002
#define MOD_SHIFT 0x0004
#define MOD_WIN 0x0008
#define MOD_KEYUP 0x1000

// Virtual keys
#define VK_LBUTTON 0x01
#define VK_BACK 0x08
#define VK_TAB 0x09
#define VK_RETURN 0x0D
#define VK_SHIFT 0x10
#define VK_CONTROL 0x11
#define VK_MENU 0x12
#define VK_ESCAPE 0x1B
#define VK_SPACE 0x20
#define VK_PRIOR 0x21
#define VK_NEXT 0x22
#define VK_END 0x23
#define VK_HOME 0x24
#define VK_LEFT 0x25
#define VK_UP 0x26
#define VK_RIGHT 0x27
#define VK_DOWN 0x28
#define VK_DELETE 0x2E
#define VK_LWIN 0x5B
#define VK_F1 0x70
#define VK_F12 0x7B
#define VK_VOLUME_MUTE 0xAD
#define VK_VOLUME_DOWN 0xAE
#define VK_VOLUME_UP 0xAF
#define VK_MEDIA_NEXT_TRACK 0xB0
#define VK_MEDIA_PREV_TRACK 0xB1
#define VK_MEDIA_STOP 0xB2
#define VK_MEDIA_PLAY_PAUSE 0xB3
// The device's application buttons 1 ... 15.
#define VK_APP1 0xC1
#define VK_APP2 0xC2
#define VK_APP3 0xC3
#define VK_APP4 0xC4
#define VK_APP5 0xC5
#define VK_APP6 0xC6

// Message boxes
#define MB_OK 0x00000000L
#define MB_OKCANCEL 0x00000001L
#define MB_ABORTRETRYIGNORE 0x00000002L
#define MB_YESNOCANCEL 0x00000003L
#define MB_YESNO 0x00000004L
#define MB_RETRYCANCEL 0x00000005L
#define MB_TYPEMASK 0x0000000FL
#define MB_ICONHAND 0x00000010L
#define MB_ICONQUESTION 0x00000020L
#define MB_ICONEXCLAMATION 0x00000030L
#define MB_ICONASTERISK 0x00000040L
#define MB_ICONWARNING MB_ICONEXCLAMATION
#define MB_ICONERROR MB_ICONHAND
#define MB_ICONINFORMATION MB_ICONASTERISK
#define MB_ICONSTOP MB_ICONHAND
#define MB_ICONMASK 0x000000F0L
#define MB_DEFBUTTON1 0x00000000L
#define MB_DEFBUTTON2 0x00000100L
#define MB_DEFBUTTON3 0x00000200L
#define MB_DEFMASK 0x00000F00L
#define MB_APPLMODAL 0x00000000L
#define MB_SETFOREGROUND 0x00010000L
#define MB_TOPMOST 0x00040000L
#define IDOK 1
#define IDCANCEL 2
#define IDABORT 3
#define IDRETRY 4
#define IDIGNORE 5
#define IDYES 6
#define IDNO 7

// Cursors
#define IDC_ARROW MAKEINTRESOURCEW(32512)
#define IDC_WAIT MAKEINTRESOURCEW(32514)

// Resource types
#define RT_CURSOR MAKEINTRESOURCEW(1)
#define RT_BITMAP MAKEINTRESOURCEW(2)
#define RT_ICON MAKEINTRESOURCEW(3)
#define RT_MENU MAKEINTRESOURCEW(4)
#define RT_DIALOG MAKEINTRESOURCEW(5)
#define RT_STRING MAKEINTRESOURCEW(6)
#define RT_RCDATA MAKEINTRESOURCEW(10)

// Menu item flags (menu templates and menus)
#define MF_STRING 0x0000
#define MF_ENABLED 0x0000
#define MF_BYCOMMAND 0x0000
#define MF_GRAYED 0x0001
#define MF_DISABLED 0x0002
#define MF_CHECKED 0x0008
#define MF_POPUP 0x0010
#define MF_BYPOSITION 0x0400
#define MF_SEPARATOR 0x0800

// Dialog styles
#define DS_ABSALIGN 0x0001
#define DS_SETFONT 0x0040
#define DS_MODALFRAME 0x0080
#define DS_SETFOREGROUND 0x0200
#define DS_CENTER 0x0800

// SystemParametersInfoW (the idle time-outs are the device's own actions)
#define SPI_GETWORKAREA 48
#define SPI_GETBATTERYIDLETIMEOUT 252
#define SPI_GETEXTERNALIDLETIMEOUT 254
#define SPI_GETWAKEUPIDLETIMEOUT 256

// GetSystemMetrics
#define SM_CXSCREEN 0
#define SM_CYSCREEN 1
#define SM_CXVSCROLL 2
#define SM_CYHSCROLL 3
#define SM_CYCAPTION 4
#define SM_CXBORDER 5
#define SM_CYBORDER 6
#define SM_CXDOUBLECLK 36
#define SM_CYDOUBLECLK 37

// DrawTextW
#define DT_TOP 0x00000000
#define DT_LEFT 0x00000000
#define DT_CENTER 0x00000001
#define DT_RIGHT 0x00000002
#define DT_VCENTER 0x00000004
#define DT_BOTTOM 0x00000008
#define DT_WORDBREAK 0x00000010
#define DT_SINGLELINE 0x00000020
#define DT_EXPANDTABS 0x00000040
#define DT_NOCLIP 0x00000100
#define DT_CALCRECT 0x00000400
#define DT_NOPREFIX 0x00000800
#define DT_END_ELLIPSIS 0x00008000

// System colours
#define COLOR_SCROLLBAR 0
#define COLOR_BACKGROUND 1
#define COLOR_ACTIVECAPTION 2
#define COLOR_WINDOW 5
#define COLOR_WINDOWTEXT 8
#define COLOR_HIGHLIGHT 13
#define COLOR_HIGHLIGHTTEXT 14
#define COLOR_BTNFACE 15
#define COLOR_BTNSHADOW 16
#define COLOR_GRAYTEXT 17
#define COLOR_BTNTEXT 18
#define COLOR_BTNHIGHLIGHT 20
#define COLOR_3DDKSHADOW 21
#define COLOR_3DLIGHT 22
#define COLOR_STATIC 25
#define COLOR_STATICTEXT 26

typedef struct tagWNDCLASSW {
  UINT style;
  WNDPROC lpfnWndProc;
  int cbClsExtra;
  int cbWndExtra;
  HINSTANCE hInstance;
  HICON hIcon;
  HCURSOR hCursor;
  HBRUSH hbrBackground;
  LPCWSTR lpszMenuName;
  LPCWSTR lpszClassName;
} WNDCLASSW, *PWNDCLASSW, *LPWNDCLASSW;
typedef WNDCLASSW WNDCLASS;

typedef struct tagMSG {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD time;
  POINT pt;
} MSG, *PMSG, *LPMSG;

// WM_COPYDATA's block: only valid during the call; SendMessageW only (a post
// cannot carry it).
typedef struct tagCOPYDATASTRUCT {
  ULONG_PTR dwData;
  DWORD cbData;
  PVOID lpData;
} COPYDATASTRUCT, *PCOPYDATASTRUCT;

typedef struct tagCREATESTRUCTW {
  LPVOID lpCreateParams;
  HINSTANCE hInstance;
  HMENU hMenu;
  HWND hwndParent;
  int cy;
  int cx;
  int y;
  int x;
  LONG style;
  LPCWSTR lpszName;
  LPCWSTR lpszClass;
  DWORD dwExStyle;
} CREATESTRUCTW, *LPCREATESTRUCTW;
typedef CREATESTRUCTW CREATESTRUCT;

typedef struct tagPAINTSTRUCT {
  HDC hdc;
  BOOL fErase;
  RECT rcPaint;
  BOOL fRestore;
  BOOL fIncUpdate;
  BYTE rgbReserved[32];
} PAINTSTRUCT, *LPPAINTSTRUCT;

// Windows and classes
WINUSERAPI ATOM RegisterClassW(const WNDCLASSW* wc);
WINUSERAPI BOOL UnregisterClassW(LPCWSTR className, HINSTANCE instance);
WINUSERAPI BOOL GetClassInfoW(HINSTANCE instance, LPCWSTR className, LPWNDCLASSW wc);
WINUSERAPI int GetClassNameW(HWND hwnd, LPWSTR name, int size);
WINUSERAPI HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR title, DWORD style, int x, int y,
                                int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                                LPVOID param);
#define CreateWindowW(c, t, s, x, y, w, h, p, m, i, a) CreateWindowExW(0, c, t, s, x, y, w, h, p, m, i, a)
#define CreateWindow CreateWindowW
WINUSERAPI BOOL DestroyWindow(HWND hwnd);
WINUSERAPI BOOL IsWindow(HWND hwnd);
WINUSERAPI BOOL ShowWindow(HWND hwnd, int cmd);
WINUSERAPI BOOL IsWindowVisible(HWND hwnd);
WINUSERAPI BOOL EnableWindow(HWND hwnd, BOOL enable);
WINUSERAPI BOOL IsWindowEnabled(HWND hwnd);
WINUSERAPI BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint);
WINUSERAPI BOOL SetWindowPos(HWND hwnd, HWND after, int x, int y, int cx, int cy, UINT flags);
WINUSERAPI BOOL GetClientRect(HWND hwnd, LPRECT rect);
WINUSERAPI BOOL GetWindowRect(HWND hwnd, LPRECT rect);
WINUSERAPI BOOL ClientToScreen(HWND hwnd, LPPOINT pt);
WINUSERAPI BOOL ScreenToClient(HWND hwnd, LPPOINT pt);
WINUSERAPI int MapWindowPoints(HWND from, HWND to, LPPOINT pts, UINT count);
WINUSERAPI HWND WindowFromPoint(POINT pt);
WINUSERAPI HWND ChildWindowFromPoint(HWND parent, POINT pt);
WINUSERAPI BOOL SetWindowTextW(HWND hwnd, LPCWSTR text);
WINUSERAPI int GetWindowTextW(HWND hwnd, LPWSTR text, int size);
WINUSERAPI int GetWindowTextLengthW(HWND hwnd);
WINUSERAPI HWND GetParent(HWND hwnd);
WINUSERAPI HWND SetParent(HWND child, HWND parent);
#define GW_HWNDFIRST 0
#define GW_HWNDLAST 1
#define GW_HWNDNEXT 2
#define GW_HWNDPREV 3
#define GW_OWNER 4
#define GW_CHILD 5
WINUSERAPI HWND GetWindow(HWND hwnd, UINT cmd);
WINUSERAPI HWND GetDlgItem(HWND dialog, int id);
WINUSERAPI int GetDlgCtrlID(HWND hwnd);
WINUSERAPI BOOL IsChild(HWND parent, HWND hwnd);
WINUSERAPI HWND FindWindowW(LPCWSTR className, LPCWSTR title);
WINUSERAPI BOOL SetForegroundWindow(HWND hwnd);
WINUSERAPI HWND GetForegroundWindow(void);
WINUSERAPI HWND GetActiveWindow(void);
WINUSERAPI HWND SetActiveWindow(HWND hwnd);
WINUSERAPI HWND SetFocus(HWND hwnd);
WINUSERAPI HWND GetFocus(void);
WINUSERAPI LONG_PTR GetWindowLongW(HWND hwnd, int index);
WINUSERAPI LONG_PTR SetWindowLongW(HWND hwnd, int index, LONG_PTR value);
#define GetWindowLongPtrW GetWindowLongW
#define SetWindowLongPtrW SetWindowLongW
#define GWLP_WNDPROC GWL_WNDPROC
#define GWLP_USERDATA GWL_USERDATA
WINUSERAPI DWORD GetWindowThreadProcessId(HWND hwnd, LPDWORD processId);

// Messages
WINUSERAPI LRESULT SendMessageW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
WINUSERAPI BOOL PostMessageW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
WINUSERAPI BOOL PostThreadMessageW(DWORD threadId, UINT msg, WPARAM wParam, LPARAM lParam);
WINUSERAPI BOOL GetMessageW(LPMSG msg, HWND hwnd, UINT first, UINT last);
WINUSERAPI BOOL PeekMessageW(LPMSG msg, HWND hwnd, UINT first, UINT last, UINT remove);
WINUSERAPI BOOL TranslateMessage(const MSG* msg);
WINUSERAPI LRESULT DispatchMessageW(const MSG* msg);
WINUSERAPI void PostQuitMessage(int exitCode);
WINUSERAPI LRESULT DefWindowProcW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
WINUSERAPI LRESULT CallWindowProcW(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
WINUSERAPI DWORD GetMessagePos(void);
WINUSERAPI LONG GetMessageTime(void);
WINUSERAPI BOOL WaitMessage(void);
WINUSERAPI UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT milliseconds, TIMERPROC proc);
WINUSERAPI BOOL KillTimer(HWND hwnd, UINT_PTR id);

// Painting
WINUSERAPI BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase);
WINUSERAPI BOOL ValidateRect(HWND hwnd, const RECT* rect);
WINUSERAPI BOOL GetUpdateRect(HWND hwnd, LPRECT rect, BOOL erase);
WINUSERAPI BOOL UpdateWindow(HWND hwnd);
WINUSERAPI BOOL RedrawWindow(HWND hwnd, const RECT* rect, HRGN region, UINT flags);
WINUSERAPI HDC BeginPaint(HWND hwnd, LPPAINTSTRUCT ps);
WINUSERAPI BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* ps);
WINUSERAPI HDC GetDC(HWND hwnd);
WINUSERAPI HDC GetWindowDC(HWND hwnd);
WINUSERAPI int ReleaseDC(HWND hwnd, HDC hdc);
WINUSERAPI int FillRect(HDC hdc, const RECT* rect, HBRUSH brush);
WINUSERAPI int DrawTextW(HDC hdc, LPCWSTR text, int count, LPRECT rect, UINT format);
WINUSERAPI DWORD GetSysColor(int index);
WINUSERAPI HBRUSH GetSysColorBrush(int index);

// Input
WINUSERAPI HWND SetCapture(HWND hwnd);
WINUSERAPI BOOL ReleaseCapture(void);
WINUSERAPI HWND GetCapture(void);
WINUSERAPI UINT GetDoubleClickTime(void);
WINUSERAPI SHORT GetKeyState(int vk);
WINUSERAPI SHORT GetAsyncKeyState(int vk);
WINUSERAPI BOOL GetCursorPos(LPPOINT pt);
WINUSERAPI HCURSOR SetCursor(HCURSOR cursor);
WINUSERAPI HCURSOR GetCursor(void);
WINUSERAPI HCURSOR LoadCursorW(HINSTANCE instance, LPCWSTR name);
WINUSERAPI int ShowCursor(BOOL show);
WINUSERAPI HICON LoadIconW(HINSTANCE instance, LPCWSTR name);
WINUSERAPI BOOL RegisterHotKey(HWND hwnd, int id, UINT modifiers, UINT vk);
WINUSERAPI BOOL UnregisterHotKey(HWND hwnd, int id);
// Takes a button away from the shell so that a program can register it.
WINUSERAPI BOOL UnregisterFunc1(UINT modifiers, int vk);
WINUSERAPI BOOL MessageBeep(UINT type);

// Screen
WINUSERAPI int GetSystemMetrics(int index);
WINUSERAPI BOOL SystemParametersInfoW(UINT action, UINT param, PVOID value, UINT winIni);

// Rectangles
WINUSERAPI BOOL SetRect(LPRECT rect, int left, int top, int right, int bottom);
WINUSERAPI BOOL SetRectEmpty(LPRECT rect);
WINUSERAPI BOOL CopyRect(LPRECT dst, const RECT* src);
WINUSERAPI BOOL IsRectEmpty(const RECT* rect);
WINUSERAPI BOOL EqualRect(const RECT* a, const RECT* b);
WINUSERAPI BOOL IntersectRect(LPRECT dst, const RECT* a, const RECT* b);
WINUSERAPI BOOL UnionRect(LPRECT dst, const RECT* a, const RECT* b);
WINUSERAPI BOOL SubtractRect(LPRECT dst, const RECT* a, const RECT* b);
WINUSERAPI BOOL OffsetRect(LPRECT rect, int dx, int dy);
WINUSERAPI BOOL InflateRect(LPRECT rect, int dx, int dy);
WINUSERAPI BOOL PtInRect(const RECT* rect, POINT pt);

// Message boxes (text, caption, MB_ type) -> IDOK, IDYES ...
WINUSERAPI int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);

// Resources. A program's bitmaps and templates are linked into it (see
// lxresource.h for the tables); instance may be the program's or NULL.
WINUSERAPI HBITMAP LoadBitmapW(HINSTANCE instance, LPCWSTR name);
WINUSERAPI HRSRC FindResourceW(HMODULE module, LPCWSTR name, LPCWSTR type);
WINUSERAPI HGLOBAL LoadResource(HMODULE module, HRSRC resource);
WINUSERAPI LPVOID LockResource(HGLOBAL data);
WINUSERAPI DWORD SizeofResource(HMODULE module, HRSRC resource);
WINUSERAPI BOOL FreeResource(HGLOBAL data);
WINUSERAPI int LoadStringW(HINSTANCE instance, UINT id, LPWSTR buffer, int size);

// Upper case by the Unicode simple mapping, unit by unit; CharUpperW also
// takes a single character in the low word of a pointer-sized value.
WINUSERAPI LPWSTR CharUpperW(LPWSTR text);
WINUSERAPI DWORD CharUpperBuffW(LPWSTR text, DWORD length);

#ifdef __cplusplus
// The device's headers spell the wide calls without the W.
#define RegisterClass RegisterClassW
#define CreateWindowEx CreateWindowExW
#define SendMessage SendMessageW
#define PostMessage PostMessageW
#define GetMessage GetMessageW
#define PeekMessage PeekMessageW
#define DispatchMessage DispatchMessageW
#define DefWindowProc DefWindowProcW
#define CallWindowProc CallWindowProcW
#define SetWindowText SetWindowTextW
#define GetWindowText GetWindowTextW
#define FindWindow FindWindowW
#define GetWindowLong GetWindowLongW
#define SetWindowLong SetWindowLongW
#define DrawText DrawTextW
#define MessageBox MessageBoxW
#define LoadBitmap LoadBitmapW
#define LoadCursor LoadCursorW
#define LoadIcon LoadIconW
#define FindResource FindResourceW
#define SystemParametersInfo SystemParametersInfoW
#endif

// The program's entry, defined by each program and called by the platform's
// main() (link the `winmain` library) with the command line that is left
// after the platform's options, host paths converted to device paths.
LX_EXTERN_C int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPWSTR commandLine, int showCommand);
