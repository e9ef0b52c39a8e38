// posix_files.h: the name search and the file-time conversions of the POSIX build. posix.cpp
// hands platform.h's functions of the same names to these; apart from the platform layer they
// can be tested beside the recording fake.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace platform::posix {

// stat() of path: a directory gets the attribute 0x10, anything else 0x80; the last-write time
// as a file time (a time before 1601 as 0). False when path names nothing.
bool find_first_file(const char* path, found_file& found);

// file_time shifted by the local zone's offset at that moment. False when the C library cannot
// place it or the result would lie before 1601.
bool file_time_to_local_file_time(std::uint64_t file_time, std::uint64_t& local_time);

// The MS-DOS date and time (two-second steps) of a local file time. False outside the years
// 1980 to 2107.
bool file_time_to_dos_date_time(std::uint64_t local_time, unsigned short& date,
                                unsigned short& time);

}  // namespace platform::posix
