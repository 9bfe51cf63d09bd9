// Common controls: tab control, trackbar, up-down, progress bar, image lists and
// the list view (property sheets in prsht.h); notifications by WM_NOTIFY.
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

// ---- Image lists and the list view ----

#ifndef CLR_NONE
#define CLR_NONE 0xFFFFFFFFu
#define CLR_DEFAULT 0xFF000000u
#endif

// Image lists: images of one size kept side by side, each with its mask.
typedef struct _IMAGELIST* HIMAGELIST;
#define ILC_MASK 0x0001
#define ILC_COLOR 0x0000
#define ILC_COLORDDB 0x00FE
#define ILC_COLOR4 0x0004
#define ILC_COLOR8 0x0008
#define ILC_COLOR16 0x0010
#define ILC_COLOR24 0x0018
#define ILC_COLOR32 0x0020
#define ILD_NORMAL 0x0000
#define ILD_TRANSPARENT 0x0001
#define ILD_BLEND25 0x0002
#define ILD_FOCUS ILD_BLEND25
#define ILD_BLEND50 0x0004
#define ILD_SELECTED ILD_BLEND50
#define ILD_BLEND ILD_BLEND50
#define ILD_MASK 0x0010
#define ILD_IMAGE 0x0020
#ifndef LR_DEFAULTCOLOR
#define LR_DEFAULTCOLOR 0x0000
#define LR_MONOCHROME 0x0001
#define LR_LOADFROMFILE 0x0010
#define LR_LOADTRANSPARENT 0x0020
#define LR_CREATEDIBSECTION 0x2000
#define LR_SHARED 0x8000
#endif
WINUSERAPI HIMAGELIST ImageList_Create(int cx, int cy, UINT flags, int initial, int grow);
WINUSERAPI BOOL ImageList_Destroy(HIMAGELIST himl);
WINUSERAPI int ImageList_GetImageCount(HIMAGELIST himl);
WINUSERAPI BOOL ImageList_GetIconSize(HIMAGELIST himl, int* cx, int* cy);
// Adds every image of a strip (its width a multiple of the image width);
// the index of the first, -1 on failure. mask: a monochrome bitmap whose
// white pixels are transparent, or null.
WINUSERAPI int ImageList_Add(HIMAGELIST himl, HBITMAP image, HBITMAP mask);
// The same with the pixels of one colour transparent.
WINUSERAPI int ImageList_AddMasked(HIMAGELIST himl, HBITMAP image, COLORREF mask);
WINUSERAPI BOOL ImageList_Remove(HIMAGELIST himl, int index);  // -1: all
WINUSERAPI BOOL ImageList_Draw(HIMAGELIST himl, int index, HDC dc, int x, int y, UINT style);
WINUSERAPI COLORREF ImageList_SetBkColor(HIMAGELIST himl, COLORREF colour);
WINUSERAPI COLORREF ImageList_GetBkColor(HIMAGELIST himl);
// A strip from a bitmap resource; mask CLR_DEFAULT takes the top-left
// pixel's colour, CLR_NONE makes every pixel opaque.
WINUSERAPI HIMAGELIST ImageList_LoadImageW(HINSTANCE instance, LPCWSTR name, int cx, int grow, COLORREF mask,
                                           UINT type, UINT flags);
#define ImageList_LoadImage ImageList_LoadImageW
#define ImageList_LoadBitmap(hi, bmp, cx, grow, mask) \
  ImageList_LoadImageW(hi, bmp, cx, grow, mask, IMAGE_BITMAP, 0)
#define ImageList_RemoveAll(himl) ImageList_Remove(himl, -1)

// List view (report view only)
#define WC_LISTVIEWW u"SysListView32"
#define WC_LISTVIEW WC_LISTVIEWW
#define LVS_ICON 0x0000
#define LVS_REPORT 0x0001
#define LVS_SMALLICON 0x0002
#define LVS_LIST 0x0003
#define LVS_TYPEMASK 0x0003
#define LVS_SINGLESEL 0x0004
#define LVS_SHOWSELALWAYS 0x0008
#define LVS_SORTASCENDING 0x0010
#define LVS_SORTDESCENDING 0x0020
#define LVS_SHAREIMAGELISTS 0x0040
#define LVS_NOLABELWRAP 0x0080
#define LVS_AUTOARRANGE 0x0100
#define LVS_EDITLABELS 0x0200
#define LVS_OWNERDRAWFIXED 0x0400
#define LVS_ALIGNLEFT 0x0800
#define LVS_OWNERDATA 0x1000
#define LVS_NOSCROLL 0x2000
#define LVS_NOCOLUMNHEADER 0x4000
#define LVS_NOSORTHEADER 0x8000
#define LVS_EX_GRIDLINES 0x00000001
#define LVS_EX_SUBITEMIMAGES 0x00000002
#define LVS_EX_CHECKBOXES 0x00000004
#define LVS_EX_TRACKSELECT 0x00000008
#define LVS_EX_HEADERDRAGDROP 0x00000010
#define LVS_EX_FULLROWSELECT 0x00000020
#define LVS_EX_ONECLICKACTIVATE 0x00000040
#define LVS_EX_TWOCLICKACTIVATE 0x00000080

#define LVM_FIRST 0x1000
#define LVM_GETBKCOLOR (LVM_FIRST + 0)
#define LVM_SETBKCOLOR (LVM_FIRST + 1)
#define LVM_GETIMAGELIST (LVM_FIRST + 2)
#define LVM_SETIMAGELIST (LVM_FIRST + 3)
#define LVM_GETITEMCOUNT (LVM_FIRST + 4)
#define LVM_DELETEITEM (LVM_FIRST + 8)
#define LVM_DELETEALLITEMS (LVM_FIRST + 9)
#define LVM_GETNEXTITEM (LVM_FIRST + 12)
#define LVM_GETITEMRECT (LVM_FIRST + 14)
#define LVM_HITTEST (LVM_FIRST + 18)
#define LVM_ENSUREVISIBLE (LVM_FIRST + 19)
#define LVM_SCROLL (LVM_FIRST + 20)
#define LVM_REDRAWITEMS (LVM_FIRST + 21)
#define LVM_DELETECOLUMN (LVM_FIRST + 28)
#define LVM_GETCOLUMNWIDTH (LVM_FIRST + 29)
#define LVM_SETCOLUMNWIDTH (LVM_FIRST + 30)
#define LVM_GETHEADER (LVM_FIRST + 31)
#define LVM_GETTEXTCOLOR (LVM_FIRST + 35)
#define LVM_SETTEXTCOLOR (LVM_FIRST + 36)
#define LVM_GETTEXTBKCOLOR (LVM_FIRST + 37)
#define LVM_SETTEXTBKCOLOR (LVM_FIRST + 38)
#define LVM_GETTOPINDEX (LVM_FIRST + 39)
#define LVM_GETCOUNTPERPAGE (LVM_FIRST + 40)
#define LVM_UPDATE (LVM_FIRST + 42)
#define LVM_SETITEMSTATE (LVM_FIRST + 43)
#define LVM_GETITEMSTATE (LVM_FIRST + 44)
#define LVM_SORTITEMS (LVM_FIRST + 48)
#define LVM_GETSELECTEDCOUNT (LVM_FIRST + 50)
#define LVM_SETEXTENDEDLISTVIEWSTYLE (LVM_FIRST + 54)
#define LVM_GETEXTENDEDLISTVIEWSTYLE (LVM_FIRST + 55)
#define LVM_GETSUBITEMRECT (LVM_FIRST + 56)
#define LVM_SUBITEMHITTEST (LVM_FIRST + 57)
#define LVM_GETSELECTIONMARK (LVM_FIRST + 66)
#define LVM_SETSELECTIONMARK (LVM_FIRST + 67)
#define LVM_GETITEMW (LVM_FIRST + 75)
#define LVM_SETITEMW (LVM_FIRST + 76)
#define LVM_INSERTITEMW (LVM_FIRST + 77)
#define LVM_FINDITEMW (LVM_FIRST + 83)
#define LVM_GETCOLUMNW (LVM_FIRST + 95)
#define LVM_SETCOLUMNW (LVM_FIRST + 96)
#define LVM_INSERTCOLUMNW (LVM_FIRST + 97)
#define LVM_GETITEMTEXTW (LVM_FIRST + 115)
#define LVM_SETITEMTEXTW (LVM_FIRST + 116)
#define LVM_GETITEM LVM_GETITEMW
#define LVM_SETITEM LVM_SETITEMW
#define LVM_INSERTITEM LVM_INSERTITEMW
#define LVM_FINDITEM LVM_FINDITEMW
#define LVM_GETCOLUMN LVM_GETCOLUMNW
#define LVM_SETCOLUMN LVM_SETCOLUMNW
#define LVM_INSERTCOLUMN LVM_INSERTCOLUMNW
#define LVM_GETITEMTEXT LVM_GETITEMTEXTW
#define LVM_SETITEMTEXT LVM_SETITEMTEXTW

#define LVSIL_NORMAL 0
#define LVSIL_SMALL 1
#define LVSIL_STATE 2

#define LVIF_TEXT 0x0001
#define LVIF_IMAGE 0x0002
#define LVIF_PARAM 0x0004
#define LVIF_STATE 0x0008
#define LVIF_INDENT 0x0010
#define LVIF_NORECOMPUTE 0x0800
#define LVIF_DI_SETITEM 0x1000
#define LVIS_FOCUSED 0x0001
#define LVIS_SELECTED 0x0002
#define LVIS_CUT 0x0004
#define LVIS_DROPHILITED 0x0008
#define LVIS_OVERLAYMASK 0x0F00
#define LVIS_STATEIMAGEMASK 0xF000
#define I_IMAGECALLBACK (-1)
#define LPSTR_TEXTCALLBACKW ((LPWSTR)-1L)
#define LPSTR_TEXTCALLBACK LPSTR_TEXTCALLBACKW
typedef struct tagLVITEMW {
  UINT mask;
  int iItem;
  int iSubItem;
  UINT state;
  UINT stateMask;
  LPWSTR pszText;
  int cchTextMax;
  int iImage;
  LPARAM lParam;
  int iIndent;
} LVITEMW, *LPLVITEMW;
typedef LVITEMW LVITEM;
typedef LVITEMW LV_ITEM;
typedef LPLVITEMW LPLVITEM;

#define LVCF_FMT 0x0001
#define LVCF_WIDTH 0x0002
#define LVCF_TEXT 0x0004
#define LVCF_SUBITEM 0x0008
#define LVCF_IMAGE 0x0010
#define LVCF_ORDER 0x0020
#define LVCFMT_LEFT 0x0000
#define LVCFMT_RIGHT 0x0001
#define LVCFMT_CENTER 0x0002
#define LVCFMT_JUSTIFYMASK 0x0003
#define LVSCW_AUTOSIZE (-1)
#define LVSCW_AUTOSIZE_USEHEADER (-2)
typedef struct tagLVCOLUMNW {
  UINT mask;
  int fmt;
  int cx;
  LPWSTR pszText;
  int cchTextMax;
  int iSubItem;
  int iImage;
  int iOrder;
} LVCOLUMNW, *LPLVCOLUMNW;
typedef LVCOLUMNW LVCOLUMN;
typedef LVCOLUMNW LV_COLUMN;
typedef LPLVCOLUMNW LPLVCOLUMN;

#define LVNI_ALL 0x0000
#define LVNI_FOCUSED 0x0001
#define LVNI_SELECTED 0x0002
#define LVNI_CUT 0x0004
#define LVNI_DROPHILITED 0x0008
#define LVNI_ABOVE 0x0100
#define LVNI_BELOW 0x0200
#define LVNI_TOLEFT 0x0400
#define LVNI_TORIGHT 0x0800

#define LVFI_PARAM 0x0001
#define LVFI_STRING 0x0002
#define LVFI_PARTIAL 0x0008
#define LVFI_WRAP 0x0020
#define LVFI_NEARESTXY 0x0040
typedef struct tagLVFINDINFOW {
  UINT flags;
  LPCWSTR psz;
  LPARAM lParam;
  POINT pt;
  UINT vkDirection;
} LVFINDINFOW, *LPFINDINFOW;
typedef LVFINDINFOW LVFINDINFO;
typedef LVFINDINFOW LV_FINDINFO;

#define LVIR_BOUNDS 0
#define LVIR_ICON 1
#define LVIR_LABEL 2
#define LVIR_SELECTBOUNDS 3

#define LVHT_NOWHERE 0x0001
#define LVHT_ONITEMICON 0x0002
#define LVHT_ONITEMLABEL 0x0004
#define LVHT_ONITEMSTATEICON 0x0008
#define LVHT_ONITEM (LVHT_ONITEMICON | LVHT_ONITEMLABEL | LVHT_ONITEMSTATEICON)
#define LVHT_ABOVE 0x0008
#define LVHT_BELOW 0x0010
#define LVHT_TORIGHT 0x0020
#define LVHT_TOLEFT 0x0040
typedef struct tagLVHITTESTINFO {
  POINT pt;
  UINT flags;
  int iItem;
  int iSubItem;
} LVHITTESTINFO, *LPLVHITTESTINFO;
typedef LVHITTESTINFO LV_HITTESTINFO;

typedef int(CALLBACK* PFNLVCOMPARE)(LPARAM, LPARAM, LPARAM);

#define LVN_ITEMCHANGING (LVN_FIRST - 0)
#define LVN_ITEMCHANGED (LVN_FIRST - 1)
#define LVN_INSERTITEM (LVN_FIRST - 2)
#define LVN_DELETEITEM (LVN_FIRST - 3)
#define LVN_DELETEALLITEMS (LVN_FIRST - 4)
#define LVN_COLUMNCLICK (LVN_FIRST - 8)
#define LVN_BEGINDRAG (LVN_FIRST - 9)
#define LVN_ITEMACTIVATE (LVN_FIRST - 14)
#define LVN_KEYDOWN (LVN_FIRST - 55)
#define LVN_GETDISPINFOW (LVN_FIRST - 77)
#define LVN_SETDISPINFOW (LVN_FIRST - 78)
#define LVN_GETDISPINFO LVN_GETDISPINFOW
#define LVN_SETDISPINFO LVN_SETDISPINFOW
// LVN_GETDISPINFO: the parent fills in what item.mask asks for (text into
// pszText, or pszText pointed at its own), LVIF_DI_SETITEM to have it kept.
typedef struct tagLVDISPINFOW {
  NMHDR hdr;
  LVITEMW item;
} NMLVDISPINFOW, *LPNMLVDISPINFOW;
typedef NMLVDISPINFOW NMLVDISPINFO;
typedef NMLVDISPINFOW LV_DISPINFO;
typedef struct tagNMLISTVIEW {
  NMHDR hdr;
  int iItem;
  int iSubItem;
  UINT uNewState;
  UINT uOldState;
  UINT uChanged;
  POINT ptAction;
  LPARAM lParam;
} NMLISTVIEW, *LPNMLISTVIEW;
typedef NMLISTVIEW NM_LISTVIEW;
// NM_CLICK, NM_DBLCLK and LVN_ITEMACTIVATE: an NMLISTVIEW with the key state after it.
typedef struct tagNMITEMACTIVATE {
  NMHDR hdr;
  int iItem;
  int iSubItem;
  UINT uNewState;
  UINT uOldState;
  UINT uChanged;
  POINT ptAction;
  LPARAM lParam;
  UINT uKeyFlags;
} NMITEMACTIVATE, *LPNMITEMACTIVATE;
#define LVKF_ALT 0x0001
#define LVKF_CONTROL 0x0002
#define LVKF_SHIFT 0x0004
#pragma pack(push, 1)
typedef struct tagLVKEYDOWN {
  NMHDR hdr;
  WORD wVKey;
  UINT flags;
} NMLVKEYDOWN, *LPNMLVKEYDOWN;
#pragma pack(pop)
typedef NMLVKEYDOWN LV_KEYDOWN;

// The ListView_ helpers, as functions so that an unused result is no warning.
#define LX_LV static inline
LX_LV COLORREF ListView_GetBkColor(HWND h) { return (COLORREF)SendMessageW(h, LVM_GETBKCOLOR, 0, 0); }
LX_LV BOOL ListView_SetBkColor(HWND h, COLORREF c) { return (BOOL)SendMessageW(h, LVM_SETBKCOLOR, 0, (LPARAM)c); }
LX_LV COLORREF ListView_GetTextColor(HWND h) { return (COLORREF)SendMessageW(h, LVM_GETTEXTCOLOR, 0, 0); }
LX_LV BOOL ListView_SetTextColor(HWND h, COLORREF c) { return (BOOL)SendMessageW(h, LVM_SETTEXTCOLOR, 0, (LPARAM)c); }
LX_LV BOOL ListView_SetTextBkColor(HWND h, COLORREF c) { return (BOOL)SendMessageW(h, LVM_SETTEXTBKCOLOR, 0, (LPARAM)c); }
LX_LV HIMAGELIST ListView_GetImageList(HWND h, int which) {
  return (HIMAGELIST)SendMessageW(h, LVM_GETIMAGELIST, (WPARAM)which, 0);
}
LX_LV HIMAGELIST ListView_SetImageList(HWND h, HIMAGELIST himl, int which) {
  return (HIMAGELIST)SendMessageW(h, LVM_SETIMAGELIST, (WPARAM)which, (LPARAM)himl);
}
LX_LV int ListView_GetItemCount(HWND h) { return (int)SendMessageW(h, LVM_GETITEMCOUNT, 0, 0); }
LX_LV BOOL ListView_GetItem(HWND h, LVITEMW* item) { return (BOOL)SendMessageW(h, LVM_GETITEMW, 0, (LPARAM)item); }
LX_LV BOOL ListView_SetItem(HWND h, const LVITEMW* item) { return (BOOL)SendMessageW(h, LVM_SETITEMW, 0, (LPARAM)item); }
LX_LV int ListView_InsertItem(HWND h, const LVITEMW* item) { return (int)SendMessageW(h, LVM_INSERTITEMW, 0, (LPARAM)item); }
LX_LV BOOL ListView_DeleteItem(HWND h, int i) { return (BOOL)SendMessageW(h, LVM_DELETEITEM, (WPARAM)i, 0); }
LX_LV BOOL ListView_DeleteAllItems(HWND h) { return (BOOL)SendMessageW(h, LVM_DELETEALLITEMS, 0, 0); }
LX_LV int ListView_GetNextItem(HWND h, int i, UINT flags) {
  return (int)SendMessageW(h, LVM_GETNEXTITEM, (WPARAM)i, MAKELPARAM(flags, 0));
}
LX_LV int ListView_FindItem(HWND h, int start, const LVFINDINFOW* find) {
  return (int)SendMessageW(h, LVM_FINDITEMW, (WPARAM)start, (LPARAM)find);
}
LX_LV BOOL ListView_GetItemRect(HWND h, int i, RECT* rc, int code) {
  if (rc) rc->left = code;
  return (BOOL)SendMessageW(h, LVM_GETITEMRECT, (WPARAM)i, (LPARAM)rc);
}
LX_LV BOOL ListView_GetSubItemRect(HWND h, int i, int sub, int code, RECT* rc) {
  if (rc) rc->top = sub, rc->left = code;
  return (BOOL)SendMessageW(h, LVM_GETSUBITEMRECT, (WPARAM)i, (LPARAM)rc);
}
LX_LV int ListView_HitTest(HWND h, LVHITTESTINFO* info) { return (int)SendMessageW(h, LVM_HITTEST, 0, (LPARAM)info); }
LX_LV int ListView_SubItemHitTest(HWND h, LVHITTESTINFO* info) {
  return (int)SendMessageW(h, LVM_SUBITEMHITTEST, 0, (LPARAM)info);
}
LX_LV BOOL ListView_EnsureVisible(HWND h, int i, BOOL partialOK) {
  return (BOOL)SendMessageW(h, LVM_ENSUREVISIBLE, (WPARAM)i, MAKELPARAM(partialOK, 0));
}
LX_LV BOOL ListView_Scroll(HWND h, int dx, int dy) { return (BOOL)SendMessageW(h, LVM_SCROLL, (WPARAM)dx, (LPARAM)dy); }
LX_LV BOOL ListView_RedrawItems(HWND h, int first, int last) {
  return (BOOL)SendMessageW(h, LVM_REDRAWITEMS, (WPARAM)first, (LPARAM)last);
}
LX_LV BOOL ListView_Update(HWND h, int i) { return (BOOL)SendMessageW(h, LVM_UPDATE, (WPARAM)i, 0); }
LX_LV BOOL ListView_GetColumn(HWND h, int col, LVCOLUMNW* c) {
  return (BOOL)SendMessageW(h, LVM_GETCOLUMNW, (WPARAM)col, (LPARAM)c);
}
LX_LV BOOL ListView_SetColumn(HWND h, int col, const LVCOLUMNW* c) {
  return (BOOL)SendMessageW(h, LVM_SETCOLUMNW, (WPARAM)col, (LPARAM)c);
}
LX_LV int ListView_InsertColumn(HWND h, int col, const LVCOLUMNW* c) {
  return (int)SendMessageW(h, LVM_INSERTCOLUMNW, (WPARAM)col, (LPARAM)c);
}
LX_LV BOOL ListView_DeleteColumn(HWND h, int col) { return (BOOL)SendMessageW(h, LVM_DELETECOLUMN, (WPARAM)col, 0); }
LX_LV int ListView_GetColumnWidth(HWND h, int col) { return (int)SendMessageW(h, LVM_GETCOLUMNWIDTH, (WPARAM)col, 0); }
LX_LV BOOL ListView_SetColumnWidth(HWND h, int col, int cx) {
  return (BOOL)SendMessageW(h, LVM_SETCOLUMNWIDTH, (WPARAM)col, MAKELPARAM(cx, 0));
}
LX_LV HWND ListView_GetHeader(HWND h) { return (HWND)SendMessageW(h, LVM_GETHEADER, 0, 0); }
LX_LV int ListView_GetTopIndex(HWND h) { return (int)SendMessageW(h, LVM_GETTOPINDEX, 0, 0); }
LX_LV int ListView_GetCountPerPage(HWND h) { return (int)SendMessageW(h, LVM_GETCOUNTPERPAGE, 0, 0); }
LX_LV BOOL ListView_SetItemState(HWND h, int i, UINT state, UINT mask) {
  LVITEMW item = {};
  item.state = state, item.stateMask = mask;
  return (BOOL)SendMessageW(h, LVM_SETITEMSTATE, (WPARAM)i, (LPARAM)&item);
}
LX_LV UINT ListView_GetItemState(HWND h, int i, UINT mask) {
  return (UINT)SendMessageW(h, LVM_GETITEMSTATE, (WPARAM)i, (LPARAM)mask);
}
LX_LV int ListView_GetItemText(HWND h, int i, int sub, LPWSTR text, int size) {
  LVITEMW item = {};
  item.iSubItem = sub, item.pszText = text, item.cchTextMax = size;
  return (int)SendMessageW(h, LVM_GETITEMTEXTW, (WPARAM)i, (LPARAM)&item);
}
LX_LV BOOL ListView_SetItemText(HWND h, int i, int sub, LPCWSTR text) {
  LVITEMW item = {};
  item.iSubItem = sub, item.pszText = (LPWSTR)text;
  return (BOOL)SendMessageW(h, LVM_SETITEMTEXTW, (WPARAM)i, (LPARAM)&item);
}
LX_LV BOOL ListView_SortItems(HWND h, PFNLVCOMPARE compare, LPARAM param) {
  return (BOOL)SendMessageW(h, LVM_SORTITEMS, (WPARAM)param, (LPARAM)compare);
}
LX_LV UINT ListView_GetSelectedCount(HWND h) { return (UINT)SendMessageW(h, LVM_GETSELECTEDCOUNT, 0, 0); }
LX_LV int ListView_GetSelectionMark(HWND h) { return (int)SendMessageW(h, LVM_GETSELECTIONMARK, 0, 0); }
LX_LV int ListView_SetSelectionMark(HWND h, int i) { return (int)SendMessageW(h, LVM_SETSELECTIONMARK, 0, (LPARAM)i); }
LX_LV DWORD ListView_SetExtendedListViewStyle(HWND h, DWORD style) {
  return (DWORD)SendMessageW(h, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, (LPARAM)style);
}
LX_LV DWORD ListView_SetExtendedListViewStyleEx(HWND h, DWORD mask, DWORD style) {
  return (DWORD)SendMessageW(h, LVM_SETEXTENDEDLISTVIEWSTYLE, (WPARAM)mask, (LPARAM)style);
}
LX_LV DWORD ListView_GetExtendedListViewStyle(HWND h) { return (DWORD)SendMessageW(h, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0); }
#undef LX_LV
