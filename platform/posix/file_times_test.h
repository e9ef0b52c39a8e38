// file_times_test.h: for the unit tests of the real file-time conversions: file times named by
// the date they stand for, and the time zone that a test sets and then puts back.
#pragma once

#include <stdlib.h>
#include <time.h>

#include <cstdint>
#include <string>

namespace file_times {

// 100-nanosecond ticks since 1601-01-01 UTC.
const std::uint64_t utc_1970_01_01 = 116444736000000000ULL;
const std::uint64_t utc_1979_12_31_2330 = 119600046000000000ULL;
const std::uint64_t utc_1979_12_31_235959 = 119600063990000000ULL;
const std::uint64_t utc_1980_01_01 = 119600064000000000ULL;
const std::uint64_t utc_1980_01_01_0030 = 119600082000000000ULL;
const std::uint64_t utc_2024_02_29_134559 = 133536879590000000ULL;
const std::uint64_t utc_2107_12_31_235958 = 159992927980000000ULL;
const std::uint64_t utc_2108_01_01 = 159992928000000000ULL;
const std::uint64_t ticks_per_hour = 36000000000ULL;

// The zone the process started with, taken before any test runs.
inline const bool process_has_zone = getenv("TZ") != nullptr;
inline const std::string process_zone = process_has_zone ? getenv("TZ") : "";

// Makes the C library judge local times in zone.
inline void use_zone(const char* zone)
{
    setenv("TZ", zone, 1);
    tzset();
}

// Puts back the zone the process started with.
inline void restore_zone()
{
    if (process_has_zone)
        use_zone(process_zone.c_str());
    else
        unsetenv("TZ");
    tzset();
}

}  // namespace file_times
