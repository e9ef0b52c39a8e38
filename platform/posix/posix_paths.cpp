// posix_paths.cpp: the paths the POSIX build trusts (see posix_paths.h).

#include "platform/posix/posix_paths.h"

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

namespace {

// path without its "." names and repeated separators. ".." stays: through a symbolic link it is
// not the folder before it.
std::string without_dot_names(const std::string& path)
{
    std::string result = path[0] == '/' ? "/" : "";
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        const std::string name = path.substr(start, end - start);
        if (!name.empty() && name != ".") {
            if (!result.empty() && result.back() != '/') result += '/';
            result += name;
        }
        start = end + 1;
    }
    return result;
}

}  // namespace

std::string name_in_folder(const std::string& path, const std::string& folder)
{
    if (folder.empty() || folder.back() != '/' || path.size() <= folder.size() ||
        path.compare(0, folder.size(), folder) != 0 ||
        path.find('/', folder.size()) != std::string::npos)
        return std::string();
    return path.substr(folder.size());
}

std::string absolute_path(const std::string& path, const std::string& folder)
{
    if (path.empty()) return path;
    if (path[0] == '/') return without_dot_names(path);
    if (folder.empty()) return std::string();
    return without_dot_names(folder + "/" + path);
}

}  // namespace platform::posix
