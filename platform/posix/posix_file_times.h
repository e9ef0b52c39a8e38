// posix_file_times.h: a POSIX time as the file time that the platform interface counts in.
#pragma once

#include <time.h>

#include <cstdint>

namespace platform::posix {

// time as 100-nanosecond ticks since 1601-01-01 UTC, the unit of found_file's last-write time; 0
// for a time before 1601, which no file time can hold.
std::uint64_t file_time_of(const timespec& time);

}  // namespace platform::posix
