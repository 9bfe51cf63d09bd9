#include "shell/openfiles.h"

// The file chooser is not built yet: "Öffnen" does nothing until then.
void OpenFiles(void) {}
