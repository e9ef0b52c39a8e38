// paths_test.cpp: the lead-byte table, the double-byte aware delimiter search, the folder and
// extension rules and the file-exists test.

#include "environment/paths.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "platform/fake.h"
#include "platform/posix/file_times_test.h"

namespace {

using environment::byte_type;
using ::testing::ElementsAre;
using namespace file_times;

class paths : public ::testing::Test {
   protected:
    void SetUp() override
    {
        fake::reset();
        environment::build_lead_byte_table();
    }

    void use_double_byte(const std::vector<unsigned char>& pairs)
    {
        fake::set_double_byte(true, pairs);
        environment::build_lead_byte_table();
    }
};

struct path_case {
    const char* path;
    const char* result;
};

TEST_F(paths, folder_of)
{
    const path_case cases[] = {
        {"C:", "C:"},
        {"C:\\tools\\run.exe", "C:\\tools\\"},
        {"run.exe", ""},
        {"", ""},
        {"\\\\server\\share\\run.exe", "\\\\server\\share\\"},
        {"C:run.exe", "C:"},
    };
    for (const path_case& c : cases) EXPECT_EQ(environment::folder_of(c.path), c.result) << c.path;
}

TEST_F(paths, change_extension)
{
    const path_case cases[] = {
        {"C:\\tools\\run.exe", "C:\\tools\\run.ini"},
        {"C:\\app.d\\run", "C:\\app.d\\run.ini"},
        {"run.", "run.ini"},
        {"run", "run.ini"},
        {"run.tar.gz", "run.tar.ini"},
        {"C:.hidden", "C:.ini"},
        {"", ".ini"},
    };
    for (const path_case& c : cases)
        EXPECT_EQ(environment::change_extension(c.path, ".ini"), c.result) << c.path;
}

TEST_F(paths, posix_delimiters_come_from_the_platform)
{
    fake::set_delimiters("/", "./");
    EXPECT_EQ(environment::folder_of("/home/me/build/mailto"), "/home/me/build/");
    EXPECT_EQ(environment::change_extension("/home/me.d/mailto", ".ini"), "/home/me.d/mailto.ini");
    EXPECT_EQ(environment::folder_of("C:\\x"), "");
}

TEST_F(paths, a_separator_that_is_a_trail_byte_does_not_count)
{
    use_double_byte({0x81, 0x9F});
    EXPECT_EQ(environment::last_delimiter("\\", "C:\\dir\\a\x83\\"), 7u);
    EXPECT_EQ(environment::last_delimiter("\\", "C:\\dir\\\x83\x83\\"), 10u);
    EXPECT_EQ(environment::folder_of("C:\\\x95\\\x95\\run.exe"), "C:\\");
    EXPECT_EQ(environment::folder_of("C:\\\x95\\\\run.exe"), "C:\\\x95\\\\");
    EXPECT_EQ(environment::folder_of("C:\\\x95\\"), "C:\\");
    EXPECT_EQ(environment::change_extension("C:\\x\\\x83.", ".ini"), "C:\\x\\\x83..ini");
}

TEST_F(paths, without_double_byte_support_every_separator_counts)
{
    EXPECT_EQ(environment::last_delimiter("\\", "C:\\dir\\a\x83\\"), 10u);
    EXPECT_EQ(environment::byte_type_at("\x83\\", 2), byte_type::single);
}

TEST_F(paths, byte_types_follow_the_lead_bytes_from_the_front)
{
    use_double_byte({0x81, 0x9F});
    const std::string text = "a\x83\x83\x83\\\x83";
    const byte_type expected[] = {byte_type::single, byte_type::lead,  byte_type::trail,
                                  byte_type::lead,   byte_type::trail, byte_type::lead};
    for (std::size_t i = 1; i <= text.size(); ++i)
        EXPECT_EQ(environment::byte_type_at(text, i), expected[i - 1]) << i;
}

struct table_case {
    std::vector<unsigned char> pairs;
    std::vector<unsigned> inside;
    std::vector<unsigned> outside;
};

TEST_F(paths, lead_byte_table_from_the_code_page_ranges)
{
    const table_case cases[] = {
        {{0x81, 0x9F, 0xE0, 0xFC}, {0x81, 0x9F, 0xE0, 0xFC}, {0x80, 0xA0, 0xDF, 0xFD, 0x5C}},
        {{0xF0, 0xFF}, {0xF0, 0xFF}, {0xEF}},
        {{0x00, 0xFF}, {0x00, 0x5C, 0xFF}, {}},
        {{0x90, 0x80, 0xA0, 0xA1}, {0xA0, 0xA1}, {0x80, 0x90}},
        {{0x81, 0x82, 0x00, 0x00, 0xA0, 0xA1}, {0x81, 0x82}, {0xA0, 0xA1}},
        {{}, {}, {0x81}},
    };
    for (const table_case& c : cases) {
        use_double_byte(c.pairs);
        for (unsigned byte : c.inside) EXPECT_TRUE(environment::is_lead_byte(byte)) << byte;
        for (unsigned byte : c.outside) EXPECT_FALSE(environment::is_lead_byte(byte)) << byte;
    }
}

TEST_F(paths, table_stays_empty_without_double_byte_support)
{
    fake::set_double_byte(false, {0x81, 0x9F});
    environment::build_lead_byte_table();
    EXPECT_FALSE(environment::is_lead_byte(0x81));
    EXPECT_TRUE(fake::calls_named("GetCPInfo").empty());
}

// The time conversions are the platform's real ones, so each row sets the time zone its time is
// judged in; the one the process had is put back afterwards.
class file_exists : public paths {
   protected:
    void TearDown() override { file_times::restore_zone(); }
};

struct existence_case {
    const char* what;
    unsigned long attributes;
    const char* zone;
    std::uint64_t last_write_time;
    bool exists;
    bool dos_dates = true;  // the Windows rule; false: the POSIX one
};

// A directory is no file; nor, where files need MS-DOS dates, is a file whose last-write time has
// no local time, or whose local time has no MS-DOS date (the years 1980 to 2107, judged in local
// time).
TEST_F(file_exists, unless_a_directory_or_its_time_is_refused)
{
    const existence_case cases[] = {
        {"archive file", 0x20, "UTC0", utc_2024_02_29_134559, true},
        {"file without attributes", 0x80, "UTC0", utc_2024_02_29_134559, true},
        {"read-only hidden system file", 0x07, "UTC0", utc_2024_02_29_134559, true},
        {"directory", 0x10, "UTC0", utc_2024_02_29_134559, false},
        {"directory among other attributes", 0x31, "UTC0", utc_2024_02_29_134559, false},
        {"no local time: before 1601 an hour west", 0x20, "<-01>1", 0, false},
        {"no MS-DOS date: 1601", 0x20, "UTC0", 0, false},
        {"last second of 1979", 0x20, "UTC0", utc_1979_12_31_235959, false},
        {"first second of 1980", 0x20, "UTC0", utc_1980_01_01, true},
        {"1980 by UTC, 1979 an hour west", 0x20, "<-01>1", utc_1980_01_01_0030, false},
        {"1979 by UTC, 1980 an hour east", 0x20, "<+01>-1", utc_1979_12_31_2330, true},
        {"first second of 2108", 0x20, "UTC0", utc_2108_01_01, false},
        {"any time on POSIX: 1601", 0x80, "UTC0", 0, true, false},
        {"any time on POSIX: 1979", 0x80, "UTC0", utc_1979_12_31_235959, true, false},
        {"any time on POSIX: 2108", 0x80, "UTC0", utc_2108_01_01, true, false},
        {"no directory on POSIX either", 0x10, "UTC0", utc_2024_02_29_134559, false, false},
    };
    for (const existence_case& c : cases) {
        fake::reset();
        file_times::use_zone(c.zone);
        fake::set_files_need_dos_dates(c.dos_dates);
        fake::add_file("C:\\a.ini", c.attributes, c.last_write_time);
        EXPECT_EQ(environment::file_exists("C:\\a.ini"), c.exists) << c.what;
        // Whatever the answer, one name search; the conversions are real, not the fake's.
        EXPECT_THAT(fake::calls(), ElementsAre("FindFirstFileA(\"C:\\a.ini\")")) << c.what;
    }
}

TEST_F(file_exists, not_when_the_name_search_finds_nothing)
{
    fake::reset();
    fake::add_file("C:\\a.ini", 0x20, utc_2024_02_29_134559);
    EXPECT_FALSE(environment::file_exists("C:\\missing.ini"));
    EXPECT_THAT(fake::calls(), ElementsAre("FindFirstFileA(\"C:\\missing.ini\")"));
}

}  // namespace
