// idle.cpp: a program that does nothing, started like mailto.exe to show what Wine itself changes
// in its prefix whenever a program runs.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return 0; }
