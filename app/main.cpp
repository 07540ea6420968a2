// drovenmk.exe: the program's entry point. The window and the command line
// arrive with the program shell.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  return 0;
}
