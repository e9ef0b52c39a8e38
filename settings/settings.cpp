// settings.cpp: finds the settings file beside the program and reads values from it.

#include "settings/settings.h"

#include "environment/arguments.h"
#include "environment/paths.h"
#include "platform/platform.h"

namespace settings {

namespace {

const unsigned long value_buffer_size = 1024;

}  // namespace

std::string settings_file()
{
    const std::string program = environment::argument(0);
    std::string own = environment::change_extension(program, ".ini");
    if (environment::file_exists(own)) return own;
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
