// settings.h: the program's INI settings file beside it, or the shared one in its folder.
#pragma once

#include <string>

namespace settings {

// The settings file to read: the program's path with the extension ".ini" when that file counts
// (it exists and is no directory, and where the platform's files need MS-DOS dates, its last-write
// time converts to one), otherwise "VANTIK.INI" in the program's folder (not tested for existence).
std::string settings_file();

// The value of key in section of the settings file, located afresh; default_value when the file,
// section or key is missing. At most 1,023 bytes.
std::string read_setting(const std::string& section, const std::string& key,
                         const std::string& default_value);

}  // namespace settings
