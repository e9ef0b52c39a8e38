// posix_spawn.cpp: the shell of the POSIX build (see platform.h) and the starting of programs
// (see posix_spawn.h). The desktop's opener (xdg-open) stands in for the Windows shell.

#include "platform/posix/posix_spawn.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "platform/platform.h"
#include "platform/posix/posix_paths.h"

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

// Standard input from /dev/null, so that a started program never reads the caller's; standard
// output and error kept or sent to /dev/null. Every other descriptor is closed: one the caller
// leaked to mailto (a pipe, a socket, a lock) must not live on in the mail program.
void set_streams(posix_spawn_file_actions_t& actions)
{
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    for (const int stream : {STDOUT_FILENO, STDERR_FILENO})
        if (!keeps_stream(stream))
            posix_spawn_file_actions_addopen(&actions, stream, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
}

// Every signal at its default and none blocked: a signal ignored here (SIGPIPE, or one the
// caller ignored) would otherwise stay ignored in the started program. A session of its own
// keeps a program out of reach of what is aimed at the caller's process group or terminal.
void set_signals(posix_spawnattr_t& attributes)
{
    sigset_t all;
    sigset_t none;
    sigfillset(&all);
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes,
                             POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSID);
}

// arguments as a program's argument vector, ended by a null pointer.
std::vector<char*> argument_vector(const std::vector<std::string>& arguments)
{
    std::vector<char*> argv;
    argv.reserve(arguments.size() + 1);
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    return argv;
}

// Starts the program at path with the given arguments and environment, never through a shell,
// with the streams and signals above. Returns 0, or the error number when it cannot start.
int spawn(const std::string& path, const std::vector<std::string>& arguments,
          char* const* environment, pid_t& child)
{
    const std::vector<char*> argv = argument_vector(arguments);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    set_streams(actions);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    set_signals(attributes);
    const int error =
        posix_spawn(&child, path.c_str(), &actions, &attributes, argv.data(), environment);
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

// Makes fd the given standard stream of a child about to start a program; fd may be the stream
// already, opened with O_CLOEXEC. Returns false on failure.
bool make_stream(int fd, int stream)
{
    if (fd < 0) return false;
    if (fd == stream) return fcntl(fd, F_SETFD, 0) == 0;
    return dup2(fd, stream) == stream;
}

// set_streams, by hand, in a child about to start a program, with input on standard input where
// it is not negative.
bool set_child_streams(int input)
{
    if (!make_stream(input >= 0 ? input : open("/dev/null", O_RDONLY | O_CLOEXEC), STDIN_FILENO))
        return false;
    for (const int stream : {STDOUT_FILENO, STDERR_FILENO})
        if (!keeps_stream(stream) && !make_stream(open("/dev/null", O_WRONLY | O_CLOEXEC), stream))
            return false;
    return close_range(STDERR_FILENO + 1, ~0U, 0) == 0;
}

// set_signals, by hand, without the session of its own: a dialog is part of mailto. The C
// library's own signals refuse a change, as they do in posix_spawn.
void set_child_signals()
{
    struct sigaction default_action = {};
    default_action.sa_handler = SIG_DFL;
    for (int number = 1; number < NSIG; ++number) sigaction(number, &default_action, nullptr);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
}

// In the child, before it becomes a dialog program: posix_spawn cannot set what comes last. The
// dialog is mailto's own window, so it ends when mailto ends, however that ends (killed alone
// too): the parent-death signal, checked against a parent that ended before it was set. 127 is
// the shell's "cannot execute".
[[noreturn]] void become_dialog(const char* path, char* const* argv, char* const* environment,
                                int input, pid_t parent)
{
    if (!set_child_streams(input)) _exit(127);
    set_child_signals();
    if (prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || getppid() != parent) _exit(127);
    execve(path, argv, environment);
    _exit(127);
}

}  // namespace

namespace platform::posix {

std::string program_on_path(const std::string& name)
{
    for (const std::string& folder : search_folders(std::getenv("PATH"))) {
        std::string candidate = folder;
        candidate += '/';
        candidate += name;
        struct stat status;
        if (stat(candidate.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
            access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    return std::string();
}

// The dialog programs stay in the caller's session, and end with mailto: they are its own windows.
void run_and_wait(const std::string& path, const std::vector<std::string>& arguments,
                  const std::string* input, char* const* environment)
{
    int pipe_ends[2] = {-1, -1};
    if (input != nullptr && pipe2(pipe_ends, O_CLOEXEC) != 0) return;
    const std::vector<char*> argv = argument_vector(arguments);
    const pid_t parent = getpid();
    const pid_t child = fork();
    if (child == 0) become_dialog(path.c_str(), argv.data(), environment, pipe_ends[0], parent);
    if (pipe_ends[0] >= 0) {
        close(pipe_ends[0]);
        if (child > 0) write_all(pipe_ends[1], *input);
        close(pipe_ends[1]);
    }
    int status = 0;
    if (child > 0) waitpid(child, &status, 0);
}

}  // namespace platform::posix

namespace platform {

// The request goes to the opener as its one argument, never through a shell, so that no byte of
// the address or subject is interpreted. There is no verb, parameter or folder to hand on. The
// opener gets a session of its own: the mail program it starts outlives mailto, and must not end
// when mailto's caller is interrupted, killed with its process group or loses its terminal.
std::int32_t shell_execute(window, const char*, const char* file, const char*, const char*, int)
{
    const std::string opener = posix::program_on_path("xdg-open");
    if (opener.empty()) return opener_missing;
    pid_t child = 0;
    if (spawn(opener, {"xdg-open", file}, environ, child) != 0) return opener_not_started;
    return opener_result(child);
}

}  // namespace platform
