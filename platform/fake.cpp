// fake.cpp: the recording fake of the platform layer, linked into the unit tests in place of
// win32.cpp or posix.cpp. Its state lives in file-level statics behind the functions of fake.h.
// The file-time conversions are not faked: the tests link the real ones (posix_file_times.cpp).

#include "platform/fake.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <tuple>

#include "platform/platform.h"

namespace {

struct scripted_file {
    unsigned long attributes;
    std::uint64_t last_write_time;
};

std::vector<std::string> recorded;
std::string command_line_text;
std::string module_path;
std::string folder_separators;
std::string extension_separators;
bool dos_dates_needed;
bool directory_fails;
unsigned long directory_error;
unsigned long error_code;
bool double_byte;
std::vector<unsigned char> lead_byte_pairs;
std::map<std::string, scripted_file> files;
std::map<std::tuple<std::string, std::string, std::string>, std::string> profile;
bool profile_overstated;
std::map<std::string, bool> window_classes;
std::uintptr_t window_handle;
std::int32_t shell_result;

std::string quoted(const char* text)
{
    if (text == nullptr) return "NULL";
    return "\"" + std::string(text) + "\"";
}

std::string hex(std::uintptr_t value)
{
    char text[32];
    std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(value));
    return text;
}

void record(const std::string& line) { recorded.push_back(line); }

}  // namespace

namespace fake {

void reset()
{
    recorded.clear();
    command_line_text.clear();
    module_path = "C:\\tools\\mailto.exe";
    folder_separators = "\\:";
    extension_separators = ".\\:";
    dos_dates_needed = true;
    directory_fails = false;
    directory_error = 0;
    error_code = 0;
    double_byte = false;
    lead_byte_pairs.clear();
    files.clear();
    profile.clear();
    profile_overstated = false;
    window_classes.clear();
    window_handle = 0x1000;
    shell_result = 42;
}

const std::vector<std::string>& calls() { return recorded; }

std::vector<std::string> calls_named(const std::string& name)
{
    std::vector<std::string> matching;
    for (const std::string& line : recorded)
        if (line.compare(0, name.size(), name) == 0) matching.push_back(line);
    return matching;
}

void set_command_line(const std::string& line) { command_line_text = line; }
void set_module_file_name(const std::string& path) { module_path = path; }

void set_delimiters(const std::string& folder, const std::string& extension)
{
    folder_separators = folder;
    extension_separators = extension;
}

void set_files_need_dos_dates(bool needed) { dos_dates_needed = needed; }

void fail_set_current_directory(unsigned long error)
{
    directory_fails = true;
    directory_error = error;
}

void set_double_byte(bool enabled, const std::vector<unsigned char>& lead_bytes)
{
    double_byte = enabled;
    lead_byte_pairs = lead_bytes;
}

void add_file(const std::string& path, unsigned long attributes, std::uint64_t last_write_time)
{
    files[path] = scripted_file{attributes, last_write_time};
}

void set_profile_string(const std::string& path, const std::string& section, const std::string& key,
                        const std::string& value)
{
    profile[std::make_tuple(path, section, key)] = value;
}

void overstate_profile_lengths(bool enabled) { profile_overstated = enabled; }

void register_window_class(const std::string& name, bool default_procedure)
{
    window_classes[name] = default_procedure;
}

void set_create_window_result(std::uintptr_t handle) { window_handle = handle; }
void set_shell_result(std::int32_t result) { shell_result = result; }

}  // namespace fake

namespace platform {

const char* command_line()
{
    record("GetCommandLineA()");
    return command_line_text.c_str();
}

std::string module_file_name()
{
    record("GetModuleFileNameA()");
    return module_path;
}

bool set_current_directory(const char* path)
{
    record("SetCurrentDirectoryA(" + quoted(path) + ")");
    if (directory_fails) error_code = directory_error;
    return !directory_fails;
}

unsigned long last_error()
{
    record("GetLastError() = " + std::to_string(error_code));
    return error_code;
}

void exit_process(unsigned long status)
{
    record("ExitProcess(" + std::to_string(status) + ")");
    for (const std::string& line : recorded) std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
    std::_Exit(static_cast<int>(status));
}

std::uint32_t code_offset(const void* address)
{
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(address) & 0xFFFFF);
}

int system_metric(int index)
{
    record("GetSystemMetrics(" + std::to_string(index) + ")");
    return index == 42 && double_byte ? 1 : 0;
}

bool code_page_lead_bytes(unsigned code_page, unsigned char (&lead)[12])
{
    record("GetCPInfo(" + std::to_string(code_page) + ")");
    std::memset(lead, 0, sizeof lead);
    for (std::size_t i = 0; i < lead_byte_pairs.size() && i < 12; ++i) lead[i] = lead_byte_pairs[i];
    return true;
}

const char* folder_delimiters() { return folder_separators.c_str(); }
const char* extension_delimiters() { return extension_separators.c_str(); }

bool files_need_dos_dates() { return dos_dates_needed; }

bool find_first_file(const char* path, found_file& found)
{
    record("FindFirstFileA(" + quoted(path) + ")");
    const auto file = files.find(path);
    if (file == files.end()) return false;
    found.attributes = file->second.attributes;
    found.last_write_time = file->second.last_write_time;
    return true;
}

unsigned long get_private_profile_string(const char* section, const char* key,
                                         const char* default_value, char* buffer,
                                         unsigned long size, const char* path)
{
    const auto entry = profile.find(std::make_tuple(path, section, key));
    const std::string value = entry == profile.end() ? default_value : entry->second;
    const std::size_t length = value.size() < size ? value.size() : size - 1;
    std::memcpy(buffer, value.data(), length);
    buffer[length] = 0;
    const std::size_t reported = profile_overstated ? value.size() : length;
    record("GetPrivateProfileStringA(" + quoted(section) + ", " + quoted(key) + ", " +
           quoted(default_value) + ", " + std::to_string(size) + ", " + quoted(path) +
           ") = " + std::to_string(reported));
    return static_cast<unsigned long>(reported);
}

bool get_class_info(const char* class_name, bool& default_procedure)
{
    const auto entry = window_classes.find(class_name);
    const bool registered = entry != window_classes.end();
    if (registered) default_procedure = entry->second;
    record("GetClassInfoA(" + quoted(class_name) + ") = " + (registered ? "1" : "0"));
    return registered;
}

void unregister_class(const char* class_name)
{
    record("UnregisterClassA(" + quoted(class_name) + ")");
    window_classes.erase(class_name);
}

void register_class(const char* class_name)
{
    record("RegisterClassA(" + quoted(class_name) + ")");
    window_classes[class_name] = true;
}

window create_window(unsigned long ex_style, const char* class_name, const char* title,
                     unsigned long style)
{
    record("CreateWindowExA(" + hex(ex_style) + ", " + quoted(class_name) + ", " + quoted(title) +
           ", " + hex(style) + ") = " + hex(window_handle));
    return window_handle;
}

void destroy_window(window handle) { record("DestroyWindow(" + hex(handle) + ")"); }

std::int32_t shell_execute(window owner, const char* verb, const char* file, const char* parameters,
                           const char* directory, int show)
{
    record("ShellExecuteA(" + hex(owner) + ", " + quoted(verb) + ", " + quoted(file) + ", " +
           quoted(parameters) + ", " + quoted(directory) + ", " + std::to_string(show) +
           ") = " + std::to_string(shell_result));
    return shell_result;
}

int message_box(window owner, const char* text, const char* caption, unsigned style)
{
    record("MessageBoxA(" + hex(owner) + ", " + quoted(text) + ", " + quoted(caption) + ", " +
           std::to_string(style) + ")");
    return 1;
}

}  // namespace platform
