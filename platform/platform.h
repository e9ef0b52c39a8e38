// platform.h: the few operating-system calls that the launcher, the environment and the settings
// code make. Each platform file (win32.cpp, posix.cpp) implements all of them and holds the entry
// point; the unit tests link the recording fake (fake.cpp) instead.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// A window handle; 0 is the null handle.
using window = std::uintptr_t;

// --- Process -------------------------------------------------------------------------------

// The longest argument, in bytes. The tokenizer cuts a token there; an entry point that builds
// the command line from separate arguments cuts each at the same length.
const std::size_t max_argument_length = 65536;

// The process command line as the starter wrote it, program name first; never null.
const char* command_line();

// The full path of the running executable; empty when the system cannot tell.
std::string module_file_name();

// Makes path the current directory. Returns false on failure; last_error() then says why.
bool set_current_directory(const char* path);

// The system error code of the last failed call.
unsigned long last_error();

// Ends the process at once with the given status. Used only where no caller can be returned to.
[[noreturn]] void exit_process(unsigned long status);

// The offset of a code address from the start of the program's image: a value that tells the
// failing place in a run-time stop report.
std::uint32_t code_offset(const void* address);

// --- Text and paths ------------------------------------------------------------------------

// The system metric with the given index (42: double-byte character support).
int system_metric(int index);

// Fills lead with the twelve lead-byte bytes (up to six low/high pairs) of the code page.
// Returns false when the code page cannot be queried.
bool code_page_lead_bytes(unsigned code_page, unsigned char (&lead)[12]);

// The bytes that separate folders in a path: "\\:" on Windows, "/" on POSIX.
const char* folder_delimiters();

// The folder separators and the extension dot, for finding where an extension starts.
const char* extension_delimiters();

// What a name search found: its attributes (0x10: a directory) and its last-write time in
// 100-nanosecond units since 1601-01-01 UTC.
struct found_file {
    unsigned long attributes = 0;
    std::uint64_t last_write_time = 0;
};

// Looks path up as a name search and closes the search at once. Returns false when nothing
// matches; on Windows, where no file name holds "?" or "*", also when path holds either.
bool find_first_file(const char* path, found_file& found);

// Whether a file counts as existing only when its last-write time converts to an MS-DOS date:
// true on Windows, whose rule that is; false on POSIX, where package managers and reproducible
// archives install files with times such as 0.
bool files_need_dos_dates();

// Converts a file time from UTC to local time. Returns false on failure.
bool file_time_to_local_file_time(std::uint64_t file_time, std::uint64_t& local_time);

// Converts a local file time to an MS-DOS date and time. Returns false for a time outside the
// years 1980 to 2107.
bool file_time_to_dos_date_time(std::uint64_t local_time, unsigned short& date,
                                unsigned short& time);

// Reads key in section of the INI file at path into buffer (size bytes, zero-terminated), or
// default_value when there is none. Returns the number of bytes stored, the terminator excluded.
unsigned long get_private_profile_string(const char* section, const char* key,
                                         const char* default_value, char* buffer,
                                         unsigned long size, const char* path);

// --- Windows and the shell ------------------------------------------------------------------

// Looks up the window class of the program's module. Returns false when it is not registered;
// otherwise default_procedure tells whether its window procedure is the system default one.
bool get_class_info(const char* class_name, bool& default_procedure);

// Unregisters the window class of the program's module.
void unregister_class(const char* class_name);

// Registers the window class for the program's module: class style 0, the system default window
// procedure, no extra bytes, icon, cursor, brush or menu.
void register_class(const char* class_name);

// Creates a window of the class at 0, 0 with size 0 x 0, no parent, menu or creation data, for
// the program's module. Returns its handle, or 0 on failure.
window create_window(unsigned long ex_style, const char* class_name, const char* title,
                     unsigned long style);

// Destroys a window made by create_window.
void destroy_window(window handle);

// Asks the shell to open file. Null verb, parameters or directory mean none. Returns the shell's
// result, read as a signed 32-bit value: 0 to 32 is a failure, anything else success.
std::int32_t shell_execute(window owner, const char* verb, const char* file, const char* parameters,
                           const char* directory, int show);

// Shows a message box and waits until the user dismisses it. Returns the button pressed.
int message_box(window owner, const char* text, const char* caption, unsigned style);

}  // namespace platform
