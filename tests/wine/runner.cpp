// runner.cpp: starts a program on the exact command line read from a file, waits for it and
// returns its exit status, because a Wine command line re-quotes whatever it is given.
// Usage: runner COMMAND-LINE-FILE [APPLICATION-PATH]
//        runner --hold   keeps the Wine desktop in use until killed, so that it is not closed
//                        and started anew (slowly) between two runs.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

static bool read_file(const char* path, std::string& text)
{
    std::FILE* file = std::fopen(path, "rb");
    if (!file) return false;
    char chunk[4096];
    size_t count;
    while ((count = std::fread(chunk, 1, sizeof chunk, file)) > 0) text.append(chunk, count);
    std::fclose(file);
    return true;
}

int main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "--hold") == 0) {
        GetDesktopWindow();
        Sleep(INFINITE);
    }
    std::string line;
    if (argc < 2 || !read_file(argv[1], line)) {
        std::fprintf(stderr, "runner: cannot read the command-line file\n");
        return 250;
    }
    const char* application = argc > 2 ? argv[2] : nullptr;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(application, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        std::fprintf(stderr, "runner: CreateProcessA failed with %lu\n", GetLastError());
        return 251;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD status = 252;
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(status);
}
