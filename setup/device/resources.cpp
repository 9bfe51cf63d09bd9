// The setup library's resource script: the question dialog.
#include "lxresource.h"
#include "setupres.h"

static const LXDLGITEM kQuestionItems[] = {
    {WS_VISIBLE | SS_BITMAP | SS_CENTERIMAGE, 0, 0, 2, 114, 38, 0xFFFF, u"STATIC", MAKEINTRESOURCEW(IDB_SETUP)},
    {WS_VISIBLE | SS_CENTER, 0, 4, 44, 106, 10, 0xFFFF, u"STATIC", u"Lumtrax v1.52"},
    {WS_VISIBLE | SS_CENTER, 0, 4, 55, 106, 10, 0xFFFF, u"STATIC", u"Service Pack 2(Patch 2)"},
    {WS_VISIBLE | SS_CENTER, 0, 4, 76, 106, 36, IDC_QUESTION, u"STATIC", u""},
    {WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 8, 124, 46, 14, IDOK, u"BUTTON", u"Ok"},
    {WS_VISIBLE | WS_TABSTOP, 0, 60, 124, 46, 14, IDCANCEL, u"BUTTON", u"Abbrechen"},
};
static const LXDLGTEMPLATE kQuestion = {DS_MODALFRAME | DS_CENTER | DS_SETFONT | WS_POPUP,
                                        0, 0, 0, 114, 145, nullptr, 8, u"Tahoma",
                                        sizeof kQuestionItems / sizeof kQuestionItems[0], kQuestionItems};

static const LXRESOURCE kResources[] = {{RT_DIALOG, IDD_QUESTION, &kQuestion, sizeof kQuestion}};
LX_RESOURCE_TABLE(kResources);
