// A library that does nothing: the system-library test plants a copy of it in the working folder
// under a name the program could ask for, and checks that no load by that name reaches it.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
