// posix.cpp: POSIX implementation of the interface defined in platform.h, and the entry point
// of the native build. The shell is in posix_spawn.cpp, the message boxes in posix_dialogs.cpp,
// the file times in posix_file_times.cpp; main reads the program's path (posix_program_path.cpp)
// and writes argv as a command line (posix_command_line.cpp).

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "launcher/launch.h"
#include "platform/platform.h"
#include "platform/posix/posix_command_line.h"
#include "platform/posix/posix_file_times.h"
#include "platform/posix/posix_ini.h"
#include "platform/posix/posix_paths.h"
#include "platform/posix/posix_program_path.h"

// The linker marks the start of the program image with this symbol.
extern "C" const char __executable_start;  // NOLINT(bugprone-reserved-identifier)

namespace {

std::string command_line_text;
platform::posix::program_file program;
std::string entered_folder;
int saved_error = 0;

// Enters folder; from the root one name at a time where its path is too long to give at once.
// Returns 0, or the error that stopped it.
int enter_folder(const char* folder)
{
    if (chdir(folder) == 0) return 0;
    if (errno != ENAMETOOLONG || folder[0] != '/') return errno;
    int at = open("/", O_PATH | O_DIRECTORY | O_CLOEXEC);
    for (const char* name = folder; at >= 0 && *name != 0;) {
        const char* const end = std::strchr(name, '/');
        const std::string step = end ? std::string(name, end) : std::string(name);
        name = end ? end + 1 : name + step.size();
        if (step.empty()) continue;
        const int next = openat(at, step.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        const int error = errno;
        close(at);
        at = next;
        errno = error;
    }
    if (at < 0) return errno;
    const int error = fchdir(at) == 0 ? 0 : errno;
    close(at);
    return error;
}

// path as the program reaches it: a file beside the program by its name alone, as the program's
// folder is the current one, so that no path over PATH_MAX is needed; nothing, so no file, for a
// program without a folder; anything else as it stands.
std::string reachable(const char* path)
{
    const std::string name = platform::posix::name_in_folder(path, entered_folder);
    if (name.empty()) return path;
    return program.has_folder ? name : std::string();
}

}  // namespace

int main(int argc, char** argv)
{
    // Building the command line from a long argv can exhaust memory already.
    launcher::stop_when_memory_runs_out();
    // A write to a reader that has gone (EPIPE) or to a file at the caller's size limit (EFBIG)
    // fails instead of ending the run before its message box; the programs started get every
    // signal back at its default. SIGCHLD must be at its default for the opener's exit status to
    // be collected: ignored, the kernel discards it.
    signal(SIGPIPE, SIG_IGN);
    signal(SIGXFSZ, SIG_IGN);
    signal(SIGCHLD, SIG_DFL);
    program = platform::posix::running_program();
    command_line_text = platform::posix::command_line_from(argc, argv);
    return launcher::run();
}

namespace platform {

const char* command_line() { return command_line_text.c_str(); }

std::string module_file_name() { return program.path; }

// An empty folder is that of a program path that could not be read: the stop reports why not. A
// program without a folder stays where it was started, and reads nothing from beside it.
bool set_current_directory(const char* path)
{
    if (*path == 0 && program.path.empty() && program.error != 0) {
        saved_error = program.error;
        return false;
    }
    saved_error = program.has_folder ? enter_folder(path) : 0;
    if (saved_error != 0) return false;
    entered_folder = path;
    return true;
}

unsigned long last_error() { return static_cast<unsigned long>(saved_error); }

void exit_process(unsigned long status) { _exit(static_cast<int>(status)); }

std::uint32_t code_offset(const void* address)
{
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(address) -
                                      reinterpret_cast<std::uintptr_t>(&__executable_start));
}

// A UTF-8 system has no double-byte code page.
int system_metric(int) { return 0; }

bool code_page_lead_bytes(unsigned, unsigned char (&lead)[12])
{
    std::memset(lead, 0, sizeof lead);
    return true;
}

const char* folder_delimiters() { return "/"; }
const char* extension_delimiters() { return "./"; }

// A stat stands in for the name search: a directory gets the attribute 0x10, anything else 0x80.
bool find_first_file(const char* path, found_file& found)
{
    struct stat status;
    if (stat(reachable(path).c_str(), &status) != 0) return false;
    found.attributes = S_ISDIR(status.st_mode) ? 0x10 : 0x80;
    found.last_write_time = posix::file_time_of(status.st_mtim);
    return true;
}

// A file installed with the time 0 or one past 2107 is as good a file as any.
bool files_need_dos_dates() { return false; }

unsigned long get_private_profile_string(const char* section, const char* key,
                                         const char* default_value, char* buffer,
                                         unsigned long size, const char* path)
{
    if (size == 0) return 0;
    // Null names would ask the Windows reader for lists of names, which nothing here needs.
    const std::string value =
        read_ini_file_value(path ? reachable(path) : "", section ? section : "", key ? key : "",
                            default_value ? default_value : "", size);
    std::memcpy(buffer, value.data(), value.size());
    buffer[value.size()] = 0;
    return static_cast<unsigned long>(value.size());
}

// There are no windows here: no class to find or register, and no owner window, so the shell
// gets none (a null handle, which the launcher never destroys).
bool get_class_info(const char*, bool&) { return false; }
void unregister_class(const char*) {}
void register_class(const char*) {}
window create_window(unsigned long, const char*, const char*, unsigned long) { return 0; }
void destroy_window(window) {}

}  // namespace platform
