// posix_ini_test.cpp: the POSIX INI reader over texts and over files.
#include "platform/posix/posix_ini.h"

#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using namespace std::string_literals;

struct row {
    const char* name;
    std::string text;
    std::string section;
    std::string key;
    std::string expected;
};

// Every row reads with the default "<none>" and a buffer of 1,024 bytes.
TEST(posix_ini, reads_like_the_windows_reader)
{
    const row cases[] = {
        {"plain value", "[EMAIL]\nAddress=a@b.c\n", "EMAIL", "Address", "a@b.c"},
        {"CR LF line ends", "[EMAIL]\r\nAddress=a@b.c\r\nSubject=s\r\n", "EMAIL", "Subject", "s"},
        {"CR alone ends a line", "[EMAIL]\rAddress=a\rSubject=s", "EMAIL", "Subject", "s"},
        {"CR inside a line splits it", "[S]\nA=a\rb=c\n", "S", "b", "c"},
        {"no line end at the end", "[EMAIL]\nAddress=last", "EMAIL", "Address", "last"},
        {"section name in another case", "[eMaIl]\nAddress=x\n", "EMAIL", "Address", "x"},
        {"key name in another case", "[EMAIL]\naDDRESS=x\n", "email", "Address", "x"},
        {"only ASCII letters fold", "[S]\n\xC9=upper\n", "S", "\xE9", "<none>"},
        {"blanks around key and value", "[S]\n \t Address \t=\t a b \t\n", "S", "Address", "a b"},
        {"vertical tab, form feed, 0x1A are blanks", "[S]\n\vk\f=\x1av\x1a\n", "S", "k", "v"},
        {"other control bytes are not", "[S]\nk=\x1cv\x1f\n", "S", "k", "\x1cv\x1f"},
        {"0xA0 is not a blank", "[S]\nk=\xA0v\xA0\n", "S", "k", "\xA0v\xA0"},
        {"blanks in the names asked for", "[S]\nk=v\n", "\t S \x1a", " k\r\n", "v"},
        {"blanks inside the brackets", "[ \tEMAIL\x0b ]\nAddress=x\n", "EMAIL", "Address", "x"},
        {"inner blanks of a name kept", "[E MAIL]\nk=v\n", "EMAIL", "k", "<none>"},
        {"text after the bracket ignored", "[EMAIL] ; note\nAddress=x\n", "EMAIL", "Address", "x"},
        {"name ends at the last bracket", "[A]B]\nk=v\n", "A]B", "k", "v"},
        {"no bracket: no header", "[S]\nk=1\n[T\nk=2\n", "T", "k", "<none>"},
        {"no bracket: a key of the section", "[S]\n[T\nk=2\n", "S", "k", "2"},
        {"first section of a name only", "[S]\na=1\n[s]\nb=2\n", "S", "b", "<none>"},
        {"first key of a name wins", "[S]\nk=1\nK=2\n", "S", "k", "1"},
        {"first key without = gives the default", "[S]\nk\nk=2\n", "S", "k", "<none>"},
        {"empty value is a value", "[S]\nk=\n", "S", "k", ""},
        {"blank value is empty", "[S]\nk=  \t\n", "S", "k", ""},
        {"split at the first =", "[S]\nk = a=b\n", "S", "k", "a=b"},
        {"empty key name", "[S]\n=v\n", "S", "", "v"},
        {"missing key", "[S]\nk=v\n", "S", "x", "<none>"},
        {"missing section", "[S]\nk=v\n", "T", "k", "<none>"},
        {"lines before any header", "k=top\n[S]\nk=s\n", "", "k", "top"},
        {"[] comes after the nameless start", "[]\nk=v\n", "", "k", "<none>"},
        {"comment line is no key", "[S]\n;k=c\nk=v\n", "S", "k", "v"},
        {"comment line under its own name", "[S]\n;k=c\n", "S", ";k", "c"},
        {"double quotes go", "[S]\nk=\"a b\"\n", "S", "k", "a b"},
        {"single quotes go", "[S]\nk='a b'\n", "S", "k", "a b"},
        {"blanks inside quotes stay", "[S]\nk= \" a \" \n", "S", "k", " a "},
        {"mismatched quotes stay", "[S]\nk=\"a'\n", "S", "k", "\"a'"},
        {"one quote stays", "[S]\nk=\"\n", "S", "k", "\""},
        {"empty quotes", "[S]\nk=''\n", "S", "k", ""},
        {"only the outer quotes go", "[S]\nk=\"a\"b\"\n", "S", "k", "a\"b"},
        {"quoted key name is not unquoted", "[S]\n\"k\"=v\n", "S", "k", "<none>"},
        {"backtick kept", "[S]\nk=a`1b\n", "S", "k", "a`1b"},
        {"message escape kept", "[S]\nk=a<#0D><#0A>b\n", "S", "k", "a<#0D><#0A>b"},
        {"UTF-8 mark skipped", "\xEF\xBB\xBF[S]\nk=v\n", "S", "k", "v"},
        {"UTF-8 text kept", "\xEF\xBB\xBF[S]\nk=\xC3\xA9\n", "S", "k", "\xC3\xA9"},
        {"second mark is text", "\xEF\xBB\xBF\xEF\xBB\xBF[S]\nk=v\n", "S", "k", "<none>"},
        {"UTF-16 little-endian", "\xFF\xFE[\0S\0]\0\n\0k\0=\0v\0\xE9\0"s, "S", "k", "v\xC3\xA9"},
        {"UTF-16 big-endian", "\xFE\xFF\0[\0S\0]\0\n\0k\0=\0v\0x"s, "S", "k", "vx"},
        {"UTF-16 surrogate pair", "\xFF\xFE[\0S\0]\0\n\0k\0=\0\x3D\xD8\x00\xDE"s, "S", "k",
         "\xF0\x9F\x98\x80"},
        {"UTF-16 lone surrogate", "\xFF\xFE[\0S\0]\0\n\0k\0=\0\x3D\xD8"s, "S", "k", "\xEF\xBF\xBD"},
        {"UTF-16 without mark is bytes", "[\0S\0]\0\n\0k\0=\0v\0"s, "S", "k", "<none>"},
        {"zero byte ends a value", "[S]\nk=a\0b\n"s, "S", "k", "a"},
        {"zero byte after a blank", "[S]\nk=a \0 \n"s, "S", "k", "a "},
        {"zero byte ends a key name", "[S]\nk\0x=v\n"s, "S", "k", "v"},
        {"zero byte ends a section name", "[S\0x]\nk=v\n"s, "S", "k", "v"},
        {"zero byte before the quote", "[S]\nk='a\0'\n"s, "S", "k", "'a"},
        {"binary bytes pass", "[S]\nk=\x01\x80\xFF\n", "S", "k", "\x01\x80\xFF"},
        {"empty text", "", "S", "k", "<none>"},
    };
    for (const row& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(platform::read_ini_value(c.text, c.section, c.key, "<none>", 1024), c.expected);
    }
}

struct size_row {
    const char* name;
    std::string value;
    std::size_t size;
    std::string expected;
};

TEST(posix_ini, cuts_to_the_buffer)
{
    const size_row cases[] = {
        {"three bytes in none", "abc", 0, ""},
        {"in one: the end alone", "abc", 1, ""},
        {"in two", "abc", 2, "a"},
        {"in four: whole", "abc", 4, "abc"},
        {"quoted in two", "\"abc\"", 2, "a"},
        {"quoted in three", "\"abc\"", 3, "ab"},
        // The quoted text fills the buffer exactly: its last byte goes too, as on Windows.
        {"quoted text fills the buffer", "\"abc\"", 4, "ab"},
        {"quoted in five: unquoted", "\"abc\"", 5, "abc"},
        {"inner quote kept", "\"a\"b\"", 4, "a\""},
        {"long value", std::string(1500, 'x'), 1024, std::string(1023, 'x')},
        {"quoted 1,023 bytes", "\"" + std::string(1023, 'y') + "\"", 1024, std::string(1022, 'y')},
        {"quoted 1,024 bytes", "\"" + std::string(1024, 'y') + "\"", 1024, std::string(1023, 'y')},
    };
    for (const size_row& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(platform::read_ini_value("[S]\nk=" + c.value + "\n", "S", "k", "d", c.size),
                  c.expected);
    }
}

struct default_row {
    const char* name;
    std::string default_value;
    std::string expected;
};

TEST(posix_ini, default_loses_trailing_spaces_and_quotes)
{
    const default_row cases[] = {
        {"empty", "", ""},
        {"trailing spaces", "d  ", "d"},
        {"inner and leading spaces kept", " d d ", " d d"},
        {"all spaces: one kept", "   ", " "},
        {"double quotes", "\"ab\"", "ab"},
        {"single quotes before spaces", "'ab'  ", "ab"},
        {"a lone quote", "'", "'"},
        {"a trailing tab kept", "d\t", "d\t"},
    };
    for (const default_row& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(platform::read_ini_value("[S]\n", "S", "k", c.default_value, 1024), c.expected);
    }
}

TEST(posix_ini, long_lines_are_cut)
{
    const std::string huge(100000, 'x');
    const std::string text = "[S]\n" + huge + "\n[" + huge + "]\nk=no\n[S2]\nk=" + huge + "\n";
    EXPECT_EQ(platform::read_ini_value(text, "S2", "k", "", 1024), std::string(1023, 'x'));
    EXPECT_EQ(platform::read_ini_value(text, "S", huge, "d", 1024), "d");
    EXPECT_EQ(platform::read_ini_value(text, huge, "k", "d", 1024), "no");
}

// A new empty folder for one test.
std::string make_folder()
{
    char pattern[] = "/tmp/posix_ini_test.XXXXXX";
    return mkdtemp(pattern) ? pattern : "";
}

void remove_folder(const std::string& folder)
{
    std::string command = "rm -rf '" + folder + "'";
    EXPECT_EQ(std::system(command.c_str()), 0);
}

std::string write_file(const std::string& folder, const std::string& name, const std::string& bytes)
{
    std::string path = folder + "/" + name;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    EXPECT_NE(file, nullptr);
    if (file) {
        EXPECT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file), bytes.size());
        std::fclose(file);
    }
    return path;
}

TEST(posix_ini_file, reads_a_file)
{
    std::string folder = make_folder();
    ASSERT_FALSE(folder.empty());
    std::string path = write_file(folder, "a.ini", "[EMAIL]\r\nAddress=a@b.c\r\n");
    EXPECT_EQ(platform::read_ini_file_value(path, "EMAIL", "Address", "", 1024), "a@b.c");
    remove_folder(folder);
}

TEST(posix_ini_file, no_file_gives_the_default)
{
    std::string folder = make_folder();
    ASSERT_FALSE(folder.empty());
    std::string fifo = folder + "/fifo.ini";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(mkdir((folder + "/dir.ini").c_str(), 0700), 0);
    write_file(folder, "empty.ini", "");
    ASSERT_EQ(symlink("loop.ini", (folder + "/loop.ini").c_str()), 0);
    // A pipe nobody writes to must not block the read; a link to itself cannot be opened.
    for (const char* name : {"missing.ini", "dir.ini", "fifo.ini", "empty.ini", "loop.ini", ""}) {
        SCOPED_TRACE(name);
        std::string path = *name ? folder + "/" + name : std::string();
        EXPECT_EQ(platform::read_ini_file_value(path, "EMAIL", "Address", "d", 1024), "d");
    }
    remove_folder(folder);
}

// The read happens in a child without capabilities, so that the file's mode binds root too (the
// tests run as root in CI): the child's exit status tells what it read.
bool read_without_capabilities_gives(const std::string& path, const std::string& expected)
{
    const pid_t child = fork();
    if (child == 0) {
        __user_cap_header_struct header = {_LINUX_CAPABILITY_VERSION_3, 0};
        __user_cap_data_struct data[2] = {};
        if (syscall(SYS_capset, &header, data) != 0) _exit(2);
        _exit(platform::read_ini_file_value(path, "EMAIL", "Address", "d", 1024) == expected ? 0
                                                                                             : 1);
    }
    int status = -1;
    return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

TEST(posix_ini_file, unreadable_file_gives_the_default)
{
    std::string folder = make_folder();
    ASSERT_FALSE(folder.empty());
    std::string path = write_file(folder, "locked.ini", "[EMAIL]\nAddress=secret\n");
    EXPECT_TRUE(read_without_capabilities_gives(path, "secret"));
    ASSERT_EQ(chmod(path.c_str(), 0), 0);
    EXPECT_TRUE(read_without_capabilities_gives(path, "d"));
    remove_folder(folder);
}

}  // namespace
