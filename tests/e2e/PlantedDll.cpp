// A library that an attacker could leave beside the program under the name of a system library.
// It exports nothing; the tests only look whether the program ever loads it.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
