// launch.h: the program's whole run, from entering its folder to the exit status.
#pragma once

namespace launcher {

// Opens the user's mail program on a new message through the shell and returns the exit status:
// 0, or the system error code when the program's folder cannot be entered.
int run();

}  // namespace launcher
