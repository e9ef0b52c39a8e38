// win32.cpp: the Windows implementation of platform.h over the ANSI Win32 calls, and WinMain.
#include "platform/platform.h"

#include <windows.h>
// After windows.h, whose types it uses.
#include <shellapi.h>

#include <cstdlib>
#include <cstring>

#include "launcher/launch.h"

// The linker places this symbol at the start of the program's own image: its address is the
// module instance and the base that code offsets are measured from.
extern "C" IMAGE_DOS_HEADER __ImageBase;  // NOLINT(bugprone-reserved-identifier)

namespace platform {

static HINSTANCE own_instance() { return reinterpret_cast<HINSTANCE>(&__ImageBase); }

static std::uint64_t to_u64(const FILETIME& time)
{
    return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// Window handles cross platform.h as integers; here they are the system's handles again.
static HWND as_handle(window handle)
{
    return reinterpret_cast<HWND>(handle);  // NOLINT(performance-no-int-to-ptr)
}

static FILETIME to_file_time(std::uint64_t value)
{
    FILETIME time;
    time.dwLowDateTime = static_cast<DWORD>(value);
    time.dwHighDateTime = static_cast<DWORD>(value >> 32);
    return time;
}

const char* command_line()
{
    const char* line = GetCommandLineA();
    return line ? line : "";
}

// The system's path limits count characters, and a double-byte code page spends two bytes on many:
// a path that does not fit a MAX_PATH buffer is read again into one of the system's own limit.
static std::string long_module_file_name()
{
    std::string path(32768, '\0');
    DWORD count = GetModuleFileNameA(nullptr, &path[0], static_cast<DWORD>(path.size()));
    path.resize(count < path.size() ? count : path.size());
    return path;
}

std::string module_file_name()
{
    char buffer[261];
    DWORD count = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
    // A cut result fills the buffer, or all of it but one byte where the cut would have split a
    // double-byte character; a path of exactly 260 bytes is read twice, alike.
    if (count + 1 >= sizeof buffer) return long_module_file_name();
    return std::string(buffer, count);
}

bool set_current_directory(const char* path) { return SetCurrentDirectoryA(path) != 0; }

unsigned long last_error() { return GetLastError(); }

void exit_process(unsigned long status) { ExitProcess(static_cast<UINT>(status)); }

std::uint32_t code_offset(const void* address)
{
    auto base = reinterpret_cast<std::uintptr_t>(&__ImageBase);
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(address) - base);
}

int system_metric(int index) { return GetSystemMetrics(index); }

bool code_page_lead_bytes(unsigned code_page, unsigned char (&lead)[12])
{
    CPINFO info;
    if (!GetCPInfo(code_page, &info)) return false;
    for (int i = 0; i < 12; ++i) lead[i] = info.LeadByte[i];
    return true;
}

const char* folder_delimiters() { return "\\:"; }

const char* extension_delimiters() { return ".\\:"; }

bool find_first_file(const char* path, found_file& found)
{
    // No file name holds a wildcard, but the search would expand one: a program name the code page
    // cannot represent reads back as "?????" and would match any five-letter name beside it.
    if (std::strpbrk(path, "?*") != nullptr) return false;
    WIN32_FIND_DATAA data;
    HANDLE search = FindFirstFileA(path, &data);
    if (search == INVALID_HANDLE_VALUE) return false;
    FindClose(search);
    found.attributes = data.dwFileAttributes;
    found.last_write_time = to_u64(data.ftLastWriteTime);
    return true;
}

bool files_need_dos_dates() { return true; }

bool file_time_to_local_file_time(std::uint64_t file_time, std::uint64_t& local_time)
{
    FILETIME utc = to_file_time(file_time);
    FILETIME local;
    if (!FileTimeToLocalFileTime(&utc, &local)) return false;
    local_time = to_u64(local);
    return true;
}

bool file_time_to_dos_date_time(std::uint64_t local_time, unsigned short& date,
                                unsigned short& time)
{
    FILETIME local = to_file_time(local_time);
    WORD dos_date = 0;
    WORD dos_time = 0;
    if (!FileTimeToDosDateTime(&local, &dos_date, &dos_time)) return false;
    date = dos_date;
    time = dos_time;
    return true;
}

unsigned long get_private_profile_string(const char* section, const char* key,
                                         const char* default_value, char* buffer,
                                         unsigned long size, const char* path)
{
    return GetPrivateProfileStringA(section, key, default_value, buffer, size, path);
}

bool get_class_info(const char* class_name, bool& default_procedure)
{
    WNDCLASSA found;
    if (!GetClassInfoA(own_instance(), class_name, &found)) return false;
    default_procedure = found.lpfnWndProc == DefWindowProcA;
    return true;
}

void unregister_class(const char* class_name) { UnregisterClassA(class_name, own_instance()); }

void register_class(const char* class_name)
{
    WNDCLASSA window_class = {};
    window_class.lpfnWndProc = DefWindowProcA;
    window_class.hInstance = own_instance();
    window_class.lpszClassName = class_name;
    RegisterClassA(&window_class);
}

window create_window(unsigned long ex_style, const char* class_name, const char* title,
                     unsigned long style)
{
    HWND handle = CreateWindowExA(ex_style, class_name, title, style, 0, 0, 0, 0, nullptr, nullptr,
                                  own_instance(), nullptr);
    return reinterpret_cast<window>(handle);
}

void destroy_window(window handle) { DestroyWindow(as_handle(handle)); }

std::int32_t shell_execute(window owner, const char* verb, const char* file, const char* parameters,
                           const char* directory, int show)
{
    HINSTANCE result = ShellExecuteA(as_handle(owner), verb, file, parameters, directory, show);
    // Only the low 32 bits carry the result, also in a 64-bit process.
    return static_cast<std::int32_t>(reinterpret_cast<std::uintptr_t>(result));
}

int message_box(window owner, const char* text, const char* caption, unsigned style)
{
    return MessageBoxA(as_handle(owner), text, caption, style);
}

}  // namespace platform

// A GUI process has nowhere to print why it terminates; replacing the runtime's verbose handler
// keeps its message printer and name demangler (a third of the executable) out of the link.
namespace __gnu_cxx {                                 // NOLINT(bugprone-reserved-identifier)
void __verbose_terminate_handler() { std::abort(); }  // NOLINT(bugprone-reserved-identifier)
}  // namespace __gnu_cxx

// Windows looks for a DLL loaded by bare name (uxtheme.dll, which the message box and the owner
// window bring in) in the program's folder first, and mailto.exe is dropped into folders that
// others can write to: before anything loads one, only the system folder is searched. The call
// is missing on Windows 7 without KB2533623 and older, which then search as they always did. On
// Vista (6.0), where the update exists too, the shell's COM objects fail to load once the search
// is restricted, and ShellExecuteA may need them: there the search is left as it is.
static void protect_dll_search()
{
    using set_default_dll_directories = BOOL(WINAPI*)(DWORD);
    const DWORD version = GetVersion();
    if ((version & 0xFF) == 6 && ((version >> 8) & 0xFF) == 0) return;
    HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
    FARPROC found = kernel32 ? GetProcAddress(kernel32, "SetDefaultDllDirectories") : nullptr;
    // Never LOAD_LIBRARY_SEARCH_DEFAULT_DIRS: it includes the program's folder.
    if (found)
        reinterpret_cast<set_default_dll_directories>(reinterpret_cast<void*>(found))(
            LOAD_LIBRARY_SEARCH_SYSTEM32);
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    protect_dll_search();
    launcher::stop_when_memory_runs_out();
    return launcher::run();
}
