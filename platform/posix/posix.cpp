// posix.cpp: POSIX implementation of the interface defined in platform.h, and the entry point
// of the native build. The shell is in posix_spawn.cpp, the message boxes in posix_dialogs.cpp,
// the file times in posix_file_times.cpp.

#include <fcntl.h>
#include <signal.h>
#include <sys/auxv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "launcher/launch.h"
#include "platform/platform.h"
#include "platform/posix/posix_ini.h"
#include "platform/posix/posix_paths.h"

// The linker marks the start of the program image with this symbol.
extern "C" const char __executable_start;  // NOLINT(bugprone-reserved-identifier)

namespace {

std::string command_line_text;
std::string program_path;
int program_path_error = 0;
bool program_has_folder = true;
std::string entered_folder;
int saved_error = 0;

// The room the command line can need: each element's bytes with a blank and two quotes, and the
// default program name.
std::size_t line_room(int argc, char** argv)
{
    std::size_t room = sizeof "mailto" + 3 * static_cast<std::size_t>(argc);
    for (int i = 0; i < argc; ++i) room += std::strlen(argv[i]);
    return room;
}

// Writes one argv element at out as one command-line token: its double quotes dropped, as the
// tokenizer would drop them; cut at the tokenizer's longest argument, so that the excess cannot
// spill into the next argument; in quotes when it holds a blank. Returns the end of the token,
// out itself when nothing is left of the element.
char* write_token(const char* element, char* out)
{
    char* end = out;
    char* const limit = out + platform::max_argument_length;
    bool blank = false;
    for (const char* p = element; *p != 0 && end != limit; ++p) {
        if (*p == '"') continue;
        blank |= static_cast<unsigned char>(*p) <= 0x20;
        *end++ = *p;
    }
    if (!blank) return end;
    std::memmove(out + 1, out, static_cast<std::size_t>(end - out));
    *out = '"';
    end[1] = '"';
    return end + 2;
}

// The program name comes first even when argv[0] is empty, so that argument 1 stays argument 1.
// The line is written in place into a string made large enough at once, then cut to its length.
std::string command_line_from(int argc, char** argv)
{
    std::string line(line_room(argc, argv), '\0');
    char* const start = &line[0];
    char* end = argc > 0 ? write_token(argv[0], start) : start;
    if (end == start) end = std::copy_n("mailto", 6, end);
    for (int i = 1; i < argc; ++i) {
        *end = ' ';
        char* const token_end = write_token(argv[i], end + 1);
        if (token_end != end + 1) end = token_end;
    }
    line.resize(static_cast<std::size_t>(end - start));
    return line;
}

// The target of a symbolic link; empty when it cannot be read (errno then says why).
std::string link_target(const char* link)
{
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t length = readlink(link, buffer.data(), buffer.size());
        if (length < 0) return std::string();
        if (static_cast<std::size_t>(length) < buffer.size())
            return std::string(buffer.data(), static_cast<std::size_t>(length));
        buffer.resize(buffer.size() * 2);
    }
}

std::string current_folder()
{
    char* const folder = getcwd(nullptr, 0);
    std::string result = folder != nullptr ? folder : "";
    std::free(folder);
    return result;
}

bool same_file(const struct stat& one, const struct stat& two)
{
    return one.st_dev == two.st_dev && one.st_ino == two.st_ino;
}

// The kernel marks the path of a program file removed since its start (an upgrade, or a binary
// run from its descriptor) with " (deleted)", unless that is the real name of the file. Without
// the mark it names the program's folder; but a memory file's (or one whose folder went too) has
// no folder on the disk the program lives on, and the program none to read settings from.
std::string without_deleted_mark(std::string path)
{
    const std::string mark = " (deleted)";
    struct stat running, named;
    if (path.size() <= mark.size() ||
        path.compare(path.size() - mark.size(), mark.size(), mark) != 0 ||
        stat("/proc/self/exe", &running) != 0 ||
        (stat(path.c_str(), &named) == 0 && same_file(running, named)))
        return path;
    path.resize(path.size() - mark.size());
    const std::string folder = path.substr(0, path.rfind('/') + 1);
    // A folder the program may not look into is still its folder: entering it reports why not.
    if (stat(folder.c_str(), &named) == 0)
        program_has_folder = named.st_dev == running.st_dev;
    else
        program_has_folder = errno != ENOENT && errno != ENOTDIR;
    return path;
}

// Read once, at start: the file may be replaced while the run waits for the opener (an upgrade).
// Where /proc cannot tell (not mounted, a path too long), the path the program was started with
// stands in: made absolute, or, where the starting folder's path is too long to tell, as it is,
// relative to that folder, which the program has not left yet.
void take_program_path()
{
    program_path = link_target("/proc/self/exe");
    if (!program_path.empty()) {
        program_path = without_deleted_mark(program_path);
        return;
    }
    program_path_error = errno;
    // The auxiliary vector holds the address as a number.
    const char* started =
        reinterpret_cast<const char*>(getauxval(AT_EXECFN));  // NOLINT(performance-no-int-to-ptr)
    if (started == nullptr) return;
    const std::string path = started;
    const std::string folder = path[0] == '/' ? std::string() : current_folder();
    program_path = platform::posix::absolute_path(path, folder);
    if (program_path.empty() && path.find('/') != std::string::npos) program_path = path;
}

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
    return program_has_folder ? name : std::string();
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
    take_program_path();
    command_line_text = command_line_from(argc, argv);
    return launcher::run();
}

namespace platform {

const char* command_line() { return command_line_text.c_str(); }

std::string module_file_name() { return program_path; }

// An empty folder is that of a program path that could not be read: the stop reports why not. A
// program without a folder stays where it was started, and reads nothing from beside it.
bool set_current_directory(const char* path)
{
    if (*path == 0 && program_path.empty() && program_path_error != 0) {
        saved_error = program_path_error;
        return false;
    }
    saved_error = program_has_folder ? enter_folder(path) : 0;
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
// File times count 100-nanosecond ticks from 1601-01-01; a time before that reads as 0.
bool find_first_file(const char* path, found_file& found)
{
    const std::int64_t ticks_per_second = 10000000;
    const std::int64_t seconds_1601_to_1970 = 11644473600LL;
    struct stat status;
    if (stat(reachable(path).c_str(), &status) != 0) return false;
    found.attributes = S_ISDIR(status.st_mode) ? 0x10 : 0x80;
    const std::int64_t ticks =
        (static_cast<std::int64_t>(status.st_mtim.tv_sec) + seconds_1601_to_1970) *
            ticks_per_second +
        status.st_mtim.tv_nsec / 100;
    found.last_write_time = ticks < 0 ? 0 : static_cast<std::uint64_t>(ticks);
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
