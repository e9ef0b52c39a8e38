// dialog_session_test.cpp: when a display is at hand, and when the caller's locale can show UTF-8.
#include "platform/posix/dialog_session.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(DialogSession, AnEmptyDisplayIsNoDisplay)
{
    struct row {
        const char* display;
        const char* wayland_display;
        bool expected;
    };
    const std::vector<row> rows = {
        {nullptr, nullptr, false}, {"", nullptr, false},  {nullptr, "", false},
        {"", "", false},           {":0", nullptr, true}, {nullptr, "wayland-0", true},
        {"", "wayland-0", true},   {":0", "", true},
    };
    for (const row& r : rows)
        EXPECT_EQ(platform::has_display(r.display, r.wayland_display), r.expected)
            << (r.display ? r.display : "-") << " "
            << (r.wayland_display ? r.wayland_display : "-");
}

// C.UTF-8 comes with the C library; the xx_XX names exist nowhere.
TEST(DialogSession, Utf8LocaleIsTheFirstSetOfLcAllLcCtypeAndLangWhenInstalled)
{
    struct row {
        const char* lc_all;
        const char* lc_ctype;
        const char* lang;
        bool expected;
    };
    const std::vector<row> rows = {
        {nullptr, nullptr, nullptr, false},
        {nullptr, nullptr, "C.UTF-8", true},
        {nullptr, nullptr, "C.utf8", true},
        {nullptr, nullptr, "xx_XX.UTF-8", false},
        {nullptr, nullptr, "en_US.ISO-8859-1", false},
        {"", "", "C.UTF-8", true},
        {"C", nullptr, "C.UTF-8", false},
        {nullptr, "POSIX", "C.UTF-8", false},
        {"C.UTF-8", "C", "C", true},
        {"xx_XX.UTF-8", nullptr, "C.UTF-8", false},
        {nullptr, "C.UTF-8", "xx_XX.UTF-8", true},
        {nullptr, nullptr, "UTF-8", false},
    };
    for (const row& r : rows)
        EXPECT_EQ(r.expected, platform::utf8_locale(r.lc_all, r.lc_ctype, r.lang))
            << (r.lc_all ? r.lc_all : "-") << " " << (r.lc_ctype ? r.lc_ctype : "-") << " "
            << (r.lang ? r.lang : "-");
}

}  // namespace
