// Entry point; the composition root is filled in as the Win32 adapters land.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return 0; }
