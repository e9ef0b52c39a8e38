// launch.h: the program's whole run, from entering its folder to the exit status.
#pragma once

namespace launcher {

// From now until the process ends, an allocation that fails stops the run: the run-time stop
// report with 203, then exit status 203. The entry point calls it first, before it allocates.
void stop_when_memory_runs_out();

// Opens the user's mail program on a new message through the shell and returns the exit status:
// 0, or the system error code when the program's folder cannot be entered.
int run();

}  // namespace launcher
