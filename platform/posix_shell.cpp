// posix_shell.cpp: the shell and the message boxes of the POSIX build (see platform.h). The
// desktop's opener (xdg-open) stands in for the Windows shell; standard error, with a dialog where
// a graphical session has one, for message boxes.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/dialog_text.h"
#include "platform/platform.h"

extern char** environ;

namespace {

// Shell results for the opener, in the shell's own terms: 2 when there is no opener, 0 when it
// cannot be started, 31 when it reports failure, 42 when it has taken the request.
const std::int32_t opener_missing = 2;
const std::int32_t opener_not_started = 0;
const std::int32_t opener_failed = 31;
const std::int32_t opener_started = 42;

// How long the opener may take before the request counts as started: some openers stay until
// the mail program they started ends.
const long opener_patience_ns = 5000000000L;

// Whether a started program may keep this standard stream: a terminal or a file, where a user
// reads its diagnostics. A pipe or a socket would keep whoever reads it waiting for as long as
// the program (and the mail program it starts) lives, and a pipe whose reader has gone would
// kill it on its next write.
bool keeps_stream(int stream)
{
    struct stat status;
    return fstat(stream, &status) == 0 && (S_ISREG(status.st_mode) || isatty(stream) == 1);
}

// Standard input from input, or /dev/null when input is negative, so that a started program
// never reads the caller's; standard output and error kept or sent to /dev/null.
void set_streams(posix_spawn_file_actions_t& actions, int input)
{
    if (input >= 0)
        posix_spawn_file_actions_adddup2(&actions, input, STDIN_FILENO);
    else
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    for (const int stream : {STDOUT_FILENO, STDERR_FILENO})
        if (!keeps_stream(stream))
            posix_spawn_file_actions_addopen(&actions, stream, "/dev/null", O_WRONLY, 0);
}

// Every signal at its default and none blocked: a signal ignored here (SIGPIPE, or one the
// caller ignored) would otherwise stay ignored in the started program.
void set_default_signals(posix_spawnattr_t& attributes)
{
    sigset_t all;
    sigset_t none;
    sigfillset(&all);
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
}

// Starts a program found on PATH with the given arguments and environment, never through a
// shell, with the streams and signals above. Returns 0, or the error number when it cannot start.
int spawn(const std::vector<std::string>& arguments, int input, char* const* environment,
          pid_t& child)
{
    std::vector<char*> argv;
    argv.reserve(arguments.size() + 1);
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    set_streams(actions, input);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    set_default_signals(attributes);
    const int error =
        posix_spawnp(&child, argv[0], &actions, &attributes, argv.data(), environment);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return error;
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

// Writes all of text to a pipe; a reader that stops early ends the writing (EPIPE: SIGPIPE is
// ignored).
void write_all(int pipe_end, const std::string& text)
{
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t count = write(pipe_end, text.data() + written, text.size() - written);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) return;
        written += static_cast<std::size_t>(count);
    }
}

// Runs a program, optionally feeding it input (null: none), and waits until it ends.
void run_and_wait(const std::vector<std::string>& arguments, const std::string* input,
                  char* const* environment)
{
    int pipe_ends[2] = {-1, -1};
    if (input != nullptr && pipe2(pipe_ends, O_CLOEXEC) != 0) return;
    pid_t child = 0;
    const bool started = spawn(arguments, pipe_ends[0], environment, child) == 0;
    if (pipe_ends[0] >= 0) {
        close(pipe_ends[0]);
        if (started) write_all(pipe_ends[1], *input);
        close(pipe_ends[1]);
    }
    int status = 0;
    if (started) waitpid(child, &status, 0);
}

// xmessage shows UTF-8 only as international text in a UTF-8 locale (in another locale it fails
// or shows each byte as a character): where the caller's locale is not UTF-8, it gets C.UTF-8.
std::vector<char*> xmessage_environment()
{
    std::vector<char*> environment;
    const bool keep =
        platform::utf8_locale(std::getenv("LC_ALL"), std::getenv("LC_CTYPE"), std::getenv("LANG"));
    for (char** setting = environ; *setting != nullptr; ++setting)
        if (keep || std::strncmp(*setting, "LC_ALL=", 7) != 0) environment.push_back(*setting);
    if (!keep) environment.push_back(const_cast<char*>("LC_ALL=C.UTF-8"));
    environment.push_back(nullptr);
    return environment;
}

// A dialog for the message where a graphical session and a dialog program are at hand. The text
// goes as one argument or on standard input, as each program shows it literally: line breaks as
// LF, valid UTF-8, no markup interpreted.
void show_dialog(const char* text, const char* caption)
{
    if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr) return;
    const std::string title = *caption != 0 ? caption : "mailto";
    const std::string shown = platform::dialog_text(text);
    if (on_path("zenity")) {
        run_and_wait({"zenity", "--info", "--no-markup", "--title=" + title, "--text=" + shown},
                     nullptr, environ);
    } else if (on_path("kdialog")) {
        run_and_wait({"kdialog", "--title", title, "--msgbox", platform::kdialog_text(shown)},
                     nullptr, environ);
    } else if (on_path("xmessage")) {
        run_and_wait(
            {"xmessage", "-title", title, "-center", "-xrm", "*international: true", "-file", "-"},
            &shown, xmessage_environment().data());
    }
}

}  // namespace

namespace platform {

// The request goes to the opener as its one argument, never through a shell, so that no byte of
// the address or subject is interpreted. There is no verb, parameter or folder to hand on.
std::int32_t shell_execute(window, const char*, const char* file, const char*, const char*, int)
{
    pid_t opener = 0;
    const int error = spawn({"xdg-open", file}, -1, environ, opener);
    if (error == ENOENT) return opener_missing;
    if (error != 0) return opener_not_started;
    return opener_result(opener);
}

// Standard error gets the message byte for byte. Where its reader has gone the writes fail
// quietly (SIGPIPE is ignored from the start) and the dialog still shows.
int message_box(window, const char* text, const char* caption, unsigned)
{
    if (*caption != 0) std::fprintf(stderr, "%s\n", caption);
    std::fprintf(stderr, "%s\n", text);
    std::fflush(stderr);
    show_dialog(text, caption);
    return 1;
}

}  // namespace platform
