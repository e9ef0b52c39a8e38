// messages_test.cpp: the message escapes and the run-time stop report.

#include "launcher/messages.h"

#include <gtest/gtest.h>

namespace {

struct escape_row {
    const char* name;
    std::string encoded;
    std::string decoded;
};

TEST(message_escapes, decode)
{
    const escape_row cases[] = {
        {"CR LF", "Cannot<#0D><#0A>start", "Cannot\r\nstart"},
        {"an escaped escape", "<#3C>#41>", "<#41>"},
        {"upper and lower letters", "<#41><#61>", "Aa"},
        {"hex digits of either case", "<#ff><#Ff>", "\xff\xff"},
        {"a zero byte", "<#00>abc", std::string("\0abc", 4)},
        {"not a hex digit", "<#4G>", "<#4G>"},
        {"no closing bracket", "<#41)", "<#41)"},
        {"cut short", "<#41", "<#41"},
        {"cut short at the end", "abc<#", "abc<#"},
        {"an opening inside", "<#<#41>", "<#A"},
        {"brackets around", "<<#41>>", "<A>"},
        {"no escape form", "#41> <41>", "#41> <41>"},
        {"plain text", "plain text", "plain text"},
        {"empty", "", ""},
    };
    for (const escape_row& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(launcher::decode_message_escapes(c.encoded), c.decoded);
    }
}

struct report_row {
    const char* name;
    unsigned long code;
    std::uint32_t location;
    const char* report;
};

TEST(runtime_error_report, places_the_code_before_at_and_the_location_in_hex)
{
    const report_row cases[] = {
        {"one digit, padded", 3, 0, "Runtime error   3 at 00000000"},
        {"the out-of-memory stop", 203, 0x1A2B, "Runtime error 203 at 00001A2B"},
        {"four digits take the blank", 1234, 0xFFFFFFFF, "Runtime error1234 at FFFFFFFF"},
        {"six digits take the text", 123456, 0x10, "Runtime err123456 at 00000010"},
        {"the largest code", 4294967295UL, 0, "Runtime4294967295 at 00000000"},
    };
    for (const report_row& c : cases) {
        SCOPED_TRACE(c.name);
        char report[30];
        launcher::runtime_error_report(c.code, c.location, report);
        EXPECT_STREQ(report, c.report);
    }
}

}  // namespace
