// The settings sheet's pages: 158 "Flags", 152 "Tastenbelegung", 159
// "Puffer", 160 "Cache". Each fits the sheet's page area (160 x 136 units).
#include <commctrl.h>

#include "lxresource.h"

#define PAGE_STYLE (DS_SETFONT | DS_CONTROL | WS_CHILD)
#define CHECK (WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX)
#define PUSH (WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON)
#define LABEL (WS_CHILD | WS_VISIBLE | SS_LEFT)
#define CENTRED (WS_CHILD | WS_VISIBLE | SS_CENTER)
#define GROUP (WS_CHILD | WS_VISIBLE | BS_GROUPBOX)
#define SLIDER (WS_CHILD | WS_VISIBLE | WS_TABSTOP | TBS_HORZ | TBS_AUTOTICKS)
#define NO_ID 0xFFFF

static const LXDLGITEM kFlagsItems[] = {
    {CHECK, 0, 6, 6, 150, 10, 1014, u"BUTTON", u"Wiedergabe bei Datei öffnen"},
    {CHECK, 0, 6, 19, 150, 10, 1015, u"BUTTON", u"automatische Wiederholung"},
    {CHECK, 0, 6, 32, 150, 10, 1016, u"BUTTON", u"Zufallswiedergabe"},
    {CHECK, 0, 6, 45, 150, 10, 1017, u"BUTTON", u"Powersave-Modus abschalten"},
    {CHECK, 0, 6, 58, 150, 10, 1022, u"BUTTON", u"Preset automatisch übernehmen"},
    {CHECK, 0, 6, 71, 150, 10, 1023, u"BUTTON", u"Audioblende bei Wiedergabe einschalten"},
    {CHECK, 0, 6, 84, 150, 10, 1024, u"BUTTON", u"Begrüßungsbildschirm abschalten"},
    {PUSH, 0, 4, 116, 48, 14, 1, u"BUTTON", u"Ok"},
    {PUSH, 0, 56, 116, 48, 14, 3, u"BUTTON", u"Default"},
    {PUSH, 0, 108, 116, 48, 14, 2, u"BUTTON", u"Abbrechen"},
};
static const LXDLGTEMPLATE kFlags = {PAGE_STYLE, 0, 0, 0, 160, 136, u"Flags", 8, u"Tahoma",
                                     sizeof kFlagsItems / sizeof kFlagsItems[0], kFlagsItems};

static const LXDLGITEM kKeysItems[] = {
    {LABEL, 0, 6, 4, 148, 10, 1060, u"STATIC", u"1. Funktionsauswahl"},
    {WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0, 6, 15, 148, 120, 1059, u"COMBOBOX", u""},
    {LABEL, 0, 6, 31, 148, 10, 1061, u"STATIC", u"2. betätigte Taste"},
    {WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS, 0, 6, 42,
     148, 50, 1050, WC_LISTVIEWW, u""},
    {CHECK | BS_MULTILINE, 0, 6, 95, 148, 18, 1051, u"BUTTON", u"Tastenbelegung während der Hintergrundwiedergabe"},
    {PUSH, 0, 4, 116, 48, 14, 1, u"BUTTON", u"Ok"},
    {PUSH | WS_DISABLED, 0, 56, 116, 48, 14, 3, u"BUTTON", u"Löschen"},
    {PUSH, 0, 108, 116, 48, 14, 2, u"BUTTON", u"Abbrechen"},
};
static const LXDLGTEMPLATE kKeys = {PAGE_STYLE, 0, 0, 0, 160, 136, u"Tastenbelegung", 8, u"Tahoma",
                                    sizeof kKeysItems / sizeof kKeysItems[0], kKeysItems};

static const LXDLGITEM kBufferItems[] = {
    {GROUP, 0, 4, 2, 152, 54, NO_ID, u"BUTTON", u"Audio Puffer"},
    {LABEL, 0, 9, 15, 14, 8, NO_ID, u"STATIC", u"50"},
    {SLIDER, 0, 23, 12, 110, 14, 1053, TRACKBAR_CLASSW, u""},
    {LABEL, 0, 135, 15, 18, 8, NO_ID, u"STATIC", u"300"},
    {CENTRED, 0, 58, 27, 44, 8, 1056, u"STATIC", u""},
    {CENTRED, 0, 8, 36, 144, 17, NO_ID, u"STATIC", u"Wurde der Audiopuffer verändert,\nwird die Musik neu gestartet."},
    {GROUP, 0, 4, 58, 152, 54, NO_ID, u"BUTTON", u"Geschwindigkeit Equalizer/Bildschirm"},
    {LABEL, 0, 8, 71, 28, 8, NO_ID, u"STATIC", u"langsam"},
    {SLIDER, 0, 36, 68, 88, 14, 1054, TRACKBAR_CLASSW, u""},
    {LABEL, 0, 126, 71, 28, 8, NO_ID, u"STATIC", u"schnell"},
    {CENTRED, 0, 58, 83, 44, 8, 1057, u"STATIC", u""},
    {CHECK, 0, 9, 96, 144, 10, 1062, u"BUTTON", u"EQ Spectrum Analyzer abschalten"},
    {PUSH, 0, 4, 116, 48, 14, 1, u"BUTTON", u"Ok"},
    {PUSH, 0, 56, 116, 48, 14, 3, u"BUTTON", u"Default"},
    {PUSH, 0, 108, 116, 48, 14, 2, u"BUTTON", u"Abbrechen"},
};
static const LXDLGTEMPLATE kBuffer = {PAGE_STYLE, 0, 0, 0, 160, 136, u"Puffer", 8, u"Tahoma",
                                      sizeof kBufferItems / sizeof kBufferItems[0], kBufferItems};

static const LXDLGITEM kCacheItems[] = {
    {GROUP, 0, 4, 2, 152, 104, NO_ID, u"BUTTON", u"Cache Puffer"},
    {LABEL, 0, 9, 15, 14, 8, NO_ID, u"STATIC", u"1M"},
    {SLIDER, 0, 23, 12, 110, 14, 1064, TRACKBAR_CLASSW, u""},
    {LABEL, 0, 135, 15, 18, 8, NO_ID, u"STATIC", u"20M"},
    {CENTRED, 0, 58, 27, 44, 8, 1065, u"STATIC", u""},
    {CHECK, 0, 9, 40, 144, 10, 1066, u"BUTTON", u"Warten bis der Puffer voll ist."},
    {CENTRED, 0, 8, 56, 144, 17, NO_ID, u"STATIC", u"Wurde der Cachepuffer verändert,\nwird die Musik neu gestartet."},
    {CHECK, 0, 9, 80, 144, 10, 1067, u"BUTTON", u"Cache Puffer aktivieren"},
    {PUSH, 0, 4, 116, 48, 14, 1, u"BUTTON", u"Ok"},
    {PUSH, 0, 108, 116, 48, 14, 2, u"BUTTON", u"Abbrechen"},
};
static const LXDLGTEMPLATE kCache = {PAGE_STYLE, 0, 0, 0, 160, 136, u"Cache", 8, u"Tahoma",
                                     sizeof kCacheItems / sizeof kCacheItems[0], kCacheItems};

static const LXRESOURCE kConfigResources[] = {
    {RT_DIALOG, 152, &kKeys, sizeof kKeys},
    {RT_DIALOG, 158, &kFlags, sizeof kFlags},
    {RT_DIALOG, 159, &kBuffer, sizeof kBuffer},
    {RT_DIALOG, 160, &kCache, sizeof kCache},
};
LX_RESOURCE_TABLE(kConfigResources);
