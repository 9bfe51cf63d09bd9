// The wizard frame and its three pages. The pages are child dialogs made
// once when the frame opens; they keep their selections while it is open.
// A page tells the frame through WM_WIZARD_FINISHABLE whether "&Fertig" may
// end the wizard with its package index.
#include "setup.h"

enum { PAGE_START, PAGE_DEVICE, PAGE_HARDWARE, PAGE_COUNT };

typedef struct WizardFrame {
  HWND frame;
  HWND pages[PAGE_COUNT];
  int shown;  // PAGE_START, or the second page chosen
} WizardFrame;

typedef struct DevicePage {
  int package;
} DevicePage;

typedef struct HardwarePage {
  int os;
  int package;
} HardwarePage;

static WizardFrame g_wizard;
static DevicePage g_devicePage;
static HardwarePage g_hardwarePage;

static void TellFinishable(HWND page, int package) {
  SendMessageW(GetParent(page), WM_WIZARD_FINISHABLE, 0, package != NO_PACKAGE);
}

static int SelectedRow(HWND page, int list) {
  return (int)SendDlgItemMessageW(page, list, LB_GETCURSEL, 0, 0);
}

static void AddRows(HWND page, int list, const WCHAR* const* texts, int count) {
  for (int i = 0; i < count; ++i) SendDlgItemMessageW(page, list, LB_ADDSTRING, 0, (LPARAM)texts[i]);
}

// Device page

static void DeviceRecompute(HWND page) {
  int maker = SelectedRow(page, IDC_MAKERS), model = SelectedRow(page, IDC_MODELS);
  g_devicePage.package = NO_PACKAGE;
  if (maker >= 0 && maker < MAKER_COUNT && model >= 0 && model < DeviceTable[maker].modelCount)
    g_devicePage.package = DeviceTable[maker].models[model].package;
  TellFinishable(page, g_devicePage.package);
}

static void DeviceMakerChosen(HWND page) {
  int maker = SelectedRow(page, IDC_MAKERS);
  SendDlgItemMessageW(page, IDC_MODELS, LB_RESETCONTENT, 0, 0);
  if (maker >= 0 && maker < MAKER_COUNT) {
    for (int i = 0; i < DeviceTable[maker].modelCount; ++i)
      SendDlgItemMessageW(page, IDC_MODELS, LB_ADDSTRING, 0, (LPARAM)DeviceTable[maker].models[i].name);
    // Selecting does not notify: the index follows here.
    SendDlgItemMessageW(page, IDC_MODELS, LB_SETCURSEL, 0, 0);
  }
  DeviceRecompute(page);
}

static INT_PTR CALLBACK DevicePageProc(HWND page, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      for (int i = 0; i < MAKER_COUNT; ++i)
        SendDlgItemMessageW(page, IDC_MAKERS, LB_ADDSTRING, 0, (LPARAM)DeviceTable[i].name);
      g_devicePage.package = NO_PACKAGE;
      return FALSE;
    case WM_COMMAND:
      if (HIWORD(wParam) != LBN_SELCHANGE) return FALSE;
      if (LOWORD(wParam) == IDC_MAKERS) DeviceMakerChosen(page);
      else if (LOWORD(wParam) == IDC_MODELS) DeviceRecompute(page);
      return TRUE;
  }
  return FALSE;
}

// Hardware page

static void HardwareRecompute(HWND page) {
  int os = g_hardwarePage.os;
  int cpu = SelectedRow(page, IDC_CPU), speed = SelectedRow(page, IDC_SPEED), display = SelectedRow(page, IDC_DISPLAY);
  g_hardwarePage.package = NO_PACKAGE;
  if (cpu >= 0 && cpu < HardwareTable[os].processorCount) {
    const HardwareProcessor* p = &HardwareTable[os].processors[cpu];
    if (speed >= 0 && speed < p->speedCount && display >= 0 && display < p->displayCount)
      g_hardwarePage.package = HardwarePackage[os][cpu][speed][display];
  }
  TellFinishable(page, g_hardwarePage.package);
}

static void HardwareOsChosen(HWND page, int os) {
  g_hardwarePage.os = os;
  SendDlgItemMessageW(page, IDC_CPU, LB_RESETCONTENT, 0, 0);
  SendDlgItemMessageW(page, IDC_SPEED, LB_RESETCONTENT, 0, 0);
  SendDlgItemMessageW(page, IDC_DISPLAY, LB_RESETCONTENT, 0, 0);
  for (int i = 0; i < HardwareTable[os].processorCount; ++i)
    SendDlgItemMessageW(page, IDC_CPU, LB_ADDSTRING, 0, (LPARAM)HardwareTable[os].processors[i].name);
  g_hardwarePage.package = NO_PACKAGE;
  TellFinishable(page, NO_PACKAGE);
}

static void HardwareProcessorChosen(HWND page) {
  int os = g_hardwarePage.os, cpu = SelectedRow(page, IDC_CPU);
  SendDlgItemMessageW(page, IDC_SPEED, LB_RESETCONTENT, 0, 0);
  SendDlgItemMessageW(page, IDC_DISPLAY, LB_RESETCONTENT, 0, 0);
  if (cpu >= 0 && cpu < HardwareTable[os].processorCount) {
    const HardwareProcessor* p = &HardwareTable[os].processors[cpu];
    AddRows(page, IDC_SPEED, p->speeds, p->speedCount);
    AddRows(page, IDC_DISPLAY, p->displays, p->displayCount);
    SendDlgItemMessageW(page, IDC_SPEED, LB_SETCURSEL, 0, 0);
    SendDlgItemMessageW(page, IDC_DISPLAY, LB_SETCURSEL, 0, 0);
  }
  HardwareRecompute(page);
}

static INT_PTR CALLBACK HardwarePageProc(HWND page, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      CheckRadioButton(page, IDC_OS_POCKETPC, IDC_OS_POCKETPC2002, IDC_OS_POCKETPC);
      HardwareOsChosen(page, 0);
      return FALSE;
    case WM_COMMAND: {
      int id = LOWORD(wParam), code = HIWORD(wParam);
      if ((id == IDC_OS_POCKETPC || id == IDC_OS_POCKETPC2002) && code == BN_CLICKED) {
        int os = IsDlgButtonChecked(page, IDC_OS_POCKETPC2002) == BST_CHECKED ? 1 : 0;
        if (os != g_hardwarePage.os) HardwareOsChosen(page, os);
      } else if (code == LBN_SELCHANGE && id == IDC_CPU) {
        HardwareProcessorChosen(page);
      } else if (code == LBN_SELCHANGE && (id == IDC_SPEED || id == IDC_DISPLAY)) {
        HardwareRecompute(page);
      }
      return TRUE;
    }
  }
  return FALSE;
}

static INT_PTR CALLBACK StartPageProc(HWND page, UINT message, WPARAM, LPARAM) {
  if (message == WM_INITDIALOG) {
    CheckRadioButton(page, IDC_OPTION_DEVICE, IDC_OPTION_HARDWARE, IDC_OPTION_DEVICE);
    return FALSE;
  }
  return FALSE;
}

// Frame

static void ShowButton(HWND frame, int id, int show) { ShowWindow(GetDlgItem(frame, id), show ? SW_SHOW : SW_HIDE); }

// A command of a hidden or disabled button does nothing.
static int ButtonLive(HWND frame, int id) {
  HWND button = GetDlgItem(frame, id);
  return button && IsWindowVisible(button) && IsWindowEnabled(button);
}

static void ShowPage(HWND frame, int page) {
  for (int i = 0; i < PAGE_COUNT; ++i)
    if (i != page) ShowWindow(g_wizard.pages[i], SW_HIDE);
  ShowWindow(g_wizard.pages[page], SW_SHOW);
  g_wizard.shown = page;
  int first = page == PAGE_START;
  ShowButton(frame, IDC_NEXT, first);
  ShowButton(frame, IDC_FINISH, !first);
  EnableWindow(GetDlgItem(frame, IDC_BACK), !first);
  // Activating a page takes its current selections.
  if (page == PAGE_DEVICE) DeviceRecompute(g_wizard.pages[page]);
  if (page == PAGE_HARDWARE) HardwareRecompute(g_wizard.pages[page]);
  static const int firstControl[PAGE_COUNT] = {IDC_OPTION_DEVICE, IDC_MAKERS, IDC_OS_POCKETPC};
  HWND control = GetDlgItem(g_wizard.pages[page], firstControl[page]);
  if (page == PAGE_START && IsDlgButtonChecked(g_wizard.pages[page], IDC_OPTION_HARDWARE) == BST_CHECKED)
    control = GetDlgItem(g_wizard.pages[page], IDC_OPTION_HARDWARE);
  if (page == PAGE_HARDWARE && g_hardwarePage.os == 1) control = GetDlgItem(g_wizard.pages[page], IDC_OS_POCKETPC2002);
  SendMessageW(frame, WM_NEXTDLGCTL, (WPARAM)control, TRUE);
}

static int ShownPackage(void) {
  if (g_wizard.shown == PAGE_DEVICE) return g_devicePage.package;
  if (g_wizard.shown == PAGE_HARDWARE) return g_hardwarePage.package;
  return NO_PACKAGE;
}

static void FrameInit(HWND frame) {
  g_wizard.frame = frame;
  RECT client, area;
  GetClientRect(frame, &client);
  HWND separator = GetDlgItem(frame, IDC_SEPARATOR);
  RECT line;
  GetWindowRect(separator, &line);
  POINT top = {0, line.top};
  ScreenToClient(frame, &top);
  MoveWindow(separator, 0, top.y, client.right, 2, FALSE);
  GetWindowRect(GetDlgItem(frame, IDC_PAGEAREA), &area);
  POINT origin = {area.left, area.top};
  ScreenToClient(frame, &origin);
  static const WORD ids[PAGE_COUNT] = {IDD_PAGE_START, IDD_PAGE_DEVICE, IDD_PAGE_HARDWARE};
  static const DLGPROC procs[PAGE_COUNT] = {StartPageProc, DevicePageProc, HardwarePageProc};
  for (int i = 0; i < PAGE_COUNT; ++i) {
    g_wizard.pages[i] = CreateDialogParamW(g_instance, MAKEINTRESOURCEW(ids[i]), frame, procs[i], 0);
    SetWindowPos(g_wizard.pages[i], nullptr, origin.x, origin.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  }
  ShowPage(frame, PAGE_START);
}

static INT_PTR CALLBACK FrameProc(HWND frame, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      FrameInit(frame);
      return FALSE;  // the focus is set
    case WM_WIZARD_FINISHABLE:
      EnableWindow(GetDlgItem(frame, IDC_FINISH), lParam != 0);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_NEXT:
          if (ButtonLive(frame, IDC_NEXT)) {
            int hardware = IsDlgButtonChecked(g_wizard.pages[PAGE_START], IDC_OPTION_HARDWARE) == BST_CHECKED;
            ShowPage(frame, hardware ? PAGE_HARDWARE : PAGE_DEVICE);
          }
          break;
        case IDC_BACK:
          if (ButtonLive(frame, IDC_BACK)) ShowPage(frame, PAGE_START);
          break;
        case IDC_FINISH: {
          int package = ShownPackage();
          if (ButtonLive(frame, IDC_FINISH) && package >= 0 && package < PACKAGE_COUNT) EndDialog(frame, package);
          break;
        }
        case IDCANCEL:
          if (ConfirmCancel(frame)) EndDialog(frame, NO_PACKAGE);
          break;
      }
      // IDOK (Enter) has no button here: nothing happens.
      return TRUE;
  }
  return FALSE;
}

int RunWizard(HWND owner) {
  INT_PTR result = DialogBoxParamW(g_instance, MAKEINTRESOURCEW(IDD_FRAME), owner, FrameProc, 0);
  return result >= 0 && result < PACKAGE_COUNT ? (int)result : NO_PACKAGE;
}
