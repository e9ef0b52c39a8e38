// recorder.cpp: stands in for the mail program: writes its exact command line to record.txt in
// its own folder, so that a test sees what the shell handed over.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

static std::string own_folder()
{
    char path[MAX_PATH];
    DWORD count = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string folder(path, count);
    return folder.substr(0, folder.find_last_of('\\') + 1);
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    const char* line = GetCommandLineA();
    std::string folder = own_folder();
    std::string partial = folder + "record.tmp";
    std::FILE* file = std::fopen(partial.c_str(), "wb");
    if (!file) return 1;
    std::fwrite(line, 1, std::strlen(line), file);
    std::fclose(file);
    // The harness waits for record.txt: it appears only once complete.
    std::string done = folder + "record.txt";
    return MoveFileExA(partial.c_str(), done.c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
