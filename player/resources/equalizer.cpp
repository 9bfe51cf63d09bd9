// The equalizer's dialog templates. Neither has a title: the dialogs put
// theirs on the main window while they are open.
#include <windows.h>
#include <commctrl.h>
#include <lxresource.h>

#include "equalizer/eqdialogs.h"

static const LXDLGITEM PresetItems[] = {
    {WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 4, 4, 38, 14, IDOK, u"BUTTON", u"Auswahl"},
    {WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 44, 4, 64, 14, IDC_PRESET_DEFAULT, u"BUTTON",
     u"Voreinstellung"},
    {WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 110, 4, 46, 14, IDCANCEL, u"BUTTON", u"Abbrechen"},
    {WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER | WS_VSCROLL | LBS_NOTIFY, 0, 0, 22, 160, 140, IDC_PRESET_LIST,
     u"LISTBOX", u""},
};

static const LXDLGTEMPLATE PresetTemplate = {WS_POPUP, 0, 0, 0, 160, 165, nullptr, 0, nullptr,
                                             (WORD)(sizeof PresetItems / sizeof PresetItems[0]), PresetItems};

// The up-down follows its field: it takes the control made before it as buddy.
static const LXDLGITEM EditItems[] = {
    {WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, 0, 4, 4, 152, 12, IDC_EDIT_NAME, u"EDIT", u""},
    {WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER | WS_VSCROLL | LBS_NOTIFY, 0, 4, 20, 152, 60, IDC_EDIT_PRESETS,
     u"LISTBOX", u""},
    {WS_CHILD | WS_VISIBLE | SS_LEFT, 0, 4, 86, 30, 10, 0xFFFF, u"STATIC", u"Genre"},
    {WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0, 36, 84, 120, 80, IDC_EDIT_GENRE,
     u"COMBOBOX", u""},
    {WS_CHILD | WS_VISIBLE | SS_LEFT, 0, 4, 102, 30, 10, 0xFFFF, u"STATIC", u"EQ(Hz)"},
    {WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0, 36, 100, 50, 80, IDC_EDIT_BAND,
     u"COMBOBOX", u""},
    {WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER, 0, 92, 100, 36, 12, IDC_EDIT_VALUE, u"EDIT", u""},
    {WS_CHILD | WS_VISIBLE | UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_AUTOBUDDY | UDS_ARROWKEYS, 0, 0, 0, 10, 12,
     IDC_EDIT_UPDOWN, UPDOWN_CLASSW, u""},
    {WS_CHILD | WS_VISIBLE | SS_LEFT, 0, 92, 114, 64, 10, 0xFFFF, u"STATIC", u"Wert(-20~20 db)"},
    {WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 4, 130, 22, 14, IDOK, u"BUTTON", u"Ok"},
    {WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 28, 130, 44, 14, IDC_EDIT_ADD, u"BUTTON", u"Hinzufügen"},
    {WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 74, 130, 34, 14, IDC_EDIT_DELETE, u"BUTTON", u"Löschen"},
    {WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 110, 130, 46, 14, IDCANCEL, u"BUTTON", u"Abbrechen"},
};

static const LXDLGTEMPLATE EditTemplate = {WS_POPUP, 0, 0, 0, 160, 165, nullptr, 0, nullptr,
                                           (WORD)(sizeof EditItems / sizeof EditItems[0]), EditItems};

static const LXRESOURCE EqualizerResources[] = {
    {RT_DIALOG, IDD_EQ_PRESET, &PresetTemplate, sizeof PresetTemplate},
    {RT_DIALOG, IDD_EQ_EDIT, &EditTemplate, sizeof EditTemplate},
};
LX_RESOURCE_TABLE(EqualizerResources);
