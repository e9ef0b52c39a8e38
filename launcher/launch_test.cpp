// launch_test.cpp: the launch sequence as the platform sees it, call by call.

#include "launcher/launch.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <new>

#include "platform/fake.h"

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

class launch : public ::testing::Test {
   protected:
    void SetUp() override { fake::reset(); }

    int run(const std::string& command_line)
    {
        fake::set_command_line(command_line);
        return launcher::run();
    }
};

const char* const register_calls[] = {"GetClassInfoA(\"TPUtilWindow\") = 0",
                                      "RegisterClassA(\"TPUtilWindow\")"};
const char* const create_call =
    "CreateWindowExA(0x80, \"TPUtilWindow\", \"\", 0x80000000) = 0x1000";

TEST_F(launch, address_and_subject_go_to_the_shell_in_order)
{
    EXPECT_EQ(run("mailto first`1box Hi`1there"), 0);
    EXPECT_THAT(fake::calls(),
                ElementsAre("GetSystemMetrics(42)", "GetModuleFileNameA()",
                            "SetCurrentDirectoryA(\"C:\\tools\\\")", "GetCommandLineA()",
                            "GetCommandLineA()", register_calls[0], register_calls[1], create_call,
                            "GetCommandLineA()",
                            "ShellExecuteA(0x1000, NULL, \"mailto:first box?subject=Hi there\", "
                            "NULL, NULL, 1) = 42",
                            "DestroyWindow(0x1000)"));
}

TEST_F(launch, one_argument_gives_no_subject)
{
    run("mailto a@b.c");
    EXPECT_THAT(fake::calls_named("ShellExecuteA"),
                ElementsAre("ShellExecuteA(0x1000, NULL, \"mailto:a@b.c\", NULL, NULL, 1) = 42"));
}

TEST_F(launch, target_is_copied_byte_for_byte)
{
    run("mailto \" a%20b&c=d \" \"x?y#z\xe9\"");
    EXPECT_THAT(fake::calls_named("ShellExecuteA"),
                ElementsAre("ShellExecuteA(0x1000, NULL, \"mailto: a%20b&c=d ?subject=x?y#z\xe9\", "
                            "NULL, NULL, 1) = 42"));
}

struct result_row {
    const char* name;
    std::int32_t result;
    bool failed;
};

TEST_F(launch, shell_results_from_0_to_32_are_failures)
{
    const result_row cases[] = {
        {"out of memory", 0, true},       {"file not found", 2, true},
        {"the last failure", 32, true},   {"the first success", 33, false},
        {"a success", 42, false},         {"negative", -1, false},
        {"the lowest", INT32_MIN, false},
    };
    for (const result_row& c : cases) {
        SCOPED_TRACE(c.name);
        fake::reset();
        fake::set_shell_result(c.result);
        EXPECT_EQ(run("mailto a"), 0);
        EXPECT_EQ(fake::calls_named("MessageBoxA").size(), c.failed ? 1u : 0u);
        EXPECT_EQ(fake::calls().back(), "DestroyWindow(0x1000)");
    }
}

TEST_F(launch, failure_message_comes_before_the_window_is_destroyed)
{
    fake::set_shell_result(2);
    run("mailto addr subj");
    const auto& calls = fake::calls();
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(calls[calls.size() - 3], "GetCommandLineA()");
    EXPECT_EQ(calls[calls.size() - 2],
              "MessageBoxA(0x0, \"Error opening\r\n\raddr?subject=subj\", \"\", 0)");
    EXPECT_EQ(calls.back(), "DestroyWindow(0x1000)");
}

struct failure_row {
    const char* name;
    const char* command_line;
    const char* message;
};

TEST_F(launch, failure_text_rules)
{
    const failure_row cases[] = {
        // The switch's own rules (first match, case, escapes) are the tables of arguments_test
        // and messages_test; here, how the run puts them together.
        {"no switch: the default text", "mailto a", "Error opening\r\n\ra"},
        {"a switch in the subject's place", "mailto addr /error=Failed",
         "Failed\r\n\raddr?subject=/error=Failed"},
        {"an empty switch: the default text", "mailto addr subj /error= /error=X",
         "Error opening\r\n\raddr?subject=subj"},
        {"a zero byte ends the text", "mailto a s /error=<#00>abc", ""},
        {"argument escapes before message escapes", "mailto a s /error=<#45>rror`0<#3C>#41>",
         "Error`<#41>\r\n\ra?subject=s"},
    };
    for (const failure_row& c : cases) {
        SCOPED_TRACE(c.name);
        fake::reset();
        fake::set_shell_result(31);
        run(c.command_line);
        EXPECT_THAT(fake::calls_named("MessageBoxA"),
                    ElementsAre("MessageBoxA(0x0, \"" + std::string(c.message) + "\", \"\", 0)"));
    }
}

TEST_F(launch, failed_window_creation_gives_the_shell_no_owner)
{
    fake::set_create_window_result(0);
    fake::set_shell_result(5);
    EXPECT_EQ(run("mailto a"), 0);
    EXPECT_THAT(fake::calls_named("ShellExecuteA"),
                ElementsAre("ShellExecuteA(0x0, NULL, \"mailto:a\", NULL, NULL, 1) = 5"));
    EXPECT_THAT(fake::calls_named("MessageBoxA"), ElementsAre(HasSubstr("Error opening")));
    EXPECT_THAT(fake::calls_named("DestroyWindow"), IsEmpty());
}

TEST_F(launch, window_class_is_reused_or_registered_anew)
{
    fake::register_window_class("TPUtilWindow", true);
    run("mailto a");
    EXPECT_THAT(fake::calls_named("GetClassInfoA"),
                ElementsAre("GetClassInfoA(\"TPUtilWindow\") = 1"));
    EXPECT_THAT(fake::calls_named("RegisterClassA"), IsEmpty());

    fake::reset();
    fake::register_window_class("TPUtilWindow", false);
    run("mailto a");
    EXPECT_THAT(fake::calls_named("UnregisterClassA"),
                ElementsAre("UnregisterClassA(\"TPUtilWindow\")"));
    EXPECT_THAT(fake::calls_named("RegisterClassA"),
                ElementsAre("RegisterClassA(\"TPUtilWindow\")"));
}

TEST_F(launch, without_arguments_and_settings_only_the_no_address_message)
{
    EXPECT_EQ(run("mailto \"\" \"\""), 0);
    EXPECT_THAT(fake::calls_named("MessageBoxA"),
                ElementsAre("MessageBoxA(0x0, \"Error - No e-mail address defined\", \"\", 0)"));
    EXPECT_THAT(fake::calls_named("GetClassInfoA"), IsEmpty());
    EXPECT_THAT(fake::calls_named("RegisterClassA"), IsEmpty());
    EXPECT_THAT(fake::calls_named("CreateWindowExA"), IsEmpty());
    EXPECT_THAT(fake::calls_named("ShellExecuteA"), IsEmpty());
}

TEST_F(launch, command_line_route_never_reads_settings)
{
    fake::set_shell_result(2);
    fake::set_profile_string("C:\\tools\\VANTIK.INI", "EMAIL", "Subject", "from file");
    run("mailto a");
    EXPECT_THAT(fake::calls_named("GetPrivateProfileStringA"), IsEmpty());
    EXPECT_THAT(fake::calls_named("FindFirstFileA"), IsEmpty());
}

TEST_F(launch, unreachable_folder_stops_the_run_with_the_system_code)
{
    fake::fail_set_current_directory(3);
    EXPECT_EQ(run("mailto a"), 3);
    const auto& calls = fake::calls();
    ASSERT_EQ(calls.size(), 5u);
    EXPECT_EQ(calls[3], "GetLastError() = 3");
    EXPECT_THAT(calls[4], HasSubstr("MessageBoxA(0x0, \"Runtime error   3 at "));
    EXPECT_THAT(calls[4], HasSubstr("\", \"Error\", 0)"));
}

TEST_F(launch, posix_program_enters_its_own_folder)
{
    fake::set_delimiters("/", "./");
    fake::set_module_file_name("/opt/mail tools/mailto");
    run("mailto a");
    EXPECT_THAT(fake::calls_named("SetCurrentDirectoryA"),
                ElementsAre("SetCurrentDirectoryA(\"/opt/mail tools/\")"));
}

TEST_F(launch, a_long_failing_command_line_finds_the_last_switch)
{
    std::string line = "mailto addr";
    for (int i = 0; i < 16000; ++i) line += " x";
    line += " /error=last";
    fake::set_shell_result(0);
    run(line);
    EXPECT_THAT(fake::calls_named("MessageBoxA"),
                ElementsAre("MessageBoxA(0x0, \"last\r\n\raddr?subject=x\", \"\", 0)"));
}

// AddressSanitizer's operator new reports exhaustion itself instead of calling the handler, so
// there the test calls the installed handler directly.
void exhaust_memory()
{
#if defined(__SANITIZE_ADDRESS__)
    std::get_new_handler()();
#else
    std::string huge;
    huge.reserve(huge.max_size() / 2);
#endif
}

TEST(launch_death, running_out_of_memory_reports_203_and_exits_with_it)
{
    EXPECT_EXIT(
        {
            fake::reset();
            fake::set_command_line("mailto a");
            launcher::stop_when_memory_runs_out();
            launcher::run();
            exhaust_memory();
        },
        ::testing::ExitedWithCode(203),
        "MessageBoxA\\(0x0, \"Runtime error 203 at [0-9A-F]{8}\", \"Error\", 0\\)");
}

}  // namespace
