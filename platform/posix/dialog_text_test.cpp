// dialog_text_test.cpp: messages as the dialog programs are given them.
#include "platform/posix/dialog_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct row {
    const char* name;
    std::string text;
    std::string expected;
};

const std::string fffd = "\xEF\xBF\xBD";

TEST(dialog_text, each_line_break_becomes_one_line_feed)
{
    const row cases[] = {
        {"empty", "", ""},
        {"no line break", "a b", "a b"},
        {"CR LF", "a\r\nb", "a\nb"},
        {"lone CR", "a\rb", "a\nb"},
        {"lone LF", "a\nb", "a\nb"},
        {"the failure message's CR LF CR", "text\r\n\rtarget", "text\n\ntarget"},
        {"LF then CR are two", "a\n\rb", "a\n\nb"},
        {"CR CR LF are two", "a\r\r\nb", "a\n\nb"},
        {"at both ends", "\r\nmiddle\r", "\nmiddle\n"},
        {"other control bytes stay", "a\tb\x0b\x0c", "a\tb\x0b\x0c"},
    };
    for (const row& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(platform::one_line_break_each(c.text), c.expected);
    }
}

TEST(dialog_text, bytes_that_are_not_utf8_become_replacement_characters)
{
    const row cases[] = {
        {"ASCII", "Cafe <b>&amp;", "Cafe <b>&amp;"},
        {"two, three and four bytes", "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80",
         "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"},
        {"the extremes", "\xC2\x80\xEF\xBF\xBF\xF4\x8F\xBF\xBF",
         "\xC2\x80\xEF\xBF\xBF\xF4\x8F\xBF\xBF"},
        {"Latin-1", "Caf\xE9@b", "Caf" + fffd + "@b"},
        {"a lone continuation byte", "a\x80z", "a" + fffd + "z"},
        {"bytes that never start a sequence", "\xC0\xC1\xF5\xFF", fffd + fffd + fffd + fffd},
        {"overlong slash: each byte", "\xC0\xAF", fffd + fffd},
        {"overlong three bytes", "\xE0\x80\xAF", fffd + fffd + fffd},
        {"surrogate", "\xED\xA0\x80", fffd + fffd + fffd},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", fffd + fffd + fffd + fffd},
        {"cut short before ASCII: one for the whole start",
         "\xE2\x82"
         "A",
         fffd + "A"},
        {"cut short at the end", "x\xF0\x9F\x98", "x" + fffd},
        {"cut short before another lead", "\xE2\xC3\xA9", fffd + "\xC3\xA9"},
    };
    for (const row& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(platform::valid_utf8(c.text), c.expected);
    }
}

TEST(dialog_text, dialog_text_does_both)
{
    EXPECT_EQ(platform::dialog_text("Failed\r\n\rCaf\xE9\r"), "Failed\n\nCaf" + fffd + "\n");
}

TEST(dialog_text, readable_text_is_cut_at_a_character_and_marked)
{
    const std::string mark = "\n\xE2\x80\xA6";
    const row cases[] = {
        {"at the limit: unchanged", "abcd", "abcd"},
        {"shorter: unchanged", "ab", "ab"},
        {"one byte over", "abcde", "abcd" + mark},
        {"a character ending at the limit stays", "ab\xC3\xA9z", "ab\xC3\xA9" + mark},
        {"a character across the limit goes whole", "abc\xC3\xA9", "abc" + mark},
        {"four bytes across the limit", "a\xF0\x9F\x98\x80z", "a" + mark},
    };
    for (const row& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(platform::readable_text(c.text, 4), c.expected);
    }
}

TEST(dialog_text, kdialog_gets_escaped_rich_text)
{
    const std::string open = "<qt style=\"white-space:pre-wrap\">";
    const row cases[] = {
        {"plain", "Error opening", open + "Error opening</qt>"},
        {"markup", "<b>BOLD</b> &amp; x", open + "&lt;b&gt;BOLD&lt;/b&gt; &amp;amp; x</qt>"},
        {"backslashes doubled", "a\\nb\\\\c\\", open + "a\\\\nb\\\\\\\\c\\\\</qt>"},
        {"blanks and line breaks kept", "  a\t b\n\nc", open + "  a\t b\n\nc</qt>"},
        {"quotes and UTF-8 kept", "\"'\xC3\xA9", open + "\"'\xC3\xA9</qt>"},
    };
    for (const row& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(platform::kdialog_text(c.text), c.expected);
    }
}

}  // namespace
