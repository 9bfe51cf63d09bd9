// Child program for the process and registry tests.
//   child exit N            ends with exit code N
//   child sleep MS          sleeps, then ends with 0
//   child regwrite TAG N    writes N values "TAG<i>" = i under HKCU\Software\LxTest
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "windows.h"

int main(int argc, char** argv) {
  if (argc >= 3 && strcmp(argv[1], "exit") == 0) return atoi(argv[2]);
  if (argc >= 3 && strcmp(argv[1], "sleep") == 0) {
    Sleep((DWORD)atoi(argv[2]));
    return 0;
  }
  if (argc >= 4 && strcmp(argv[1], "regwrite") == 0) {
    int n = atoi(argv[3]);
    std::u16string tag = LxFromUtf8(argv[2]);
    for (int i = 0; i < n; ++i) {
      HKEY key;
      if (RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\LxTest", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                          nullptr) != ERROR_SUCCESS)
        return 2;
      WCHAR name[64];
      wsprintfW(name, u"%s%d", tag.c_str(), i);
      DWORD v = (DWORD)i;
      LONG r = RegSetValueExW(key, name, 0, REG_DWORD, (const BYTE*)&v, sizeof v);
      if (RegCloseKey(key) != ERROR_SUCCESS || r != ERROR_SUCCESS) return 3;
    }
    return 0;
  }
  fprintf(stderr, "usage: lxkernelchild exit N | sleep MS | regwrite TAG N\n");
  return 1;
}
