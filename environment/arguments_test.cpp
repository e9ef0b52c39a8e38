// arguments_test.cpp: the tokenizer, argument access and the argument escapes.

#include "environment/arguments.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "environment/paths.h"
#include "platform/fake.h"

namespace {

using environment::argument;
using environment::argument_count;

class arguments : public ::testing::Test {
   protected:
    // The lead-byte table outlives a test: each starts from a single-byte code page.
    void SetUp() override
    {
        fake::reset();
        environment::build_lead_byte_table();
    }
};

// Every argument after the program name, as argument(i) returns them.
std::vector<std::string> all_arguments()
{
    std::vector<std::string> result;
    for (std::size_t i = 1; i <= argument_count(); ++i) result.push_back(argument(i));
    return result;
}

struct split_row {
    const char* name;
    std::string command_line;
    std::vector<std::string> arguments;
};

// Where a cut at the longest argument falls next to a double quote: a closing quote right after
// the cut is dropped with the token; any other byte starts the next token, outside quotes.
TEST_F(arguments, split_like_the_platform_splits_them)
{
    const std::string a(65536, 'a');
    const split_row cases[] = {
        {"program name alone", "mailto", {}},
        {"empty line", "", {}},
        {"empty quoted pairs", "mailto \"\" \"\"", {}},
        {"quoted pairs before a token", "mailto \"\"\"\" x", {"x"}},
        {"blank quoted pairs before a token", "mailto \"\" \"\" x", {"x"}},
        {"quoted blank", "mailto \"two words\" x", {"two words", "x"}},
        {"quotes inside a token", "mailto ab\"c d\"e", {"abc de"}},
        {"an open quote", "mailto \"open", {"open"}},
        {"an open quote keeps its blanks", "mailto \"open ends here", {"open ends here"}},
        {"every byte from 0x01 to 0x20 is a blank",
         "mailto a\tb\x01"
         "c\x1f"
         "d",
         {"a", "b", "c", "d"}},
        {"bytes past 0x7F are no blanks", "mailto \x80\xff\xa0 \x95\\", {"\x80\xff\xa0", "\x95\\"}},
        {"quoted program name", "\"C:\\Program Files\\mailto.exe\" a b", {"a", "b"}},
        {"runs of blanks", "mailto   lead   trail   ", {"lead", "trail"}},
        {"empty pair inside a token", "mailto a\"\"b", {"ab"}},
        {"empty pair between tokens", "mailto x \"\" y", {"x", "y"}},
        {"two quoted parts", "mailto \"a\"\"b\"", {"ab"}},
        {"quotes toggle, never doubled", "mailto \"a b\"c\" d\"\"\" e\"f", {"a bc d", "ef"}},
        {"a token stops at the longest argument",
         "mailto " + std::string(70000, 'a'),
         {a, std::string(70000 - 65536, 'a')}},
        {"cut: a closing quote goes with the token", "mailto \"" + a + "\" c", {a, "c"}},
        {"cut in quotes: the rest is outside them", "mailto \"" + a + "b c\" d", {a, "b", "c d"}},
        {"cut: an opening quote starts the next", "mailto " + a + "\"b c\" d", {a, "b c", "d"}},
        {"no cut one byte short", "mailto \"" + a.substr(1) + "\"b c", {a.substr(1) + "b", "c"}},
    };
    for (const split_row& c : cases) {
        SCOPED_TRACE(c.name);
        fake::set_command_line(c.command_line);
        EXPECT_EQ(argument_count(), c.arguments.size());
        EXPECT_EQ(all_arguments(), c.arguments);
    }
}

TEST_F(arguments, beyond_the_last_is_empty)
{
    fake::set_command_line("mailto a b");
    EXPECT_EQ(argument(3), "");
    EXPECT_EQ(argument(1000), "");
}

TEST_F(arguments, argument_zero_is_the_executable_path_not_the_first_token)
{
    fake::set_command_line("..\\x\\MAILTO~1 a");
    fake::set_module_file_name("C:\\Program Files\\mailto\\mailto.exe");
    EXPECT_EQ(argument(0), "C:\\Program Files\\mailto\\mailto.exe");
    EXPECT_EQ(argument(1), "a");
}

// Random command lines of every byte value: each argument is non-empty and free of quotes, the
// count stops at the first empty token, and decoding never empties an argument.
TEST_F(arguments, any_bytes_split_into_sound_arguments)
{
    std::mt19937 random(2024);
    const char alphabet[] = {'"', '"', ' ', '\t', '`', '0', '1', 'a', '\x95', '\\', '\x01'};
    for (int round = 0; round < 2000; ++round) {
        std::string line = "mailto ";
        const int length = static_cast<int>(random() % 40);
        for (int i = 0; i < length; ++i)
            line += random() % 4 == 0 ? static_cast<char>(1 + random() % 255)
                                      : alphabet[random() % sizeof alphabet];
        fake::set_command_line(line);
        const std::size_t count = argument_count();
        for (std::size_t i = 1; i <= count; ++i) {
            const std::string token = argument(i);
            ASSERT_FALSE(token.empty()) << line;
            ASSERT_EQ(token.find('"'), std::string::npos) << line;
            ASSERT_FALSE(environment::decode_argument_escapes(token).empty()) << line;
        }
        ASSERT_EQ(argument(count + 1), "") << line;
    }
}

struct switch_row {
    const char* name;
    const char* command_line;
    const char* value;
};

TEST_F(arguments, switch_value_is_the_first_match_from_argument_two)
{
    const switch_row cases[] = {
        {"a switch", "mailto addr /error=Failed", "Failed"},
        {"the first of two", "mailto addr subj /error=One /error=Two", "One"},
        {"the first even when empty", "mailto addr subj /error= /error=X", ""},
        {"not as the address", "mailto /error=first", ""},
        {"case counts", "mailto addr /ERROR=x", ""},
        {"only at the start", "mailto addr subj x/error=y", ""},
        {"quoted blank", "mailto addr \"/error=with blank\"", "with blank"},
        {"quotes inside the name", "mailto addr subj /err\"or=x y\"", "x y"},
        {"no = sign", "mailto addr subj /error /error", ""},
        {"no arguments", "mailto", ""},
    };
    for (const switch_row& c : cases) {
        SCOPED_TRACE(c.name);
        fake::set_command_line(c.command_line);
        EXPECT_EQ(environment::switch_value("/error=", 2), c.value);
    }
}

struct escape_row {
    const char* name;
    std::string encoded;
    std::string decoded;
    std::vector<unsigned char> lead_ranges;  // empty: a single-byte code page
};

TEST_F(arguments, argument_escapes)
{
    const std::vector<unsigned char> cp932 = {0x81, 0x9F, 0xE0, 0xFC};
    const std::vector<unsigned char> cp936 = {0x81, 0xFE};
    const escape_row cases[] = {
        {"space", "first`1box", "first box", {}},
        {"backtick before space", "a``1b", "a` b", {}},
        {"both", "`0`1", "` ", {}},
        {"backtick-0 first", "`01", "`1", {}},
        {"other digit", "`2", "`2", {}},
        {"lone backtick", "`", "`", {}},
        {"trailing backtick", "a`", "a`", {}},
        {"two backticks", "`0`0", "``", {}},
        {"three spaces", "`1`1`1", "   ", {}},
        {"no escapes", "no escapes", "no escapes", {}},
        {"empty", "", "", {}},
        // 1～10 and Ａ0: the trail byte of ～ and Ａ is 0x60, the backtick.
        {"cp932 trail backtick then 1", "1\x81`10", "1\x81`10", cp932},
        {"cp932 trail backtick then 0", "\x82`0", "\x82`0", cp932},
        {"cp932 escape after trail", "\x81`1`1", "\x81`1 ", cp932},
        {"cp932 half-width kana is single", "\xB1`1\x81`1", "\xB1 \x81`1", cp932},
        {"cp932 lead byte last", "\x81`0\x81", "\x81`0\x81", cp932},
        {"cp936 trail backticks", "\x8C`1\x8C`0", "\x8C`1\x8C`0", cp936},
    };
    for (const escape_row& c : cases) {
        SCOPED_TRACE(c.name);
        fake::set_double_byte(!c.lead_ranges.empty(), c.lead_ranges);
        environment::build_lead_byte_table();
        EXPECT_EQ(environment::decode_argument_escapes(c.encoded), c.decoded);
    }
}

}  // namespace
