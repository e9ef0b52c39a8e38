// launch.cpp: the program's whole run. It enters its own folder, takes the address, subject and
// failure text from the command line or the settings file, hands "mailto:" and the target to the
// shell, tells the user when that fails, and exits.

#include "launcher/launch.h"

#include <new>
#include <string>

#include "environment/arguments.h"
#include "environment/paths.h"
#include "launcher/messages.h"
#include "platform/platform.h"
#include "settings/settings.h"

namespace launcher {

namespace {

enum class route { command_line, settings };

const char* const window_class = "TPUtilWindow";
const unsigned long ws_ex_toolwindow = 0x80;
const unsigned long ws_popup = 0x80000000;
const int sw_shownormal = 1;
const unsigned mb_ok = 0;
const unsigned long out_of_memory_code = 203;

template <typename Function>
std::uint32_t location_of(Function* function)
{
    return platform::code_offset(reinterpret_cast<const void*>(function));
}

// Tells the user why the run stops before it could do anything: the system's code and the
// place that failed.
void show_stop_report(unsigned long code, std::uint32_t location)
{
    char report[30];
    runtime_error_report(code, location, report);
    platform::message_box(0, report, "Error", mb_ok);
}

// Reached when the report itself runs out of memory (a dialog program is started with heap
// memory on some platforms): the report has gone to wherever it could, and the run ends.
void out_of_memory_in_report() { platform::exit_process(out_of_memory_code); }

// Reached from any allocation that fails. A failure inside the report must end the run, not come
// back here for ever.
void out_of_memory()
{
    std::set_new_handler(out_of_memory_in_report);
    show_stop_report(out_of_memory_code, location_of(&out_of_memory));
    platform::exit_process(out_of_memory_code);
}

// Returns 0, or the system error code when the folder cannot be entered.
unsigned long enter_program_folder()
{
    const std::string folder = environment::folder_of(environment::argument(0));
    if (platform::set_current_directory(folder.c_str())) return 0;
    const unsigned long code = platform::last_error();
    show_stop_report(code, location_of(&enter_program_folder));
    return code;
}

route choose_route()
{
    return environment::argument_count() >= 1 ? route::command_line : route::settings;
}

std::string obtain_address(route from)
{
    if (from == route::settings) return settings::read_setting("EMAIL", "Address", "");
    return environment::decode_argument_escapes(environment::argument(1));
}

std::string obtain_subject(route from)
{
    if (from == route::settings) return settings::read_setting("EMAIL", "Subject", "");
    return environment::decode_argument_escapes(environment::argument(2));
}

std::string obtain_failure_text(route from)
{
    if (from == route::settings) return settings::read_setting("EMAIL", "Error", "");
    return environment::decode_argument_escapes(environment::switch_value("/error=", 2));
}

// A hidden tool window whose only use is to own whatever the shell shows. Returns 0 when it
// cannot be made; the shell then gets no owner.
platform::window create_owner_window()
{
    bool default_procedure = false;
    if (!platform::get_class_info(window_class, default_procedure)) {
        platform::register_class(window_class);
    } else if (!default_procedure) {
        platform::unregister_class(window_class);
        platform::register_class(window_class);
    }
    return platform::create_window(ws_ex_toolwindow, window_class, "", ws_popup);
}

std::string target_of(const std::string& address, const std::string& subject)
{
    if (subject.empty()) return address;
    return address + "?subject=" + subject;
}

// The shell's results from 0 to 32 are its error codes; anything else means it started.
bool open_request(platform::window owner, const std::string& target)
{
    const std::string request = "mailto:" + target;
    const std::int32_t result =
        platform::shell_execute(owner, nullptr, request.c_str(), nullptr, nullptr, sw_shownormal);
    return result < 0 || result > 32;
}

void show_failure(route from, const std::string& target)
{
    std::string text = obtain_failure_text(from);
    if (text.empty()) text = "Error opening";
    // CR LF, then a lone CR, at which a message box breaks the line again: an empty line sets the
    // request apart from the text (docs/failure.png; the native dialogs read it alike).
    const std::string message = decode_message_escapes(text) + "\r\n\r" + target;
    platform::message_box(0, message.c_str(), "", mb_ok);
}

}  // namespace

void stop_when_memory_runs_out() { std::set_new_handler(out_of_memory); }

int run()
{
    environment::build_lead_byte_table();
    if (const unsigned long code = enter_program_folder()) return static_cast<int>(code);
    const route from = choose_route();
    const std::string address = obtain_address(from);
    if (address.empty()) {
        platform::message_box(0, "Error - No e-mail address defined", "", mb_ok);
        return 0;
    }
    const platform::window owner = create_owner_window();
    const std::string target = target_of(address, obtain_subject(from));
    if (!open_request(owner, target)) show_failure(from, target);
    if (owner != 0) platform::destroy_window(owner);
    return 0;
}

}  // namespace launcher
