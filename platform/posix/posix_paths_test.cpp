// posix_paths_test.cpp: the folders of PATH the POSIX build searches, its own path made absolute,
// and the names of files in its folder.
#include "platform/posix/posix_paths.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using folders = std::vector<std::string>;

// A path, a folder, and what a function of the two gives.
struct path_in_folder {
    const char* what;
    std::string path;
    std::string folder;
    std::string expected;
};

TEST(PosixPaths, OnlyAbsoluteFoldersOfPathAreSearched)
{
    struct row {
        const char* what;
        const char* path;
        folders expected;
    };
    const std::vector<row> rows = {
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
    for (const row& r : rows)
        EXPECT_EQ(platform::posix::search_folders(r.path), r.expected) << r.what;
}

TEST(PosixPaths, NameInFolder)
{
    const std::vector<path_in_folder> rows = {
        {"file in the folder", "/opt/m/mailto.ini", "/opt/m/", "mailto.ini"},
        {"file in a relative folder", "./VANTIK.INI", "./", "VANTIK.INI"},
        {"file in the root", "/VANTIK.INI", "/", "VANTIK.INI"},
        {"file in a subfolder", "/opt/m/sub/mailto.ini", "/opt/m/", ""},
        {"file elsewhere", "/opt/n/mailto.ini", "/opt/m/", ""},
        {"folder named without its separator", "/opt/m/mailto.ini", "/opt/m", ""},
        {"the folder itself", "/opt/m/", "/opt/m/", ""},
        {"no folder entered", "mailto.ini", "", ""},
    };
    for (const path_in_folder& r : rows)
        EXPECT_EQ(platform::posix::name_in_folder(r.path, r.folder), r.expected) << r.what;
}

TEST(PosixPaths, StartedPathIsMadeAbsoluteAgainstTheStartingFolder)
{
    const std::vector<path_in_folder> rows = {
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
    for (const path_in_folder& r : rows)
        EXPECT_EQ(platform::posix::absolute_path(r.path, r.folder), r.expected) << r.what;
}

}  // namespace
