// LumtraxSetup: the device's installer loads it around installing and
// removing the player. It asks before either, and on removal clears the
// player's wake-up notifications so that no alarm starts a removed program.
// It shares no code with the player: they meet only in the registry value
// "WakeUp" and the player's file name.
#include "ce_setup.h"
#include "notify.h"
#include "windows.h"

#include "setupres.h"

#define SETUP_EXPORT extern "C" __attribute__((visibility("default")))

static HINSTANCE g_instance;

static const WCHAR* const g_questions[2] = {u"Wollen Sie Lumtrax v1.52 installieren?",
                                             u"Wollen Sie Lumtrax v1.52 deinstallieren?"};

static INT_PTR CALLBACK QuestionProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      SetDlgItemTextW(dialog, IDC_QUESTION, g_questions[lParam == 1 ? 1 : 0]);
      SetFocus(GetDlgItem(dialog, IDOK));
      return FALSE;  // the focus is set
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) EndDialog(dialog, 1);
      else if (LOWORD(wParam) == IDCANCEL) EndDialog(dialog, 2);
      return TRUE;
  }
  return FALSE;
}

// 1 when the user answered "Ok" to question 0 (install) or 1 (removal).
static int AskQuestion(HWND owner, int question) {
  HRSRC found = FindResourceW((HMODULE)g_instance, MAKEINTRESOURCEW(IDD_QUESTION), RT_DIALOG);
  HGLOBAL data = found ? LoadResource((HMODULE)g_instance, found) : nullptr;
  if (!data) return 0;
  return DialogBoxIndirectParamW(g_instance, LockResource(data), owner, QuestionProc, question) == 1;
}

// The player registers its own module path: "\Program Files\Lumtrax\lumtrax"
// here, "LUMTRAX.EXE" in any folder on a device. Base name without ".exe",
// case ignored.
static int IsPlayerPath(const WCHAR* path) {
  const WCHAR* base = path;
  for (const WCHAR* p = path; *p; ++p)
    if (*p == u'\\' || *p == u'/') base = p + 1;
  WCHAR name[MAX_PATH];
  int length = lstrlenW(base);
  if (length >= MAX_PATH) return 0;
  lstrcpyW(name, base);
  if (length > 4 && lstrcmpiW(name + length - 4, u".exe") == 0) name[length - 4] = 0;
  return lstrcmpiW(name, u"lumtrax") == 0;
}

static void ClearStoredWakeUp(void) {
  HKEY key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"software\\Oakhaven\\Lumtrax", 0, KEY_READ, &key) != ERROR_SUCCESS) return;
  DWORD type = 0, handle = 0, size = sizeof handle;
  if (RegQueryValueExW(key, u"WakeUp", nullptr, &type, (BYTE*)&handle, &size) == ERROR_SUCCESS &&
      type == REG_DWORD && size == sizeof handle && handle != 0)
    CeClearUserNotification((HANDLE)(UINT_PTR)handle);
  RegCloseKey(key);
}

// Clears one notification if it starts the player. One that vanished or grew
// since its size was asked is skipped.
static void ClearIfPlayer(HANDLE notification) {
  DWORD needed = 0;
  if (CeGetUserNotification(notification, 0, &needed, nullptr) || GetLastError() != ERROR_INSUFFICIENT_BUFFER ||
      needed < sizeof(CE_NOTIFICATION_INFO_HEADER))
    return;
  BYTE* buffer = (BYTE*)LocalAlloc(LPTR, needed);
  if (!buffer) return;
  DWORD got = 0;
  if (CeGetUserNotification(notification, needed, &got, buffer)) {
    const CE_NOTIFICATION_INFO_HEADER* info = (const CE_NOTIFICATION_INFO_HEADER*)buffer;
    if (info->pcent && info->pcent->lpszApplication && IsPlayerPath(info->pcent->lpszApplication))
      CeClearUserNotification(notification);
  }
  LocalFree(buffer);
}

static void ClearPlayerNotifications(void) {
  ClearStoredWakeUp();
  DWORD count = 0;
  if (!CeGetUserNotificationHandles(nullptr, 0, &count) || count == 0) return;
  HANDLE* handles = (HANDLE*)LocalAlloc(LPTR, count * sizeof(HANDLE));
  if (!handles) return;
  DWORD now = 0;
  // The count may have changed since it was asked: only the handles filled count.
  if (CeGetUserNotificationHandles(handles, count, &now)) {
    DWORD filled = now < count ? now : count;
    for (DWORD i = 0; i < filled; ++i) ClearIfPlayer(handles[i]);
  }
  LocalFree(handles);
}

SETUP_EXPORT BOOL DllMain(HANDLE module, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) g_instance = (HINSTANCE)module;
  return TRUE;
}

SETUP_EXPORT codeINSTALL_INIT Install_Init(HWND hwndParent, BOOL, BOOL, LPCWSTR) {
  return AskQuestion(hwndParent, 0) ? codeINSTALL_INIT_CONTINUE : codeINSTALL_INIT_CANCEL;
}

SETUP_EXPORT codeINSTALL_EXIT Install_Exit(HWND, LPCWSTR, WORD, WORD, WORD, WORD, WORD) {
  return codeINSTALL_EXIT_DONE;
}

SETUP_EXPORT codeUNINSTALL_INIT Uninstall_Init(HWND hwndParent, LPCWSTR) {
  if (!AskQuestion(hwndParent, 1)) return codeUNINSTALL_INIT_CANCEL;
  ClearPlayerNotifications();
  return codeUNINSTALL_INIT_CONTINUE;
}

SETUP_EXPORT codeUNINSTALL_EXIT Uninstall_Exit(HWND) { return codeUNINSTALL_EXIT_DONE; }
