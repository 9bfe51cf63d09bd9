// lumtrax-setup: welcome, licence agreement, the wizard, then the hand-over
// of the chosen package. The welcome dialog stays open under the others
// until the installation begins.
#include "lxprogram.h"
#include "setup.h"

HINSTANCE g_instance;

static INT_PTR CALLBACK CancelProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
    EndDialog(dialog, LOWORD(wParam));
    return TRUE;
  }
  return message == WM_INITDIALOG;
}

int ConfirmCancel(HWND owner) {
  return DialogBoxParamW(g_instance, MAKEINTRESOURCEW(IDD_CANCEL), owner, CancelProc, 0) == IDCANCEL;
}

static INT_PTR CALLBACK AgreementProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      SetDlgItemTextW(dialog, IDC_AGREEMENT, AgreementText);
      SetFocus(GetDlgItem(dialog, IDOK));
      return FALSE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) EndDialog(dialog, LOWORD(wParam));
      return TRUE;
  }
  return FALSE;
}

// 1 when the user agrees; "&Nein" asks whether to end the setup.
static int Agree(HWND owner) {
  for (;;) {
    if (DialogBoxParamW(g_instance, MAKEINTRESOURCEW(IDD_AGREEMENT), owner, AgreementProc, 0) == IDOK) return 1;
    if (ConfirmCancel(owner)) return 0;
  }
}

static void RunSetup(HWND welcome) {
  if (!Agree(welcome)) return;
  int package = RunWizard(welcome);
  if (package == NO_PACKAGE) return;
  InstallPackage(welcome, package);
}

static INT_PTR CALLBACK WelcomeProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG: return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) {
        RunSetup(dialog);
        EndDialog(dialog, IDOK);
      } else if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
      }
      return TRUE;
  }
  return FALSE;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
  LxSetScreenProfile(LX_SCREEN_DESKTOP);
  g_instance = instance;
  DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_WELCOME), nullptr, WelcomeProc, 0);
  return 0;
}
