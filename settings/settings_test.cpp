// settings_test.cpp: where the settings come from, and when the launcher reads them.

#include "settings/settings.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "launcher/launch.h"
#include "platform/fake.h"
#include "platform/posix/file_times_test.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

const char* const own_file = "C:\\tools\\mailto.ini";
const char* const shared_file = "C:\\tools\\VANTIK.INI";
// A last-write time that counts in every time zone, by the real file-time conversions.
const std::uint64_t written = file_times::utc_2024_02_29_134559;

// The time conversions are the platform's real ones, so each row sets the time zone its time is
// judged in; the one the process had is put back afterwards.
class settings_file : public ::testing::Test {
   protected:
    void SetUp() override { fake::reset(); }
    void TearDown() override { file_times::restore_zone(); }
};

struct own_file_row {
    const char* name;
    unsigned long attributes;
    const char* zone;
    std::uint64_t last_write_time;
    const char* expected;
    bool dos_dates = true;  // the Windows rule; false: the POSIX one
};

// A directory is no settings file; nor, where files need MS-DOS dates, is a file whose last-write
// time has no local time, or whose local time has no MS-DOS date (the years 1980 to 2107, judged
// in local time). Whatever the answer, one name search, and none for the shared file.
TEST_F(settings_file, own_file_unless_a_directory_or_its_time_is_refused)
{
    using namespace file_times;
    const own_file_row cases[] = {
        {"archive file", 0x20, "UTC0", utc_2024_02_29_134559, own_file},
        {"file without attributes", 0x80, "UTC0", utc_2024_02_29_134559, own_file},
        {"read-only hidden system file", 0x07, "UTC0", utc_2024_02_29_134559, own_file},
        {"directory", 0x10, "UTC0", utc_2024_02_29_134559, shared_file},
        {"directory among other attributes", 0x31, "UTC0", utc_2024_02_29_134559, shared_file},
        {"no local time: before 1601 an hour west", 0x20, "<-01>1", 0, shared_file},
        {"no MS-DOS date: 1601", 0x20, "UTC0", 0, shared_file},
        {"1970 in every zone", 0x20, "<+01>-1", utc_1970_01_01, shared_file},
        {"last second of 1979", 0x20, "UTC0", utc_1979_12_31_235959, shared_file},
        {"first second of 1980", 0x20, "UTC0", utc_1980_01_01, own_file},
        {"1980 by UTC, 1979 an hour west", 0x20, "<-01>1", utc_1980_01_01_0030, shared_file},
        {"1979 by UTC, 1980 an hour east", 0x20, "<+01>-1", utc_1979_12_31_2330, own_file},
        {"first second of 2108", 0x20, "UTC0", utc_2108_01_01, shared_file},
        {"any time on POSIX: 1601", 0x80, "UTC0", 0, own_file, false},
        {"any time on POSIX: 1979", 0x80, "UTC0", utc_1979_12_31_235959, own_file, false},
        {"any time on POSIX: 2108", 0x80, "UTC0", utc_2108_01_01, own_file, false},
        {"no directory on POSIX either", 0x10, "UTC0", utc_2024_02_29_134559, shared_file, false},
    };
    for (const own_file_row& c : cases) {
        SCOPED_TRACE(c.name);
        fake::reset();
        use_zone(c.zone);
        fake::set_files_need_dos_dates(c.dos_dates);
        fake::add_file(own_file, c.attributes, c.last_write_time);
        EXPECT_EQ(settings::settings_file(), c.expected);
        EXPECT_THAT(fake::calls_named("FindFirstFileA"),
                    ElementsAre("FindFirstFileA(\"C:\\tools\\mailto.ini\")"));
    }
}

TEST_F(settings_file, shared_file_when_the_name_search_finds_nothing)
{
    fake::add_file("C:\\tools\\mailto.ini.bak", 0x20, written);
    EXPECT_EQ(settings::settings_file(), shared_file);
    EXPECT_THAT(fake::calls_named("FindFirstFileA"),
                ElementsAre("FindFirstFileA(\"C:\\tools\\mailto.ini\")"));
}

TEST_F(settings_file, read_setting_hands_the_reader_an_empty_default_and_1024_bytes)
{
    fake::set_profile_string(shared_file, "EMAIL", "Address", "a@b.c");
    EXPECT_EQ(settings::read_setting("EMAIL", "Address", ""), "a@b.c");
    EXPECT_THAT(fake::calls_named("GetPrivateProfileStringA"),
                ElementsAre("GetPrivateProfileStringA(\"EMAIL\", \"Address\", \"\", 1024, "
                            "\"C:\\tools\\VANTIK.INI\") = 5"));
}

// Whatever length the reader reports, a value holds no more than the buffer's 1,023 bytes.
TEST_F(settings_file, values_stop_at_1023_bytes)
{
    for (const bool overstated : {false, true}) {
        fake::reset();
        fake::overstate_profile_lengths(overstated);
        fake::set_profile_string(shared_file, "EMAIL", "Subject", std::string(5000, 's'));
        EXPECT_EQ(settings::read_setting("EMAIL", "Subject", ""), std::string(1023, 's'))
            << (overstated ? "reader reports 5000" : "reader reports what it stored");
    }
}

class settings_route : public ::testing::Test {
   protected:
    void SetUp() override
    {
        fake::reset();
        fake::set_command_line("mailto");
        fake::add_file(own_file, 0x20, written);
    }

    void set(const char* key, const std::string& value)
    {
        fake::set_profile_string(own_file, "EMAIL", key, value);
    }
};

TEST_F(settings_route, values_are_read_when_needed_and_used_as_they_are)
{
    set("Address", "x`1y@b.c");
    set("Subject", "Hi`1there");
    set("Error", "No<#0D><#0A>mail");
    fake::set_shell_result(2);
    EXPECT_EQ(launcher::run(), 0);
    const std::vector<std::string> reads = fake::calls_named("GetPrivateProfileStringA");
    ASSERT_EQ(reads.size(), 3u);
    EXPECT_THAT(reads[0], ::testing::HasSubstr("\"Address\""));
    EXPECT_THAT(reads[1], ::testing::HasSubstr("\"Subject\""));
    EXPECT_THAT(reads[2], ::testing::HasSubstr("\"Error\""));
    EXPECT_THAT(fake::calls_named("ShellExecuteA"),
                ElementsAre("ShellExecuteA(0x1000, NULL, \"mailto:x`1y@b.c?subject=Hi`1there\", "
                            "NULL, NULL, 1) = 2"));
    EXPECT_THAT(fake::calls_named("MessageBoxA"),
                ElementsAre("MessageBoxA(0x0, \"No\r\nmail\r\n\rx`1y@b.c?subject=Hi`1there\", "
                            "\"\", 0)"));
    // The file is located afresh for every read.
    EXPECT_EQ(fake::calls_named("FindFirstFileA").size(), 3u);
}

TEST_F(settings_route, subject_is_read_after_the_window_exists_and_error_only_on_failure)
{
    set("Address", "a@b.c");
    launcher::run();
    std::vector<std::string> order;
    for (const std::string& call : fake::calls())
        if (call.find("Subject") != std::string::npos || call.rfind("CreateWindowExA", 0) == 0 ||
            call.find("\"Error\"") != std::string::npos)
            order.push_back(call.substr(0, call.find('(')));
    EXPECT_THAT(order, ElementsAre("CreateWindowExA", "GetPrivateProfileStringA"));
}

TEST_F(settings_route, empty_address_stops_before_anything_else_is_read)
{
    set("Subject", "unused");
    EXPECT_EQ(launcher::run(), 0);
    EXPECT_EQ(fake::calls_named("GetPrivateProfileStringA").size(), 1u);
    EXPECT_THAT(fake::calls_named("MessageBoxA"),
                ElementsAre("MessageBoxA(0x0, \"Error - No e-mail address defined\", \"\", 0)"));
    EXPECT_THAT(fake::calls_named("GetClassInfoA"), IsEmpty());
}

TEST_F(settings_route, own_file_without_address_does_not_fall_back)
{
    fake::set_profile_string(shared_file, "EMAIL", "Address", "shared@b.c");
    launcher::run();
    EXPECT_THAT(fake::calls_named("ShellExecuteA"), IsEmpty());
    EXPECT_THAT(fake::calls_named("MessageBoxA"),
                ElementsAre("MessageBoxA(0x0, \"Error - No e-mail address defined\", \"\", 0)"));
}

TEST_F(settings_route, shared_file_when_the_own_one_is_missing)
{
    fake::reset();
    fake::set_command_line("mailto");
    fake::set_profile_string(shared_file, "EMAIL", "Address", "shared@b.c");
    launcher::run();
    EXPECT_THAT(
        fake::calls_named("ShellExecuteA"),
        ElementsAre("ShellExecuteA(0x1000, NULL, \"mailto:shared@b.c\", NULL, NULL, 1) = 42"));
}

}  // namespace
