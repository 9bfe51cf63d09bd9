// Registry: HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER, kept in one text file
// in the device's data folder.
#pragma once
#include "windef.h"
#include "winerror.h"

#define HKEY_CLASSES_ROOT ((HKEY)(ULONG_PTR)0x80000000)
#define HKEY_CURRENT_USER ((HKEY)(ULONG_PTR)0x80000001)
#define HKEY_LOCAL_MACHINE ((HKEY)(ULONG_PTR)0x80000002)
#define HKEY_USERS ((HKEY)(ULONG_PTR)0x80000003)

typedef DWORD REGSAM;
#define KEY_QUERY_VALUE 0x0001
#define KEY_SET_VALUE 0x0002
#define KEY_CREATE_SUB_KEY 0x0004
#define KEY_ENUMERATE_SUB_KEYS 0x0008
#define KEY_READ 0x20019
#define KEY_WRITE 0x20006
#define KEY_ALL_ACCESS 0xF003F
#define REG_OPTION_NON_VOLATILE 0x00000000
#define REG_CREATED_NEW_KEY 0x00000001
#define REG_OPENED_EXISTING_KEY 0x00000002

#define REG_NONE 0
#define REG_SZ 1
#define REG_EXPAND_SZ 2
#define REG_BINARY 3
#define REG_DWORD 4
#define REG_MULTI_SZ 7

WINBASEAPI LONG RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD options, REGSAM sam, PHKEY result);
WINBASEAPI LONG RegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD reserved, LPWSTR cls, DWORD options, REGSAM sam,
                                LPSECURITY_ATTRIBUTES sa, PHKEY result, LPDWORD disposition);
WINBASEAPI LONG RegQueryValueExW(HKEY key, LPCWSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                                 LPDWORD size);
WINBASEAPI LONG RegSetValueExW(HKEY key, LPCWSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD size);
WINBASEAPI LONG RegDeleteValueW(HKEY key, LPCWSTR name);
WINBASEAPI LONG RegDeleteKeyW(HKEY key, LPCWSTR subKey);
WINBASEAPI LONG RegEnumValueW(HKEY key, DWORD index, LPWSTR name, LPDWORD nameSize, LPDWORD reserved,
                              LPDWORD type, LPBYTE data, LPDWORD dataSize);
WINBASEAPI LONG RegEnumKeyExW(HKEY key, DWORD index, LPWSTR name, LPDWORD nameSize, LPDWORD reserved,
                              LPWSTR cls, LPDWORD clsSize, PFILETIME lastWrite);
WINBASEAPI LONG RegCloseKey(HKEY key);
// Changes reach the file when a key is closed, on RegFlushKey and at exit.
WINBASEAPI LONG RegFlushKey(HKEY key);
