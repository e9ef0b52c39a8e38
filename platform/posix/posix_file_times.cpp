// posix_file_times.cpp: the file times of the POSIX build (see platform.h, posix_file_times.h), by
// the C library's time zone and calendar. The unit tests link them beside the fake, so that whether
// a file's time counts is judged by the real calendar.

#include "platform/posix/posix_file_times.h"

#include "platform/platform.h"

namespace {

// File times count 100-nanosecond ticks from 1601-01-01; Unix time counts seconds from 1970.
const std::int64_t ticks_per_second = 10000000;
const std::int64_t seconds_1601_to_1970 = 11644473600LL;

// The Unix time of the whole second a file time falls in.
time_t unix_seconds(std::uint64_t file_time)
{
    return static_cast<time_t>(static_cast<std::int64_t>(file_time / ticks_per_second) -
                               seconds_1601_to_1970);
}

}  // namespace

namespace platform {

bool file_time_to_local_file_time(std::uint64_t file_time, std::uint64_t& local_time)
{
    const time_t seconds = unix_seconds(file_time);
    struct tm local;
    if (localtime_r(&seconds, &local) == nullptr) return false;
    const std::int64_t shifted =
        static_cast<std::int64_t>(file_time) + local.tm_gmtoff * ticks_per_second;
    if (shifted < 0) return false;
    local_time = static_cast<std::uint64_t>(shifted);
    return true;
}

bool file_time_to_dos_date_time(std::uint64_t local_time, unsigned short& date,
                                unsigned short& time)
{
    const time_t seconds = unix_seconds(local_time);
    struct tm parts;
    if (gmtime_r(&seconds, &parts) == nullptr) return false;
    const int year = parts.tm_year + 1900;
    if (year < 1980 || year > 2107) return false;
    date = static_cast<unsigned short>(((year - 1980) << 9) | ((parts.tm_mon + 1) << 5) |
                                       parts.tm_mday);
    time = static_cast<unsigned short>((parts.tm_hour << 11) | (parts.tm_min << 5) |
                                       (parts.tm_sec / 2));
    return true;
}

}  // namespace platform

namespace platform::posix {

std::uint64_t file_time_of(const timespec& time)
{
    const std::int64_t ticks =
        (static_cast<std::int64_t>(time.tv_sec) + seconds_1601_to_1970) * ticks_per_second +
        time.tv_nsec / 100;
    return ticks < 0 ? 0 : static_cast<std::uint64_t>(ticks);
}

}  // namespace platform::posix
