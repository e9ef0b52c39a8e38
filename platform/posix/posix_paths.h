// posix_paths.h: the paths the POSIX build trusts: the folders of PATH it searches for the programs
// it starts, its own path made absolute, and the names of the files beside it.
#pragma once

#include <string>
#include <vector>

namespace platform::posix {

// The folders of the search list path (colon-separated), in order, absolute ones only: an empty
// or relative entry names a folder relative to wherever the program is, its own folder once it
// has entered it. A null path (PATH unset) gives "/usr/bin" and "/bin".
std::vector<std::string> search_folders(const char* path);

// The name of the file path names directly in folder (which ends with "/"), such as "mailto.ini"
// for "/opt/m/mailto.ini" in "/opt/m/"; empty when path is not a file directly in folder.
std::string name_in_folder(const std::string& path, const std::string& folder);

// path made absolute against folder: path when it starts with "/", otherwise folder, "/" and
// path; either without "." names and repeated separators, so that "./mailto" started in a folder
// near the path limit stays within it (".." is kept). Empty when path is empty, or relative with an
// empty folder.
std::string absolute_path(const std::string& path, const std::string& folder);

}  // namespace platform::posix
