// The main window's menu, its menu bar and the welcome dialog.
#include <aygshell.h>
#include <lxresource.h>
#include <windows.h>

static const LXMENUITEM FileItems[] = {
    {MF_STRING, 40007, u"Über", 0, NULL},
    {MF_SEPARATOR, 0, NULL, 0, NULL},
    {MF_STRING, 40006, u"Öffnen", 0, NULL},
    {MF_SEPARATOR, 0, NULL, 0, NULL},
    {MF_STRING, 40043, u"Wiedergabe", 0, NULL},
    {MF_STRING, 40044, u"Stopp", 0, NULL},
    {MF_STRING, 40045, u"Pause", 0, NULL},
    {MF_SEPARATOR, 0, NULL, 0, NULL},
    {MF_STRING, 40039, u"Konfigurieren", 0, NULL},
    {MF_SEPARATOR, 0, NULL, 0, NULL},
    {MF_STRING, 40005, u"Beenden", 0, NULL},
};

static const LXMENUITEM EqualizerItems[] = {
    {MF_STRING, 40068, u"Preset öffnen", 0, NULL},
    {MF_STRING, 40069, u"Preset speichern", 0, NULL},
    {MF_STRING, 40070, u"Preset zurücksetzen", 0, NULL},
    {MF_STRING, 42002, u"Preset auswählen", 0, NULL},
    {MF_SEPARATOR, 0, NULL, 0, NULL},
    {MF_STRING, 40041, u"Equalizer öffnen", 0, NULL},
    {MF_STRING, 40042, u"Equalizer speichern", 0, NULL},
    {MF_STRING, 40040, u"Equalizer-Wert bearbeiten", 0, NULL},
    {MF_SEPARATOR, 0, NULL, 0, NULL},
    {MF_STRING, 42003, u"Voreinstellung", 0, NULL},
};

static const LXMENUITEM ClearItems[] = {
    {MF_STRING, 42018, u"Playlist", 0, NULL},
    {MF_STRING, 40051, u"Favoriten", 0, NULL},
};

static const LXMENUITEM PlaylistItems[] = {
    {MF_STRING, 42014, u"Playlist öffnen", 0, NULL},
    {MF_STRING, 42015, u"Playlist speichern", 0, NULL},
    {MF_SEPARATOR, 0, NULL, 0, NULL},
    {MF_STRING, 42011, u"Datei hinzufügen", 0, NULL},
    {MF_STRING | MF_GRAYED, 42012, u"ausgewählten Song löschen", 0, NULL},
    {MF_STRING, 40050, u"Playlist bearbeiten", 0, NULL},
    {MF_POPUP, 0, u"Alles löschen", 2, ClearItems},
    {MF_SEPARATOR, 0, NULL, 0, NULL},
    {MF_STRING | MF_GRAYED, 42013, u"Informationen anzeigen", 0, NULL},
};

static const LXMENUITEM MainMenuItems[] = {
    {MF_POPUP, 0, u"Datei", 11, FileItems},
    {MF_POPUP, 0, u"Equalizer", 10, EqualizerItems},
    {MF_POPUP, 0, u"Playlist", 9, PlaylistItems},
};
static const LXMENUTEMPLATE MainMenu = {3, MainMenuItems};

// Button ids are not in screen order: "Playlist" is 40025, "Equalizer" 40026.
static const LXMENUBARBUTTON MainBarButtons[] = {
    {40024, u"Datei", 0, TBSTATE_ENABLED, TBSTYLE_DROPDOWN | TBSTYLE_AUTOSIZE},
    {40026, u"Equalizer", 1, TBSTATE_ENABLED, TBSTYLE_DROPDOWN | TBSTYLE_AUTOSIZE},
    {40025, u"Playlist", 2, TBSTATE_ENABLED, TBSTYLE_DROPDOWN | TBSTYLE_AUTOSIZE},
    {40049, u"Minimieren", -1, TBSTATE_ENABLED, TBSTYLE_BUTTON | TBSTYLE_AUTOSIZE},
};
static const LXMENUBARTEMPLATE MainBar = {101, 4, MainBarButtons};

// 160 x 164 dialog units are 240 x 266 pixels in the system font.
static const LXDLGITEM WelcomeItems[] = {
    {WS_CHILD | WS_VISIBLE | SS_BITMAP, 0, 13, 4, 134, 93, 1040, u"STATIC", MAKEINTRESOURCEW(156)},
    {WS_CHILD | WS_VISIBLE | SS_CENTER, 0, 4, 100, 152, 10, 1042, u"STATIC", u"Lumtrax v1.52"},
    {WS_CHILD | WS_VISIBLE | SS_CENTER, 0, 4, 112, 152, 10, 1043, u"STATIC", u"Service Pack 2(Patch 2)"},
    {WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 45, 130, 70, 16, 1041, u"BUTTON", u"Willkommen"},
    {WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 4, 148, 50, 14, IDOK, u"BUTTON", u"OK"},
    {WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 106, 148, 50, 14, IDCANCEL, u"BUTTON", u"Abbrechen"},
};
static const LXDLGTEMPLATE Welcome = {WS_POPUP | DS_CENTER, 0, 0, 0, 160, 164, u"Lumtrax", 0, NULL,
                                      sizeof WelcomeItems / sizeof WelcomeItems[0], WelcomeItems};

static const LXRESOURCE ShellResources[] = {
    {RT_MENU, 101, &MainMenu, sizeof MainMenu},
    {RT_RCDATA, 101, &MainBar, sizeof MainBar},
    {RT_DIALOG, 154, &Welcome, sizeof Welcome},
};
LX_RESOURCE_TABLE(ShellResources);
