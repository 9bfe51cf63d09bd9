#include "shell/openfiles.h"

#include "shell/dispatch.h"
#include "shell/mainwindow.h"

// Until the file chooser exists its template is missing and RunDialog
// answers -1: nothing happens.
void OpenFiles(void) {
  if (RunDialog(IDD_FILECHOOSER, (DLGPROC)DialogDefault, 0) != IDOK) return;
}
