// Dialog templates of the playlist's dialogs: the file chooser, the edit and
// sort dialog and the properties dialog. Full screen: 160 x 165 units.
#include <commctrl.h>
#include <lxresource.h>

#include "playlist/filechooser.h"
#include "playlist/playlistedit.h"
#include "trackinfo/properties.h"

namespace {

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kTab = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
constexpr DWORD kDialog = WS_POPUP | WS_CAPTION;

// The list comes first: it has the focus, so arrows select rows at once.
const LXDLGITEM kChooserItems[] = {
    {kTab | WS_BORDER | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS, 0, 0, 70, 160, 95,
     IDC_CHOOSER_LIST, WC_LISTVIEWW, u""},
    {kChild, 0, 2, 4, 22, 10, 0xFFFF, u"STATIC", u"Typ :"},
    {kTab | CBS_DROPDOWNLIST | WS_VSCROLL, 0, 26, 2, 132, 80, IDC_CHOOSER_TYPE, u"COMBOBOX", u""},
    {kChild, 0, 2, 18, 22, 10, 0xFFFF, u"STATIC", u"Pfad :"},
    {kTab | WS_BORDER | ES_READONLY | ES_AUTOHSCROLL, 0, 26, 16, 132, 12, IDC_CHOOSER_PATH, u"EDIT", u""},
    {kTab | BS_AUTOCHECKBOX, 0, 2, 31, 150, 10, IDC_CHOOSER_SUBFOLDERS, u"BUTTON", u"Unterveryeichnisse durchsuchen"},
    {kChild, 0, 14, 41, 120, 9, IDC_CHOOSER_SUBFOLDERS_NOTE, u"STATIC", u"(nur bei 'Alle')"},
    {kTab | BS_DEFPUSHBUTTON, 0, 2, 53, 48, 14, IDOK, u"BUTTON", u"Ok"},
    {kTab, 0, 56, 53, 48, 14, IDC_CHOOSER_ALL, u"BUTTON", u"Alle"},
    {kTab, 0, 110, 53, 48, 14, IDCANCEL, u"BUTTON", u"Abbrechen"},
};
const LXDLGTEMPLATE kChooser = {kDialog, 0, 0, 0, 160, 165, u"Datei öffnen", 0, nullptr,
                                sizeof kChooserItems / sizeof kChooserItems[0], kChooserItems};

const LXDLGITEM kEditItems[] = {
    {kTab | WS_DISABLED, 0, 2, 2, 28, 14, IDC_EDIT_UP, u"BUTTON", u"Auf"},
    {kTab | WS_DISABLED, 0, 32, 2, 28, 14, IDC_EDIT_DOWN, u"BUTTON", u"Ab"},
    {kTab, 0, 62, 2, 48, 14, IDC_EDIT_ASCENDING, u"BUTTON", u"Aufsteigend"},
    {kTab, 0, 112, 2, 46, 14, IDC_EDIT_DESCENDING, u"BUTTON", u"Absteigend"},
    {kTab | BS_DEFPUSHBUTTON, 0, 2, 19, 48, 14, IDOK, u"BUTTON", u"Ok"},
    {kTab, 0, 56, 19, 48, 14, IDCANCEL, u"BUTTON", u"Abbrechen"},
    {kTab | WS_BORDER | WS_VSCROLL | LBS_NOTIFY, 0, 0, 36, 160, 129, IDC_EDIT_LIST, u"LISTBOX", u""},
};
const LXDLGTEMPLATE kEdit = {kDialog, 0, 0, 0, 160, 165, u"Playlist bearbeiten", 0, nullptr,
                             sizeof kEditItems / sizeof kEditItems[0], kEditItems};

const LXDLGITEM kPropertiesItems[] = {
    {kTab | BS_DEFPUSHBUTTON, 0, 2, 2, 48, 14, IDOK, u"BUTTON", u"OK"},
    {kTab | WS_BORDER | LVS_REPORT | LVS_OWNERDRAWFIXED | LVS_NOSORTHEADER | LVS_SINGLESEL, 0, 0, 19, 160, 146,
     IDC_PROPERTIES_LIST, WC_LISTVIEWW, u""},
};
const LXDLGTEMPLATE kProperties = {kDialog, 0, 0, 0, 160, 165, u"Information anzeigen", 0, nullptr,
                                   sizeof kPropertiesItems / sizeof kPropertiesItems[0], kPropertiesItems};

const LXRESOURCE kResources[] = {
    {RT_DIALOG, IDD_FILECHOOSER, &kChooser, sizeof kChooser},
    {RT_DIALOG, IDD_PLAYLISTEDIT, &kEdit, sizeof kEdit},
    {RT_DIALOG, IDD_PROPERTIES, &kProperties, sizeof kProperties},
};
LX_RESOURCE_TABLE(kResources);

}  // namespace
