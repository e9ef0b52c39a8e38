// messages_test.cpp: the message escapes and the run-time stop report.

#include "launcher/messages.h"

#include <gtest/gtest.h>

namespace {

struct escape_case {
    std::string encoded;
    std::string decoded;
};

TEST(message_escapes, decode)
{
    const escape_case cases[] = {
        {"Cannot<#0D><#0A>start", "Cannot\r\nstart"},
        {"<#3C>#41>", "<#41>"},
        {"<#41><#61>", "Aa"},
        {"<#ff><#Ff>", "\xff\xff"},
        {"<#00>abc", std::string("\0abc", 4)},
        {"<#4G>", "<#4G>"},
        {"<#41)", "<#41)"},
        {"<#41", "<#41"},
        {"abc<#", "abc<#"},
        {"<#<#41>", "<#A"},
        {"<<#41>>", "<A>"},
        {"#41> <41>", "#41> <41>"},
        {"plain text", "plain text"},
        {"", ""},
    };
    for (const escape_case& c : cases)
        EXPECT_EQ(launcher::decode_message_escapes(c.encoded), c.decoded) << c.encoded;
}

struct report_case {
    unsigned long code;
    std::uint32_t location;
    const char* report;
};

TEST(runtime_error_report, places_the_code_before_at_and_the_location_in_hex)
{
    const report_case cases[] = {
        {3, 0, "Runtime error   3 at 00000000"},
        {203, 0x1A2B, "Runtime error 203 at 00001A2B"},
        {1234, 0xFFFFFFFF, "Runtime error1234 at FFFFFFFF"},
        {123456, 0x10, "Runtime err123456 at 00000010"},
        {4294967295UL, 0, "Runtime4294967295 at 00000000"},
    };
    for (const report_case& c : cases) {
        char report[30];
        launcher::runtime_error_report(c.code, c.location, report);
        EXPECT_STREQ(report, c.report) << c.code;
    }
}

}  // namespace
