// posix.cpp: POSIX implementation of the interface defined in platform.h, and the entry point
// of the native build. The shell and the message boxes are in posix_shell.cpp, the name search
// and the file times in posix_files.cpp.

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "environment/arguments.h"
#include "launcher/launch.h"
#include "platform/platform.h"
#include "platform/posix_files.h"
#include "platform/posix_ini.h"

// The linker marks the start of the program image with this symbol.
extern "C" const char __executable_start;  // NOLINT(bugprone-reserved-identifier)

namespace {

std::string command_line_text;
int saved_error = 0;
std::set<std::string> registered_classes;

// Writes one argv element at out as one command-line token: its double quotes dropped, as the
// tokenizer would drop them; cut at the tokenizer's longest argument, so that the excess cannot
// spill into the next argument; in quotes when it holds a blank. Returns the end of the token,
// out itself when no token is left. There must be room for the longest argument and two quotes.
// Inline, as a call per element would cost more than copying a short one.
inline char* write_token(const char* element, char* out)
{
    char* end = out;
    char* const limit = out + environment::max_argument_length;
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

// Doubles the line's buffer, keeping the used part; end moves along.
void enlarge(std::unique_ptr<char[]>& line, std::size_t& size, char*& end)
{
    const std::size_t used = static_cast<std::size_t>(end - line.get());
    std::unique_ptr<char[]> larger(new char[2 * size]);
    std::memcpy(larger.get(), line.get(), used);
    line = std::move(larger);
    size *= 2;
    end = line.get() + used;
}

// The program name comes first even when argv[0] is empty, so that argument 1 stays argument 1.
// The line is written straight into a buffer that keeps room for one more token at its end: a
// blank, two quotes and the longest argument.
std::string command_line_from(int argc, char** argv)
{
    const std::size_t room = environment::max_argument_length + 3;
    std::size_t size = 2 * room;
    std::unique_ptr<char[]> line(new char[size]);
    const char default_name[] = "mailto";
    char* end = argc > 0 ? write_token(argv[0], line.get()) : line.get();
    if (end == line.get()) end = std::copy_n(default_name, sizeof default_name - 1, end);
    for (int i = 1; i < argc; ++i) {
        if (static_cast<std::size_t>(line.get() + size - end) < room) enlarge(line, size, end);
        *end = ' ';
        char* const token_end = write_token(argv[i], end + 1);
        if (token_end != end + 1) end = token_end;
    }
    return std::string(line.get(), static_cast<std::size_t>(end - line.get()));
}

}  // namespace

int main(int argc, char** argv)
{
    // A write to a reader that has gone fails (EPIPE) instead of ending the run before its message
    // box; the programs started get every signal back at its default.
    signal(SIGPIPE, SIG_IGN);
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
    return posix::find_first_file(path, found);
}

bool file_time_to_local_file_time(std::uint64_t file_time, std::uint64_t& local_time)
{
    return posix::file_time_to_local_file_time(file_time, local_time);
}

bool file_time_to_dos_date_time(std::uint64_t local_time, unsigned short& date,
                                unsigned short& time)
{
    return posix::file_time_to_dos_date_time(local_time, date, time);
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

}  // namespace platform
