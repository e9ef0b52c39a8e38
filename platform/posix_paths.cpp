// posix_paths.cpp: the paths the POSIX build trusts (see posix_paths.h).

#include "platform/posix_paths.h"

namespace platform::posix {

std::vector<std::string> search_folders(const char* path)
{
    const std::string list = path != nullptr ? path : "/usr/bin:/bin";
    std::vector<std::string> folders;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = list.find(':', start);
        const std::string folder = list.substr(start, end - start);
        if (!folder.empty() && folder[0] == '/') folders.push_back(folder);
        if (end == std::string::npos) return folders;
        start = end + 1;
    }
}

std::string absolute_path(const std::string& path, const std::string& folder)
{
    if (path.empty() || path[0] == '/') return path;
    if (folder.empty()) return std::string();
    return folder.back() == '/' ? folder + path : folder + "/" + path;
}

}  // namespace platform::posix
