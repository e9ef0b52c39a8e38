// dialog_session_test.cpp: when a display is at hand, and when the caller's locale can show UTF-8.
#include "platform/posix/dialog_session.h"

#include <gtest/gtest.h>

namespace {

struct display_row {
    const char* name;
    const char* display;
    const char* wayland_display;
    bool expected;
};

TEST(dialog_session, an_empty_display_is_no_display)
{
    const display_row cases[] = {
        {"neither set", nullptr, nullptr, false},
        {"empty X", "", nullptr, false},
        {"empty Wayland", nullptr, "", false},
        {"both empty", "", "", false},
        {"X", ":0", nullptr, true},
        {"Wayland", nullptr, "wayland-0", true},
        {"Wayland beside an empty X", "", "wayland-0", true},
        {"X beside an empty Wayland", ":0", "", true},
    };
    for (const display_row& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(platform::has_display(c.display, c.wayland_display), c.expected);
    }
}

struct locale_row {
    const char* name;
    const char* lc_all;
    const char* lc_ctype;
    const char* lang;
    bool expected;
};

// C.UTF-8 comes with the C library; the xx_XX names exist nowhere.
TEST(dialog_session, utf8_locale_is_the_first_set_of_lc_all_lc_ctype_and_lang_when_installed)
{
    const locale_row cases[] = {
        {"none set", nullptr, nullptr, nullptr, false},
        {"LANG C.UTF-8", nullptr, nullptr, "C.UTF-8", true},
        {"LANG C.utf8", nullptr, nullptr, "C.utf8", true},
        {"LANG not installed", nullptr, nullptr, "xx_XX.UTF-8", false},
        {"LANG not UTF-8", nullptr, nullptr, "en_US.ISO-8859-1", false},
        {"empty ones are unset", "", "", "C.UTF-8", true},
        {"LC_ALL C wins", "C", nullptr, "C.UTF-8", false},
        {"LC_CTYPE POSIX wins", nullptr, "POSIX", "C.UTF-8", false},
        {"LC_ALL UTF-8 wins", "C.UTF-8", "C", "C", true},
        {"LC_ALL not installed wins", "xx_XX.UTF-8", nullptr, "C.UTF-8", false},
        {"LC_CTYPE UTF-8 wins", nullptr, "C.UTF-8", "xx_XX.UTF-8", true},
        {"a bare codeset", nullptr, nullptr, "UTF-8", false},
    };
    for (const locale_row& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(platform::utf8_locale(c.lc_all, c.lc_ctype, c.lang), c.expected);
    }
}

}  // namespace
