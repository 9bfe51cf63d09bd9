// Common dialogs: the device's full-screen save dialog.
#pragma once
#include "windows.h"

typedef UINT_PTR(CALLBACK* LPOFNHOOKPROC)(HWND, UINT, WPARAM, LPARAM);

typedef struct tagOFNW {
  DWORD lStructSize;
  HWND hwndOwner;
  HINSTANCE hInstance;
  LPCWSTR lpstrFilter;        // pairs of label and pattern, each ending in 0, the list ending in another 0
  LPWSTR lpstrCustomFilter;
  DWORD nMaxCustFilter;
  DWORD nFilterIndex;         // 1-based
  LPWSTR lpstrFile;           // in: the initial name; out: the full path
  DWORD nMaxFile;
  LPWSTR lpstrFileTitle;      // out: the name without the folder
  DWORD nMaxFileTitle;
  LPCWSTR lpstrInitialDir;    // default "\My Documents"
  LPCWSTR lpstrTitle;
  DWORD Flags;
  WORD nFileOffset;
  WORD nFileExtension;
  LPCWSTR lpstrDefExt;
  LPARAM lCustData;
  LPOFNHOOKPROC lpfnHook;
  LPCWSTR lpTemplateName;
} OPENFILENAMEW, *LPOPENFILENAMEW;
typedef OPENFILENAMEW OPENFILENAME;

#define OFN_READONLY 0x00000001
#define OFN_OVERWRITEPROMPT 0x00000002
#define OFN_HIDEREADONLY 0x00000004
#define OFN_NOCHANGEDIR 0x00000008
#define OFN_PATHMUSTEXIST 0x00000800
#define OFN_FILEMUSTEXIST 0x00001000
#define OFN_CREATEPROMPT 0x00002000
#define OFN_NOTESTFILECREATE 0x00010000

#define CDERR_GENERALCODES 0x0000
#define CDERR_STRUCTSIZE 0x0001
#define CDERR_INITIALIZATION 0x0002
#define FNERR_INVALIDFILENAME 0x3002
#define FNERR_BUFFERTOOSMALL 0x3003

WINUSERAPI BOOL GetSaveFileNameW(LPOPENFILENAMEW ofn);
WINUSERAPI DWORD CommDlgExtendedError(void);
#ifdef __cplusplus
#define GetSaveFileName GetSaveFileNameW
#endif
