// posix_program_path.cpp: the running program's path (see posix_program_path.h).

#include "platform/posix/posix_program_path.h"

#include <sys/auxv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "platform/posix/posix_paths.h"

namespace platform::posix {

namespace {

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
std::string without_deleted_mark(std::string path, bool& has_folder)
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
        has_folder = named.st_dev == running.st_dev;
    else
        has_folder = errno != ENOENT && errno != ENOTDIR;
    return path;
}

}  // namespace

// Read once, at start: the file may be replaced while the run waits for the opener (an upgrade).
// Where /proc cannot tell (not mounted, a path too long), the path the program was started with
// stands in: made absolute, or, where the starting folder's path is too long to tell, as it is,
// relative to that folder, which the program has not left yet.
program_file running_program()
{
    program_file program;
    program.path = link_target("/proc/self/exe");
    if (!program.path.empty()) {
        program.path = without_deleted_mark(program.path, program.has_folder);
        return program;
    }
    program.error = errno;
    // The auxiliary vector holds the address as a number.
    const char* started =
        reinterpret_cast<const char*>(getauxval(AT_EXECFN));  // NOLINT(performance-no-int-to-ptr)
    if (started == nullptr) return program;
    const std::string path = started;
    const std::string folder = path[0] == '/' ? std::string() : current_folder();
    program.path = absolute_path(path, folder);
    if (program.path.empty() && path.find('/') != std::string::npos) program.path = path;
    return program;
}

}  // namespace platform::posix
