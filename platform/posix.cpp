// posix.cpp: POSIX implementation of the interface defined in platform.h, and the entry point
// of the native build. The desktop's opener (xdg-open) stands in for the Windows shell and
// standard error, with a dialog where a graphical session has one, for message boxes.

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "launcher/launch.h"
#include "platform/platform.h"
#include "platform/posix_ini.h"

extern char** environ;
// The linker marks the start of the program image with this symbol.
extern "C" const char __executable_start;  // NOLINT(bugprone-reserved-identifier)

namespace {

std::string command_line_text;
int saved_error = 0;
std::set<std::string> registered_classes;

// Shell results for the opener, in the shell's own terms: 2 when there is no opener, 0 when it
// cannot be started, 31 when it reports failure, 42 when it has taken the request.
const std::int32_t opener_missing = 2;
const std::int32_t opener_not_started = 0;
const std::int32_t opener_failed = 31;
const std::int32_t opener_started = 42;

// How long the opener may take before the request counts as started: some openers stay until
// the mail program they started ends.
const long opener_patience_ns = 5000000000L;

// File times count 100-nanosecond ticks from 1601-01-01; Unix time counts seconds from 1970.
const std::int64_t ticks_per_second = 10000000;
const std::int64_t seconds_1601_to_1970 = 11644473600LL;

// One argv element as one command-line token: its double quotes dropped, as the tokenizer would
// drop them, and the whole in quotes when it holds a blank.
std::string as_token(const char* element)
{
    std::string token;
    bool blank = false;
    for (const char* p = element; *p != 0; ++p) {
        if (*p == '"') continue;
        blank = blank || static_cast<unsigned char>(*p) <= 0x20;
        token += *p;
    }
    return blank ? "\"" + token + "\"" : token;
}

// The program name comes first even when argv[0] is empty, so that argument 1 stays argument 1.
std::string command_line_from(int argc, char** argv)
{
    std::string name = argc > 0 ? as_token(argv[0]) : std::string();
    std::string line = name.empty() ? std::string("mailto") : name;
    for (int i = 1; i < argc; ++i) {
        const std::string token = as_token(argv[i]);
        if (!token.empty()) line += " " + token;
    }
    return line;
}

void sleep_ns(long ns)
{
    const timespec pause = {ns / 1000000000L, ns % 1000000000L};
    nanosleep(&pause, nullptr);
}

// Sleeps until the opener ends or the time is up, whichever comes first. Where the system cannot
// watch a process (no pidfd), a pause of a millisecond stands in and the caller polls.
void await_exit(pid_t opener, long ns)
{
    const int watch = static_cast<int>(syscall(SYS_pidfd_open, opener, 0));
    if (watch < 0) return sleep_ns(std::min(ns, 1000000L));
    pollfd exited = {watch, POLLIN, 0};
    (void)poll(&exited, 1, static_cast<int>((ns + 999999L) / 1000000L));
    close(watch);
}

long elapsed_ns(const timespec& start)
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (now.tv_sec - start.tv_sec) * 1000000000L + (now.tv_nsec - start.tv_nsec);
}

// Waits for the opener, but not for ever; it is seen the moment it ends.
std::int32_t opener_result(pid_t opener)
{
    timespec start;
    clock_gettime(CLOCK_MONOTONIC, &start);
    for (;;) {
        int status = 0;
        const pid_t done = waitpid(opener, &status, WNOHANG);
        if (done == opener)
            return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? opener_started : opener_failed;
        if (done < 0) return opener_failed;
        const long waited = elapsed_ns(start);
        if (waited >= opener_patience_ns) return opener_started;
        await_exit(opener, opener_patience_ns - waited);
    }
}

// Whether name is an executable file in one of the folders of PATH.
bool on_path(const std::string& name)
{
    const char* path = std::getenv("PATH");
    std::string folders = path != nullptr ? path : "/usr/bin:/bin";
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = folders.find(':', start);
        const std::string folder = folders.substr(start, end - start);
        if (access(((folder.empty() ? "." : folder) + "/" + name).c_str(), X_OK) == 0) return true;
        if (end == std::string::npos) return false;
        start = end + 1;
    }
}

// Runs a program with the given arguments, never through a shell, optionally feeding it input,
// and waits until it ends.
void run_and_wait(const std::vector<std::string>& arguments, const char* input)
{
    std::vector<char*> argv;
    argv.reserve(arguments.size() + 1);
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    int pipe_ends[2] = {-1, -1};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (input != nullptr && pipe(pipe_ends) == 0) {
        posix_spawn_file_actions_adddup2(&actions, pipe_ends[0], STDIN_FILENO);
        posix_spawn_file_actions_addclose(&actions, pipe_ends[1]);
    }
    pid_t child = 0;
    const bool started =
        posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    if (pipe_ends[0] >= 0) {
        close(pipe_ends[0]);
        if (started) (void)!write(pipe_ends[1], input, std::strlen(input));
        close(pipe_ends[1]);
    }
    int status = 0;
    if (started) waitpid(child, &status, 0);
}

// A dialog for the message where a graphical session and a dialog program are at hand; the text
// goes as one argument or on standard input, with markup off, so nothing in it is interpreted.
void show_dialog(const char* text, const char* caption)
{
    if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr) return;
    const std::string title = *caption != 0 ? caption : "mailto";
    if (on_path("zenity"))
        run_and_wait(
            {"zenity", "--info", "--no-markup", "--title=" + title, std::string("--text=") + text},
            nullptr);
    else if (on_path("kdialog"))
        run_and_wait({"kdialog", "--title", title, "--msgbox", text}, nullptr);
    else if (on_path("xmessage"))
        run_and_wait({"xmessage", "-title", title, "-center", "-file", "-"}, text);
}

}  // namespace

int main(int argc, char** argv)
{
    command_line_text = command_line_from(argc, argv);
    return launcher::run();
}

namespace platform {

const char* command_line() { return command_line_text.c_str(); }

std::string module_file_name()
{
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0) return std::string();
        if (static_cast<std::size_t>(length) < buffer.size())
            return std::string(buffer.data(), length);
        buffer.resize(buffer.size() * 2);
    }
}

bool set_current_directory(const char* path)
{
    if (chdir(path) == 0) return true;
    saved_error = errno;
    return false;
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

bool find_first_file(const char* path, found_file& found)
{
    struct stat status;
    if (stat(path, &status) != 0) return false;
    found.attributes = S_ISDIR(status.st_mode) ? 0x10 : 0x80;
    const std::int64_t ticks =
        (static_cast<std::int64_t>(status.st_mtim.tv_sec) + seconds_1601_to_1970) *
            ticks_per_second +
        status.st_mtim.tv_nsec / 100;
    found.last_write_time = ticks < 0 ? 0 : static_cast<std::uint64_t>(ticks);
    return true;
}

bool file_time_to_local_file_time(std::uint64_t file_time, std::uint64_t& local_time)
{
    const time_t seconds = static_cast<time_t>(
        static_cast<std::int64_t>(file_time / ticks_per_second) - seconds_1601_to_1970);
    struct tm local;
    if (localtime_r(&seconds, &local) == nullptr) return false;
    const std::int64_t shifted =
        static_cast<std::int64_t>(file_time) + local.tm_gmtoff * ticks_per_second;
    if (shifted < 0) return false;
    local_time = static_cast<std::uint64_t>(shifted);
    return true;
}

bool file_time_to_dos_date_time(std::uint64_t local_time, unsigned short& date,
                                unsigned short& time)
{
    const time_t seconds = static_cast<time_t>(
        static_cast<std::int64_t>(local_time / ticks_per_second) - seconds_1601_to_1970);
    struct tm parts;
    if (gmtime_r(&seconds, &parts) == nullptr) return false;
    const int year = parts.tm_year + 1900;
    if (year < 1980 || year > 2107) return false;
    date = static_cast<unsigned short>(((year - 1980) << 9) | ((parts.tm_mon + 1) << 5) |
                                       parts.tm_mday);
    time = static_cast<unsigned short>((parts.tm_hour << 11) | (parts.tm_min << 5) |
                                       (parts.tm_sec / 2));
    return true;
}

unsigned long get_private_profile_string(const char* section, const char* key,
                                         const char* default_value, char* buffer,
                                         unsigned long size, const char* path)
{
    if (size == 0) return 0;
    // Null names would ask the Windows reader for lists of names, which nothing here needs.
    const std::string value =
        read_ini_file_value(path ? path : "", section ? section : "", key ? key : "",
                            default_value ? default_value : "", size);
    std::memcpy(buffer, value.data(), value.size());
    buffer[value.size()] = 0;
    return static_cast<unsigned long>(value.size());
}

// No window exists here: the class is only remembered, and the owner handle is a token that lets
// the run go on unchanged.
bool get_class_info(const char* class_name, bool& default_procedure)
{
    default_procedure = true;
    return registered_classes.count(class_name) != 0;
}

void unregister_class(const char* class_name) { registered_classes.erase(class_name); }
void register_class(const char* class_name) { registered_classes.insert(class_name); }

window create_window(unsigned long, const char*, const char*, unsigned long) { return 1; }
void destroy_window(window) {}

// The request goes to the opener as its one argument, never through a shell, so that no byte of
// the address or subject is interpreted. There is no verb, parameter or folder to hand on.
std::int32_t shell_execute(window, const char*, const char* file, const char*, const char*, int)
{
    char* argv[] = {const_cast<char*>("xdg-open"), const_cast<char*>(file), nullptr};
    pid_t opener = 0;
    const int error = posix_spawnp(&opener, argv[0], nullptr, nullptr, argv, environ);
    if (error == ENOENT) return opener_missing;
    if (error != 0) return opener_not_started;
    return opener_result(opener);
}

int message_box(window, const char* text, const char* caption, unsigned)
{
    if (*caption != 0) std::fprintf(stderr, "%s\n", caption);
    std::fprintf(stderr, "%s\n", text);
    std::fflush(stderr);
    show_dialog(text, caption);
    return 1;
}

}  // namespace platform
