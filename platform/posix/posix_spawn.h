// posix_spawn.h: how the POSIX build starts the programs it runs besides the opener: found on the
// trusted folders of PATH, never through a shell, given only the standard streams.
#pragma once

#include <string>
#include <vector>

namespace platform::posix {

// The absolute path of an executable file called name in the first of search_folders(PATH) that
// has one; empty when none has.
std::string program_on_path(const std::string& name);

// Runs the program at path with arguments (the first is its name), feeding it input on standard
// input (null: none, /dev/null instead), and waits until it ends. The program gets SIGKILL when
// this process ends, however it ends. Nothing happens when it cannot be started.
void run_and_wait(const std::string& path, const std::vector<std::string>& arguments,
                  const std::string* input, char* const* environment);

}  // namespace platform::posix
