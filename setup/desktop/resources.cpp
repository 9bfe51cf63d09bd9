// The wizard's resource script: its dialogs and the licence agreement.
#include "lxresource.h"
#include "setup.h"

#define COUNT(a) (WORD)(sizeof a / sizeof a[0])
#define TOP_STYLE (DS_MODALFRAME | DS_CENTER | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU)
#define PAGE_STYLE (DS_CONTROL | DS_SETFONT | WS_CHILD)
#define LABEL (WS_VISIBLE | SS_LEFT)
#define BUTTON (WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON)
#define RADIO (WS_VISIBLE | WS_TABSTOP | BS_AUTORADIOBUTTON)
#define LIST (WS_VISIBLE | WS_TABSTOP | WS_BORDER | WS_VSCROLL | LBS_NOTIFY)
#define NONE 0xFFFF

static const LXDLGITEM kWelcomeItems[] = {
    {WS_VISIBLE | SS_BITMAP, 0, 8, 8, 22, 20, NONE, u"STATIC", MAKEINTRESOURCEW(IDI_PROGRAM)},
    {WS_VISIBLE | SS_BITMAP | SS_CENTERIMAGE, 0, 40, 6, 140, 64, NONE, u"STATIC", MAKEINTRESOURCEW(IDB_WELCOME)},
    {LABEL, 0, 40, 74, 170, 18, NONE, u"STATIC", u"Willkommen zur Installation von Lumtrax v1.52 auf Ihrem PDA."},
    {BUTTON | BS_DEFPUSHBUTTON, 0, 56, 98, 50, 14, IDOK, u"BUTTON", u"&Ok"},
    {BUTTON, 0, 114, 98, 50, 14, IDCANCEL, u"BUTTON", u"Beenden"},
};
static const LXDLGTEMPLATE kWelcome = {TOP_STYLE, 0, 0, 0, 220, 120, u"Lumtrax v1.52 Setup - German Edition", 8,
                                       u"Tahoma", COUNT(kWelcomeItems), kWelcomeItems};

static const LXDLGITEM kAgreementItems[] = {
    {LABEL, 0, 8, 6, 284, 10, NONE, u"STATIC", u"Bitte lesen Sie die folgende Lizenzvereinbarung aufmerksam durch."},
    {WS_VISIBLE | WS_TABSTOP | WS_BORDER | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL, 0, 8, 20, 284,
     116, IDC_AGREEMENT, u"EDIT", u""},
    {LABEL, 0, 8, 142, 284, 18, NONE, u"STATIC",
     u"Stimmen Sie allen Bedingungen der Lizenzvereinbarung zu? Wenn Sie \"Nein\" wählen, wird das Setup beendet."},
    {BUTTON | BS_DEFPUSHBUTTON, 0, 186, 166, 50, 14, IDOK, u"BUTTON", u"&Ja"},
    {BUTTON, 0, 242, 166, 50, 14, IDCANCEL, u"BUTTON", u"&Nein"},
};
static const LXDLGTEMPLATE kAgreement = {TOP_STYLE, 0, 0, 0, 300, 186, u"Software-Lizenzvereinbarag", 8, u"Tahoma",
                                         COUNT(kAgreementItems), kAgreementItems};

static const LXDLGITEM kCancelItems[] = {
    {LABEL, 0, 8, 6, 224, 18, NONE, u"STATIC",
     u"Setup wurde nicht abgeschlossen. Wenn Sie Setup jetzt abbrechen, wird das Programm nicht installiert."},
    {LABEL, 0, 8, 30, 224, 26, NONE, u"STATIC",
     u"Sie können das Setup später ausführen, um die Installation abzuschießen. Klicken Sie auf Fortsetzen, um das "
     u"Programm zu installieren."},
    {LABEL, 0, 8, 62, 224, 10, NONE, u"STATIC", u"Klicken Sie auf Abbrechen, um das Setup zu beenden."},
    {BUTTON | BS_DEFPUSHBUTTON, 0, 62, 80, 56, 14, IDOK, u"BUTTON", u"&Fortsetzen"},
    {BUTTON, 0, 124, 80, 74, 14, IDCANCEL, u"BUTTON", u"Setup &Abbrechen"},
};
static const LXDLGTEMPLATE kCancel = {TOP_STYLE, 0, 0, 0, 240, 100, u"Setup Abbrechen", 8, u"Tahoma",
                                      COUNT(kCancelItems), kCancelItems};

// No default button: Enter in the frame is IDOK, which nothing answers.
static const LXDLGITEM kFrameItems[] = {
    {0, 0, 1, 1, 278, 150, IDC_PAGEAREA, u"STATIC", u""},
    {WS_VISIBLE | SS_ETCHEDHORZ, 0, 0, 152, 280, 1, IDC_SEPARATOR, u"STATIC", u""},
    {BUTTON | WS_DISABLED, 0, 104, 160, 50, 14, IDC_BACK, u"BUTTON", u"< &Zurück"},
    {BUTTON, 0, 156, 160, 50, 14, IDC_NEXT, u"BUTTON", u"&Weiter >"},
    {WS_TABSTOP | BS_PUSHBUTTON, 0, 156, 160, 50, 14, IDC_FINISH, u"BUTTON", u"&Fertig"},
    {BUTTON, 0, 222, 160, 50, 14, IDCANCEL, u"BUTTON", u"Abbrechen"},
};
static const LXDLGTEMPLATE kFrame = {TOP_STYLE, 0, 0, 0, 280, 180, u"Lumtrax Setup Wizard", 8, u"Tahoma",
                                     COUNT(kFrameItems), kFrameItems};

static const LXDLGITEM kStartItems[] = {
    {WS_VISIBLE | SS_BITMAP | SS_CENTERIMAGE, 0, 8, 4, 264, 40, NONE, u"STATIC", MAKEINTRESOURCEW(IDB_BANNER)},
    {LABEL, 0, 8, 50, 264, 20, NONE, u"STATIC", u"Installation von Lumtrax.\nWählen Sie eine Option zum installieren."},
    {RADIO | WS_GROUP, 0, 16, 78, 256, 12, IDC_OPTION_DEVICE, u"BUTTON", u"Für einen bestimmten PDA-Typ installieren."},
    {RADIO, 0, 16, 94, 256, 12, IDC_OPTION_HARDWARE, u"BUTTON",
     u"Für eine bestimmte Hardware-Spezifikation installieren."},
};
static const LXDLGTEMPLATE kStart = {PAGE_STYLE, 0, 0, 0, 278, 150, nullptr, 8, u"Tahoma", COUNT(kStartItems),
                                     kStartItems};

static const LXDLGITEM kDeviceItems[] = {
    {LABEL, 0, 8, 4, 264, 26, NONE, u"STATIC",
     u"Wenn Sie Ihren PDA in der Liste nicht finden, so kehren Sie mit \"Zurück\" retour und wählen Sie \"Eine "
     u"bestimmte Hardware- Spezifikation installieren\"."},
    {LABEL, 0, 8, 34, 120, 10, NONE, u"STATIC", u"Firma"},
    {LIST | WS_GROUP, 0, 8, 44, 120, 102, IDC_MAKERS, u"LISTBOX", u""},
    {LABEL, 0, 140, 34, 132, 10, NONE, u"STATIC", u"Modell"},
    {LIST | WS_GROUP, 0, 140, 44, 132, 102, IDC_MODELS, u"LISTBOX", u""},
};
static const LXDLGTEMPLATE kDevice = {PAGE_STYLE, 0, 0, 0, 278, 150, nullptr, 8, u"Tahoma", COUNT(kDeviceItems),
                                      kDeviceItems};

static const LXDLGITEM kHardwareItems[] = {
    {LABEL, 0, 8, 4, 264, 20, NONE, u"STATIC", u"Die exakte Hardware-Spezifikation finden Sie\nim Handbuch des PDA."},
    {WS_VISIBLE | BS_GROUPBOX, 0, 8, 26, 264, 28, NONE, u"BUTTON", u"OS"},
    {RADIO | WS_GROUP, 0, 16, 38, 110, 12, IDC_OS_POCKETPC, u"BUTTON", u"PocketPC"},
    {RADIO, 0, 136, 38, 120, 12, IDC_OS_POCKETPC2002, u"BUTTON", u"PocketPC 2002"},
    {LABEL, 0, 8, 66, 80, 10, NONE, u"STATIC", u"CPU"},
    {LABEL, 0, 96, 58, 80, 18, NONE, u"STATIC", u"Geschwindigkeit\n(MHz)"},
    {LABEL, 0, 184, 66, 88, 10, NONE, u"STATIC", u"Farbe"},
    {LIST | WS_GROUP, 0, 8, 78, 80, 68, IDC_CPU, u"LISTBOX", u""},
    {LIST | WS_GROUP, 0, 96, 78, 80, 68, IDC_SPEED, u"LISTBOX", u""},
    {LIST | WS_GROUP, 0, 184, 78, 88, 68, IDC_DISPLAY, u"LISTBOX", u""},
};
static const LXDLGTEMPLATE kHardware = {PAGE_STYLE, 0, 0, 0, 278, 150, nullptr, 8, u"Tahoma",
                                        COUNT(kHardwareItems), kHardwareItems};

static const LXRESOURCE kResources[] = {
    {RT_DIALOG, IDD_WELCOME, &kWelcome, sizeof kWelcome},
    {RT_DIALOG, IDD_AGREEMENT, &kAgreement, sizeof kAgreement},
    {RT_DIALOG, IDD_CANCEL, &kCancel, sizeof kCancel},
    {RT_DIALOG, IDD_FRAME, &kFrame, sizeof kFrame},
    {RT_DIALOG, IDD_PAGE_START, &kStart, sizeof kStart},
    {RT_DIALOG, IDD_PAGE_DEVICE, &kDevice, sizeof kDevice},
    {RT_DIALOG, IDD_PAGE_HARDWARE, &kHardware, sizeof kHardware},
};
LX_RESOURCE_TABLE(kResources);

const WCHAR AgreementText[] =
    u"LIZENZVEREINBARUNG FÜR LUMTRAX v1.52\r\n"
    u"\r\n"
    u"Diese Vereinbarung wird zwischen Ihnen (dem Anwender) und Oakhaven (dem Hersteller) über die Nutzung des "
    u"Programms Lumtrax geschlossen. Indem Sie das Programm installieren, kopieren oder benutzen, erklären Sie sich "
    u"mit den folgenden Bedingungen einverstanden.\r\n"
    u"\r\n"
    u"1. Nutzungsrecht\r\n"
    u"Der Hersteller räumt Ihnen das einfache, nicht übertragbare Recht ein, das Programm auf einem einzigen PDA zu "
    u"installieren und zu benutzen. Eine Sicherungskopie für den eigenen Gebrauch ist erlaubt.\r\n"
    u"\r\n"
    u"2. Einschränkungen\r\n"
    u"Sie dürfen das Programm weder vermieten noch verleihen, noch es zurückentwickeln, dekompilieren oder "
    u"disassemblieren, soweit das Gesetz dies nicht ausdrücklich gestattet. Hinweise auf Urheberrechte dürfen nicht "
    u"entfernt werden.\r\n"
    u"\r\n"
    u"3. Musikdateien\r\n"
    u"Lumtrax spielt Musikdateien ab, die Sie selbst auf Ihr Gerät übertragen. Für die Rechte an diesen Dateien sind "
    u"allein Sie verantwortlich.\r\n"
    u"\r\n"
    u"4. Gewährleistung\r\n"
    u"Das Programm wird so geliefert, wie es ist. Der Hersteller übernimmt keine Gewähr dafür, dass es fehlerfrei "
    u"arbeitet oder für einen bestimmten Zweck geeignet ist. Sichern Sie Ihre Daten, bevor Sie neue Programme "
    u"installieren.\r\n"
    u"\r\n"
    u"5. Haftung\r\n"
    u"Der Hersteller haftet nicht für Schäden, die aus der Benutzung oder der Unmöglichkeit der Benutzung des "
    u"Programms entstehen, es sei denn, sie beruhen auf Vorsatz oder grober Fahrlässigkeit.\r\n"
    u"\r\n"
    u"6. Beendigung\r\n"
    u"Diese Lizenz endet, wenn Sie gegen eine ihrer Bedingungen verstoßen. In diesem Fall müssen Sie das Programm "
    u"und alle Kopien löschen.\r\n"
    u"\r\n"
    u"7. Schlussbestimmungen\r\n"
    u"Es gilt deutsches Recht. Sollte eine Bestimmung dieser Vereinbarung unwirksam sein, bleiben die übrigen "
    u"Bestimmungen davon unberührt.\r\n";
