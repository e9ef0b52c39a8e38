// posix_dialogs.cpp: the message boxes of the POSIX build (see platform.h): standard error, with a
// dialog where a graphical session and a dialog program are at hand.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/posix/dialog_session.h"
#include "platform/posix/dialog_text.h"
#include "platform/posix/posix_spawn.h"

extern char** environ;

namespace {

// The dialog programs show UTF-8 only in a UTF-8 locale (zenity and kdialog refuse text that is
// not ASCII in another, xmessage fails or shows each byte as a character, and in a locale that is
// not installed none shows it): unless the caller's locale is an installed UTF-8 one, they get
// C.UTF-8. Without a session bus, GTK's accessibility bridge starts a bus and its services, which
// outlive the dialog: NO_AT_BRIDGE=1 keeps the bridge out.
std::vector<char*> dialog_environment()
{
    std::vector<char*> environment;
    const bool keep =
        platform::utf8_locale(std::getenv("LC_ALL"), std::getenv("LC_CTYPE"), std::getenv("LANG"));
    for (char** setting = environ; *setting != nullptr; ++setting)
        if ((keep || std::strncmp(*setting, "LC_ALL=", 7) != 0) &&
            std::strncmp(*setting, "NO_AT_BRIDGE=", 13) != 0)
            environment.push_back(*setting);
    if (!keep) environment.push_back(const_cast<char*>("LC_ALL=C.UTF-8"));
    environment.push_back(const_cast<char*>("NO_AT_BRIDGE=1"));
    environment.push_back(nullptr);
    return environment;
}

// A dialog for the message where a graphical session and a dialog program are at hand. The text
// goes as one argument (cut to a readable length; standard error has it whole) or on standard
// input, as each program shows it literally: line breaks as LF, valid UTF-8, no markup interpreted.
void show_dialog(const char* text, const char* caption)
{
    if (!platform::has_display(std::getenv("DISPLAY"), std::getenv("WAYLAND_DISPLAY"))) return;
    const std::string title = *caption != 0 ? caption : "mailto";
    const std::string shown = platform::dialog_text(text);
    const std::string readable = platform::readable_text(shown, platform::readable_length);
    const std::vector<char*> environment = dialog_environment();
    std::string program = platform::posix::program_on_path("zenity");
    if (!program.empty())
        return platform::posix::run_and_wait(
            program, {"zenity", "--info", "--no-markup", "--title=" + title, "--text=" + readable},
            nullptr, environment.data());
    program = platform::posix::program_on_path("kdialog");
    if (!program.empty())
        return platform::posix::run_and_wait(
            program, {"kdialog", "--title", title, "--msgbox", platform::kdialog_text(readable)},
            nullptr, environment.data());
    program = platform::posix::program_on_path("xmessage");
    if (!program.empty())
        platform::posix::run_and_wait(
            program,
            {"xmessage", "-title", title, "-center", "-xrm", "*international: true", "-file", "-"},
            &shown, environment.data());
}

}  // namespace

namespace platform {

// Standard error gets the message byte for byte. Where its reader has gone the writes fail
// quietly (SIGPIPE is ignored from the start) and the dialog still shows.
int message_box(window, const char* text, const char* caption, unsigned)
{
    if (*caption != 0) std::fprintf(stderr, "%s\n", caption);
    std::fprintf(stderr, "%s\n", text);
    std::fflush(stderr);
    show_dialog(text, caption);
    return 1;
}

}  // namespace platform
