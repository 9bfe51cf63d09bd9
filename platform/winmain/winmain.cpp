// main() of every device program: the platform starts, then WinMain runs.
#include "lxprogram.h"
#include "windows.h"

int main(int argc, char** argv) { return LxProgramMain(argc, argv, WinMain); }
