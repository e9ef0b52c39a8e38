// recorder.cpp: stands in for the mail program: writes its exact command line to record.txt in
// its own folder, so that a test sees what the shell handed over.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char path[MAX_PATH];
    std::string folder(path, GetModuleFileNameA(nullptr, path, sizeof path));
    folder.erase(folder.find_last_of('\\') + 1);
    std::FILE* file = std::fopen((folder + "record.tmp").c_str(), "wb");
    if (!file) return 1;
    std::fwrite(GetCommandLineA(), 1, std::strlen(GetCommandLineA()), file);
    std::fclose(file);
    // The tests read record.txt: it appears only once complete.
    return !MoveFileExA((folder + "record.tmp").c_str(), (folder + "record.txt").c_str(),
                        MOVEFILE_REPLACE_EXISTING);
}
