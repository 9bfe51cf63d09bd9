// The desktop setup wizard: which device, which of the ten packages, and the
// hand-over to the Application Manager.
#pragma once
#include "windows.h"

// Resource ids.
#define IDD_WELCOME 102
#define IDI_PROGRAM 128
#define IDB_WELCOME 130
#define IDD_AGREEMENT 132
#define IDD_CANCEL 133
#define IDD_FRAME 134
#define IDD_PAGE_START 135
#define IDD_PAGE_DEVICE 136
#define IDD_PAGE_HARDWARE 137
#define IDB_BANNER 137
#define IDC_AGREEMENT 1000
#define IDC_BACK 1001
#define IDC_NEXT 1002
#define IDC_FINISH 1003
#define IDC_PAGEAREA 1008
#define IDC_SEPARATOR 1009
#define IDC_OPTION_DEVICE 1010
#define IDC_OPTION_HARDWARE 1011
#define IDC_MAKERS 1011
#define IDC_MODELS 1013
#define IDC_OS_POCKETPC 1012
#define IDC_OS_POCKETPC2002 1013
#define IDC_CPU 1014
#define IDC_SPEED 1015
#define IDC_DISPLAY 1016

// Sent by a page to the frame: lParam enables (non-zero) or disables "&Fertig".
#define WM_WIZARD_FINISHABLE 0x0905

#define PACKAGE_COUNT 10
#define MAKER_COUNT 14
#define NO_PACKAGE (-1)

typedef struct PackageRow {
  const WCHAR* folder;   // relative to the wizard's folder, with its final backslash
  const WCHAR* cabinet;
} PackageRow;

typedef struct DeviceModel {
  const WCHAR* name;
  int package;
} DeviceModel;

typedef struct DeviceMaker {
  const WCHAR* name;
  int modelCount;
  DeviceModel models[12];
} DeviceMaker;

typedef struct HardwareProcessor {
  const WCHAR* name;
  int speedCount;
  const WCHAR* speeds[3];
  int displayCount;
  const WCHAR* displays[3];
} HardwareProcessor;

typedef struct HardwareOs {
  int processorCount;
  HardwareProcessor processors[4];
} HardwareOs;

extern const PackageRow PackageTable[PACKAGE_COUNT];
extern const DeviceMaker DeviceTable[MAKER_COUNT];
extern const HardwareOs HardwareTable[2];
// [os][processor row][speed row][display row]; the processor rows as the
// "CPU" list shows them for that OS.
extern const signed char HardwarePackage[2][4][3][3];

extern HINSTANCE g_instance;

// The agreement shown in field 1000.
extern const WCHAR AgreementText[];

// Runs the wizard frame: the package index chosen with "&Fertig", or
// NO_PACKAGE when the user cancelled the setup.
int RunWizard(HWND owner);
// The cancel confirmation: 1 when the user confirms the end of the setup.
int ConfirmCancel(HWND owner);
// Copies package i to the temporary folder and runs the Application Manager
// on it; 1 on success, 0 after the failure box.
int InstallPackage(HWND welcome, int package);
