// posix_paths_test.cpp: the folders of PATH the POSIX build searches, its own path made absolute,
// and the names of files in its folder.
#include "platform/posix/posix_paths.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using folders = std::vector<std::string>;

// A path, a folder, and what a function of the two gives.
struct path_in_folder_row {
    const char* name;
    std::string path;
    std::string folder;
    std::string expected;
};

struct search_row {
    const char* name;
    const char* path;
    folders expected;
};

TEST(posix_paths, only_absolute_folders_of_path_are_searched)
{
    const search_row cases[] = {
        {"unset: the default list", nullptr, {"/usr/bin", "/bin"}},
        {"set but empty: the current folder, skipped", "", {}},
        {"absolute folders in order", "/opt/x/bin:/usr/bin", {"/opt/x/bin", "/usr/bin"}},
        {"empty entry first", ":/usr/bin", {"/usr/bin"}},
        {"empty entry inside", "/a::/b", {"/a", "/b"}},
        {"empty entry last", "/usr/bin:", {"/usr/bin"}},
        {"dot", ".:/usr/bin", {"/usr/bin"}},
        {"relative entries", "bin:../tools:./x:/bin", {"/bin"}},
        {"nothing absolute", "bin:.", {}},
        {"trailing slash kept", "/usr/bin/", {"/usr/bin/"}},
    };
    for (const search_row& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(platform::posix::search_folders(c.path), c.expected);
    }
}

TEST(posix_paths, name_in_folder)
{
    const path_in_folder_row cases[] = {
        {"file in the folder", "/opt/m/mailto.ini", "/opt/m/", "mailto.ini"},
        {"file in a relative folder", "./VANTIK.INI", "./", "VANTIK.INI"},
        {"file in the root", "/VANTIK.INI", "/", "VANTIK.INI"},
        {"file in a subfolder", "/opt/m/sub/mailto.ini", "/opt/m/", ""},
        {"file elsewhere", "/opt/n/mailto.ini", "/opt/m/", ""},
        {"folder named without its separator", "/opt/m/mailto.ini", "/opt/m", ""},
        {"the folder itself", "/opt/m/", "/opt/m/", ""},
        {"no folder entered", "mailto.ini", "", ""},
    };
    for (const path_in_folder_row& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(platform::posix::name_in_folder(c.path, c.folder), c.expected);
    }
}

TEST(posix_paths, started_path_is_made_absolute_against_the_starting_folder)
{
    const path_in_folder_row cases[] = {
        {"absolute stays", "/usr/bin/mailto", "/home/u", "/usr/bin/mailto"},
        {"absolute needs no folder", "/usr/bin/mailto", "", "/usr/bin/mailto"},
        {"dot slash", "./mailto", "/home/u", "/home/u/mailto"},
        {"dot names and doubled separators", "./bin/.//mailto", "/home/u/", "/home/u/bin/mailto"},
        {"absolute path's dot names", "/usr/./bin//mailto", "", "/usr/bin/mailto"},
        {"parent kept: a link may lead elsewhere", "../bin/mailto", "/home/u",
         "/home/u/../bin/mailto"},
        {"bare name", "mailto", "/home/u", "/home/u/mailto"},
        {"into a subfolder of the root", "bin/mailto", "/", "/bin/mailto"},
        {"relative without a folder", "./mailto", "", ""},
        {"nothing started", "", "/home/u", ""},
    };
    for (const path_in_folder_row& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(platform::posix::absolute_path(c.path, c.folder), c.expected);
    }
}

}  // namespace
