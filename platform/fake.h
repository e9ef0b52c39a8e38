// fake.h: the recording fake of the platform layer that the unit tests link. Every call is
// recorded in order as one readable line, such as
//   ShellExecuteA(0x1000, NULL, "mailto:a@b", NULL, NULL, 1) = 42
// and its results come from what the test scripted beforehand. It fakes every function of
// platform.h but the two file-time conversions, which are the real ones of posix_file_times.cpp:
// a scripted file's last-write time is judged by the real calendar, in the process's time zone.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace fake {

// Forgets every recorded call and every scripted result: an empty command line, a module path
// of "C:\\tools\\mailto.exe", Windows delimiters and file-time rule, no double-byte support, no
// files, no window classes, a window handle of 0x1000 and a shell result of 42.
void reset();

// The recorded calls, oldest first. Strings show as the platform would see them, that is up to
// their first zero byte, in double quotes; a null string shows as NULL.
const std::vector<std::string>& calls();

// The recorded calls whose line starts with name, such as "ShellExecuteA(".
std::vector<std::string> calls_named(const std::string& name);

void set_command_line(const std::string& line);
void set_module_file_name(const std::string& path);
void set_delimiters(const std::string& folder, const std::string& extension);
// Whether files_need_dos_dates says that a file's time decides whether it exists.
void set_files_need_dos_dates(bool needed);
// Makes set_current_directory fail with the given system error code.
void fail_set_current_directory(unsigned long error);
void set_double_byte(bool enabled, const std::vector<unsigned char>& lead_bytes);
// Makes a file or directory findable, with the given attributes and last-write file time (UTC,
// 100-nanosecond ticks since 1601-01-01).
void add_file(const std::string& path, unsigned long attributes, std::uint64_t last_write_time);
void set_profile_string(const std::string& path, const std::string& section, const std::string& key,
                        const std::string& value);
// Makes get_private_profile_string return the whole value's length even when it stored less, as
// a faulty reader might; after reset it returns the length stored.
void overstate_profile_lengths(bool enabled);
// Makes the window class already registered, with the default procedure or another one.
void register_window_class(const std::string& name, bool default_procedure);
void set_create_window_result(std::uintptr_t handle);
void set_shell_result(std::int32_t result);

}  // namespace fake
