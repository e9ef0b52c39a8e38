// posix_program_path.h: where the running program's file is, read once at start, so that a file
// replaced or removed while the run waits still names the folder its settings are beside.
#pragma once

#include <string>

namespace platform::posix {

// The running program's file as the kernel names it, or as it was started.
struct program_file {
    std::string path;        // absolute, or relative to the starting folder; empty when unknown
    int error = 0;           // why /proc could not name it (an errno value); 0 when it did
    bool has_folder = true;  // false when its folder is not on the disk the program runs from
};

// Reads the program's path from /proc/self/exe, without the " (deleted)" mark of a removed file;
// where /proc cannot tell, the path it was started with, made absolute against the current
// folder where that folder can be named. An empty path (with error set) when neither can be had.
program_file running_program();

}  // namespace platform::posix
