// runner.cpp: runs COMMAND-LINE-FILE's exact line (Wine re-quotes its own) [as APPLICATION],
// presses "OK" in its and its children's boxes, prints "box CAPTION TEXT" or "stray CLASS" (hex)
// per window; returns its status once all ended (10 s at most after). "--hold" holds the desktop.
#include <windows.h>
// After windows.h, whose types it uses.
#include <shellapi.h>

#include <cstdio>
#include <set>
#include <string>

static HANDLE job;

static std::string hex(const char* text)
{
    std::string out;
    for (auto byte = reinterpret_cast<const unsigned char*>(text); *byte; ++byte)
        out += {"0123456789abcdef"[*byte >> 4], "0123456789abcdef"[*byte & 15]};
    return out;
}

static bool in_job(HWND window)
{
    DWORD id = 0;
    GetWindowThreadProcessId(window, &id);
    struct {
        JOBOBJECT_BASIC_PROCESS_ID_LIST head;
        ULONG_PTR more[63];
    } list = {};
    list.head.NumberOfAssignedProcesses = 64;
    QueryInformationJobObject(job, JobObjectBasicProcessIdList, &list, sizeof list, nullptr);
    for (DWORD i = 0; i < list.head.NumberOfProcessIdsInList && i < 64; ++i)
        if (list.head.ProcessIdList[i] == id) return true;
    return false;
}

// Each window is reported once; a box is pressed "OK" until it goes.
static BOOL CALLBACK visit(HWND window, LPARAM)
{
    static std::set<HWND> seen;
    if (!IsWindowVisible(window) || !in_job(window)) return TRUE;
    static char kind[256], caption[1024], text[65536];
    GetClassNameA(window, kind, sizeof kind);
    bool box = std::string(kind) == "#32770";
    if (seen.insert(window).second) {
        GetWindowTextA(window, caption, sizeof caption);
        text[0] = '\0';
        GetDlgItemTextA(window, 0xFFFF, text, sizeof text);
        if (box)
            std::printf("box %s %s\n", hex(caption).c_str(), hex(text).c_str());
        else
            std::printf("stray %s\n", hex(kind).c_str());
        std::fflush(stdout);
    }
    if (box) PostMessageA(window, WM_COMMAND, IDOK, 0);
    return TRUE;
}

// Starts line, as CreateProcessA reads it, as the APPLICATION of the runner's own command line
// (read in Unicode, so that a name the ANSI code page lacks starts too) or as its first token.
static bool start(char* line, PROCESS_INFORMATION& process)
{
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!arguments || count < 3) {
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        return CreateProcessA(nullptr, line, nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                              nullptr, &startup, &process);
    }
    static wchar_t wide[65536];
    if (!MultiByteToWideChar(CP_ACP, 0, line, -1, wide, 65536)) return false;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    return CreateProcessW(arguments[2], wide, nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                          nullptr, &startup, &process);
}

int main(int argc, char** argv)
{
    if (argc == 2 && std::string(argv[1]) == "--hold") {
        GetDesktopWindow();
        Sleep(INFINITE);
    }
    std::FILE* file = argc > 1 ? std::fopen(argv[1], "rb") : nullptr;
    if (!file) return 250;
    static char line[65536];
    line[std::fread(line, 1, sizeof line - 1, file)] = '\0';
    std::fclose(file);
    PROCESS_INFORMATION process = {};
    job = CreateJobObjectA(nullptr, nullptr);
    if (!start(line, process)) return 251;
    AssignProcessToJobObject(job, process.hProcess);
    ResumeThread(process.hThread);
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION info = {};
    for (int after = 0; after < 500; Sleep(20)) {
        QueryInformationJobObject(job, JobObjectBasicAccountingInformation, &info, sizeof info,
                                  nullptr);
        if (info.ActiveProcesses == 0) break;
        EnumWindows(visit, 0);
        if (WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0) ++after;
    }
    DWORD status = 252;
    GetExitCodeProcess(process.hProcess, &status);
    return static_cast<int>(status);
}
