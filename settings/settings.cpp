// settings.cpp: finds the settings file beside the program and reads values from it.

#include "settings/settings.h"

#include "environment/arguments.h"
#include "environment/paths.h"
#include "platform/platform.h"

namespace settings {

namespace {

const unsigned long value_buffer_size = 1024;
const unsigned long directory_attribute = 0x10;

// Whether the program's own settings file at path counts: it exists and is no directory, and,
// where the platform's files need MS-DOS dates, it was last written at a time that converts to
// one (local time in the years 1980 to 2107), as the Windows build has always judged it.
bool own_file_counts(const std::string& path)
{
    platform::found_file found;
    if (!platform::find_first_file(path.c_str(), found)) return false;
    if (found.attributes & directory_attribute) return false;
    if (!platform::files_need_dos_dates()) return true;
    std::uint64_t local_time = 0;
    unsigned short date = 0, time = 0;
    return platform::file_time_to_local_file_time(found.last_write_time, local_time) &&
           platform::file_time_to_dos_date_time(local_time, date, time);
}

}  // namespace

std::string settings_file()
{
    const std::string program = environment::argument(0);
    std::string own = environment::change_extension(program, ".ini");
    if (own_file_counts(own)) return own;
    return environment::folder_of(program) + "VANTIK.INI";
}

std::string read_setting(const std::string& section, const std::string& key,
                         const std::string& default_value)
{
    const std::string path = settings_file();
    char buffer[value_buffer_size] = {};
    const unsigned long length =
        platform::get_private_profile_string(section.c_str(), key.c_str(), default_value.c_str(),
                                             buffer, value_buffer_size, path.c_str());
    return std::string(buffer, length < value_buffer_size ? length : value_buffer_size - 1);
}

}  // namespace settings
