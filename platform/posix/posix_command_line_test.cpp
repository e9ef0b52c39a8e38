// posix_command_line_test.cpp: argv written as a command line and read back by the tokenizer.

#include "platform/posix/posix_command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "environment/arguments.h"

namespace {

using strings = std::vector<std::string>;

// Every token of line, the program name first.
strings tokens_of(const std::string& line)
{
    strings tokens;
    const char* position = line.c_str();
    for (std::string token = environment::next_token(position); !token.empty();
         token = environment::next_token(position))
        tokens.push_back(token);
    return tokens;
}

struct row {
    const char* name;
    strings argv;
    strings tokens;  // what the tokenizer reads back, the program name first
};

TEST(posix_command_line, the_tokenizer_reads_back_the_arguments)
{
    const std::string most(platform::max_argument_length, 'a');
    const std::string all_but_one(platform::max_argument_length - 1, 'a');
    const row cases[] = {
        {"no argv", {}, {"mailto"}},
        {"empty program name", {"", "x"}, {"mailto", "x"}},
        {"program name of quotes", {"\"\"", "x"}, {"mailto", "x"}},
        {"program name with a blank", {"/opt/my mail/mailto", "x"}, {"/opt/my mail/mailto", "x"}},
        {"plain", {"mailto", "a@b.c", "Hello"}, {"mailto", "a@b.c", "Hello"}},
        {"space", {"mailto", "a b"}, {"mailto", "a b"}},
        {"tab", {"mailto", "a\tb"}, {"mailto", "a\tb"}},
        {"byte 0x01 is a blank", {"mailto", "a\x01z"}, {"mailto", "a\x01z"}},
        {"byte 0x1f is a blank", {"mailto", "a\x1fz"}, {"mailto", "a\x1fz"}},
        {"byte 0x0b is a blank", {"mailto", "a\x0bz"}, {"mailto", "a\x0bz"}},
        {"blank alone", {"mailto", " ", "x"}, {"mailto", " ", "x"}},
        {"bytes past 0x7e are no blanks", {"mailto", "\x7f\x80\xff"}, {"mailto", "\x7f\x80\xff"}},
        {"quotes are dropped", {"mailto", "say \"hi\""}, {"mailto", "say hi"}},
        {"a lone quote is dropped", {"mailto", "a\"b", "c"}, {"mailto", "ab", "c"}},
        {"an element of quotes is left out", {"mailto", "\"\"", "x"}, {"mailto", "x"}},
        {"an empty element is left out", {"mailto", "", "x"}, {"mailto", "x"}},
        {"the longest argument", {"mailto", most, "x"}, {"mailto", most, "x"}},
        {"cut at the longest", {"mailto", most + "bc", "x"}, {"mailto", most, "x"}},
        {"cut before a blank", {"mailto", most + " b", "x"}, {"mailto", most, "x"}},
        {"cut in quotes", {"mailto", all_but_one + " b", "x"}, {"mailto", all_but_one + " ", "x"}},
        {"a line past its first room", {"m", most, most, most, "x"}, {"m", most, most, most, "x"}},
    };
    for (const row& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<const char*> argv;
        for (const std::string& element : c.argv) argv.push_back(element.c_str());
        const std::string line =
            platform::posix::command_line_from(static_cast<int>(argv.size()), argv.data());
        EXPECT_EQ(tokens_of(line), c.tokens);
    }
}

}  // namespace
