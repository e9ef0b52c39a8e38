// posix_paths_test.cpp: the folders of PATH the POSIX build searches, and its own path made
// absolute.
#include "platform/posix_paths.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using folders = std::vector<std::string>;

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

TEST(PosixPaths, StartedPathIsMadeAbsoluteAgainstTheStartingFolder)
{
    struct row {
        const char* what;
        std::string path;
        std::string folder;
        std::string expected;
    };
    const std::vector<row> rows = {
        {"absolute stays", "/usr/bin/mailto", "/home/u", "/usr/bin/mailto"},
        {"absolute needs no folder", "/usr/bin/mailto", "", "/usr/bin/mailto"},
        {"dot slash", "./mailto", "/home/u", "/home/u/./mailto"},
        {"bare name", "mailto", "/home/u", "/home/u/mailto"},
        {"into a subfolder of the root", "bin/mailto", "/", "/bin/mailto"},
        {"relative without a folder", "./mailto", "", ""},
        {"nothing started", "", "/home/u", ""},
    };
    for (const row& r : rows)
        EXPECT_EQ(platform::posix::absolute_path(r.path, r.folder), r.expected) << r.what;
}

}  // namespace
