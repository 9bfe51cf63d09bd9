// Resources linked into a program or library: its bitmaps (BMP files from
// its resources/ folder, embedded by the build with lumtrax_resources()) and
// its templates (dialogs, menus, menu bars, data), which the program's
// resource script declares as C++ tables. FindResourceW finds an entry by
// type and numeric id, LoadResource/LockResource give its data, and
// SizeofResource its size in bytes.
//
// Template tables (what LockResource returns for each type):
//   RT_DIALOG  -> const LXDLGTEMPLATE*     (coordinates in dialog units)
//   RT_MENU    -> const LXMENUTEMPLATE*
//   RT_RCDATA  -> const LXMENUBARTEMPLATE* for a menu bar, or any bytes
//   RT_BITMAP  -> the BMP file's bytes (BITMAPFILEHEADER first)
//
// A resource script:
//   static const LXDLGITEM kWelcomeItems[] = {
//     {WS_CHILD | WS_VISIBLE | BS_DEFPUSHBUTTON, 0, 40, 120, 60, 14, 1041, u"BUTTON", u"Willkommen"},
//   };
//   static const LXDLGTEMPLATE kWelcome = {DS_MODALFRAME | WS_POPUP, 0, 0, 0, 160, 150, u"Lumtrax",
//                                          8, u"Tahoma", 1, kWelcomeItems};
//   static const LXRESOURCE kResources[] = {{RT_DIALOG, 154, &kWelcome, sizeof kWelcome}};
//   LX_RESOURCE_TABLE(kResources);
#pragma once
#include "windows.h"

typedef struct LXRESOURCE {
  LPCWSTR type;  // RT_BITMAP, RT_DIALOG, RT_MENU, RT_RCDATA ...
  WORD id;
  const void* data;
  DWORD size;
} LXRESOURCE;

// One control of a dialog.
typedef struct LXDLGITEM {
  DWORD style;  // WS_CHILD | WS_VISIBLE | the control's own styles
  DWORD exStyle;
  short x, y, cx, cy;  // dialog units
  WORD id;
  LPCWSTR className;  // u"BUTTON", u"STATIC", u"EDIT", u"LISTBOX", u"COMBOBOX", u"SCROLLBAR", or a registered class
  LPCWSTR text;       // caption; MAKEINTRESOURCEW(id) names a bitmap for a picture control
} LXDLGITEM;

typedef struct LXDLGTEMPLATE {
  DWORD style;  // DS_ and WS_ styles; DS_SETFONT makes pointSize and faceName count
  DWORD exStyle;
  short x, y, cx, cy;  // dialog units
  LPCWSTR title;
  WORD pointSize;
  LPCWSTR faceName;
  WORD itemCount;
  const LXDLGITEM* items;
} LXDLGTEMPLATE;

// A menu: items in order; a popup item (MF_POPUP) holds its own items.
typedef struct LXMENUITEM {
  UINT flags;  // MF_STRING, MF_POPUP, MF_SEPARATOR, MF_GRAYED, MF_CHECKED
  UINT id;     // command identifier (not used by popups and separators)
  LPCWSTR text;
  WORD popupCount;
  const struct LXMENUITEM* popup;
} LXMENUITEM;

typedef struct LXMENUTEMPLATE {
  WORD itemCount;
  const LXMENUITEM* items;
} LXMENUTEMPLATE;

// A menu bar: its buttons left to right, each a plain command or the
// drop-down of one popup of the menu resource menuId.
typedef struct LXMENUBARBUTTON {
  UINT id;          // command identifier of the button
  LPCWSTR text;
  int popupIndex;   // which popup of the menu drops down, -1 for a plain button
  BYTE state;       // TBSTATE_ bits
  BYTE style;       // TBSTYLE_ bits
} LXMENUBARBUTTON;

typedef struct LXMENUBARTEMPLATE {
  WORD menuId;
  WORD buttonCount;
  const LXMENUBARBUTTON* buttons;
} LXMENUBARTEMPLATE;

// Adds a table of resources of the module that holds it; the macro does it
// when the module loads.
WINUSERAPI void LxRegisterResources(const LXRESOURCE* table, int count);
#define LX_RESOURCE_TABLE(table)                                  \
  [[maybe_unused]] static const int lx_resource_table_##table = \
      (LxRegisterResources(table, (int)(sizeof table / sizeof table[0])), 0)
