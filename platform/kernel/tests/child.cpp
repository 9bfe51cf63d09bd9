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
// REGWRITE
  fprintf(stderr, "usage: lxkernelchild exit N | sleep MS | regwrite TAG N\n");
  return 1;
}
