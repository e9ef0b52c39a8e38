// planted.cpp: a DLL planted beside the program under a system DLL's name: whichever process loads
// it adds its own path as a line to C:\rec\planted.txt, so that a test sees that it ran.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    char line[MAX_PATH + 2];
    DWORD length = GetModuleFileNameA(nullptr, line, MAX_PATH);
    line[length++] = '\r';
    line[length++] = '\n';
    HANDLE file = CreateFileA("C:\\rec\\planted.txt", FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return TRUE;
    DWORD written = 0;
    WriteFile(file, line, length, &written, nullptr);
    CloseHandle(file);
    return TRUE;
}
