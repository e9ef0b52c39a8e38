// paths_test.cpp: the lead-byte table, the double-byte aware delimiter search, the folder and
// extension rules.

#include "environment/paths.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "environment/byte_types.h"
#include "platform/fake.h"

namespace {

using environment::byte_type;

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

struct path_row {
    const char* name;
    const char* path;
    const char* result;
};

TEST_F(paths, folder_of)
{
    const path_row cases[] = {
        {"drive alone", "C:", "C:"},
        {"a folder", "C:\\tools\\run.exe", "C:\\tools\\"},
        {"no folder", "run.exe", ""},
        {"empty", "", ""},
        {"a share", "\\\\server\\share\\run.exe", "\\\\server\\share\\"},
        {"drive-relative", "C:run.exe", "C:"},
    };
    for (const path_row& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(environment::folder_of(c.path), c.result);
    }
}

TEST_F(paths, change_extension)
{
    const path_row cases[] = {
        {"replaced", "C:\\tools\\run.exe", "C:\\tools\\run.ini"},
        {"a dot in a folder only", "C:\\app.d\\run", "C:\\app.d\\run.ini"},
        {"a trailing dot", "run.", "run.ini"},
        {"none", "run", "run.ini"},
        {"the last of two", "run.tar.gz", "run.tar.ini"},
        {"a name that starts with a dot", "C:.hidden", "C:.ini"},
        {"empty", "", ".ini"},
    };
    for (const path_row& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(environment::change_extension(c.path, ".ini"), c.result);
    }
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

struct table_row {
    const char* name;
    std::vector<unsigned char> pairs;
    std::vector<unsigned> inside;
    std::vector<unsigned> outside;
};

TEST_F(paths, lead_byte_table_from_the_code_page_ranges)
{
    const table_row cases[] = {
        {"code page 932",
         {0x81, 0x9F, 0xE0, 0xFC},
         {0x81, 0x9F, 0xE0, 0xFC},
         {0x80, 0xA0, 0xDF, 0xFD, 0x5C}},
        {"up to 0xFF", {0xF0, 0xFF}, {0xF0, 0xFF}, {0xEF}},
        {"every byte", {0x00, 0xFF}, {0x00, 0x5C, 0xFF}, {}},
        {"a reversed pair is empty", {0x90, 0x80, 0xA0, 0xA1}, {0xA0, 0xA1}, {0x80, 0x90}},
        {"a zero pair ends the list",
         {0x81, 0x82, 0x00, 0x00, 0xA0, 0xA1},
         {0x81, 0x82},
         {0xA0, 0xA1}},
        {"no pairs", {}, {}, {0x81}},
    };
    for (const table_row& c : cases) {
        SCOPED_TRACE(c.name);
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

}  // namespace
