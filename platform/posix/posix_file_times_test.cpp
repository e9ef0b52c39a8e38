// posix_file_times_test.cpp: a POSIX time as a file time, and the file-time conversions over real
// time zones and the C library's calendar. The file times are written out as numbers (100 ns ticks
// since 1601-01-01 UTC), each named by the date it stands for (file_times_test.h).

#include <gtest/gtest.h>

#include <cstdint>

#include "platform/platform.h"
#include "platform/posix/file_times_test.h"
#include "platform/posix/posix_file_times.h"

namespace {

using namespace file_times;

// Each test sets the time zone it needs; the one the process had is put back afterwards.
class posix_file_times : public ::testing::Test {
   protected:
    void TearDown() override { restore_zone(); }
};

struct unix_time_row {
    const char* name;
    timespec time;
    std::uint64_t file_time;
};

TEST(posix_file_time_of, counts_100_ns_ticks_from_1601)
{
    const std::int64_t seconds_to_1970 = 11644473600LL;
    const unix_time_row cases[] = {
        {"the Unix epoch", {0, 0}, utc_1970_01_01},
        {"a leap day", {1709214359, 0}, utc_2024_02_29_134559},
        {"nanoseconds in whole ticks", {0, 999}, utc_1970_01_01 + 9},
        {"the first tick of 1601", {-seconds_to_1970, 100}, 1},
        {"before 1601", {-seconds_to_1970 - 1, 0}, 0},
    };
    for (const unix_time_row& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(platform::posix::file_time_of(c.time), c.file_time);
    }
}

struct dos_row {
    const char* name;
    std::uint64_t local_time;
    bool converts;
    unsigned short date;
    unsigned short time;
};

TEST_F(posix_file_times, ms_dos_date_and_time_cover_1980_to_2107)
{
    const dos_row cases[] = {
        {"first second of 1980", utc_1980_01_01, true, 0x0021, 0x0000},
        {"last second of 1979", utc_1979_12_31_235959, false, 0, 0},
        {"a leap day, odd seconds halved", utc_2024_02_29_134559, true, 0x585D, 0x6DBD},
        {"last even second of 2107", utc_2107_12_31_235958, true, 0xFF9F, 0xBF7D},
        {"first second of 2108", utc_2108_01_01, false, 0, 0},
        {"1970", utc_1970_01_01, false, 0, 0},
        {"1601", 0, false, 0, 0},
    };
    for (const dos_row& c : cases) {
        SCOPED_TRACE(c.name);
        unsigned short date = 0, time = 0;
        EXPECT_EQ(platform::file_time_to_dos_date_time(c.local_time, date, time), c.converts);
        if (!c.converts) continue;
        EXPECT_EQ(date, c.date);
        EXPECT_EQ(time, c.time);
    }
}

struct zone_row {
    const char* name;
    const char* zone;
    std::uint64_t utc;
    std::uint64_t local;
};

TEST_F(posix_file_times, local_time_follows_the_time_zone)
{
    const zone_row cases[] = {
        {"UTC", "UTC0", utc_2024_02_29_134559, utc_2024_02_29_134559},
        {"an hour east", "<+01>-1", utc_2024_02_29_134559, utc_2024_02_29_134559 + ticks_per_hour},
        {"five hours west", "<-05>5", utc_2024_02_29_134559,
         utc_2024_02_29_134559 - 5 * ticks_per_hour},
        {"half hours", "<+0530>-5:30", utc_1980_01_01, utc_1980_01_01 + 11 * ticks_per_hour / 2},
    };
    for (const zone_row& c : cases) {
        SCOPED_TRACE(c.name);
        use_zone(c.zone);
        std::uint64_t local = 0;
        EXPECT_TRUE(platform::file_time_to_local_file_time(c.utc, local));
        EXPECT_EQ(local, c.local);
    }
}

// Half an hour into 1980 by UTC is still 1979 an hour west of it: the date is judged locally.
TEST_F(posix_file_times, the_year_is_judged_in_local_time)
{
    unsigned short date = 0, time = 0;
    std::uint64_t local = 0;
    use_zone("<-01>1");
    ASSERT_TRUE(platform::file_time_to_local_file_time(utc_1980_01_01_0030, local));
    EXPECT_FALSE(platform::file_time_to_dos_date_time(local, date, time));
    use_zone("UTC0");
    ASSERT_TRUE(platform::file_time_to_local_file_time(utc_1980_01_01_0030, local));
    EXPECT_TRUE(platform::file_time_to_dos_date_time(local, date, time));
}

TEST_F(posix_file_times, a_time_before_1601_does_not_convert_to_local_time)
{
    use_zone("<-01>1");
    std::uint64_t local = 0;
    EXPECT_FALSE(platform::file_time_to_local_file_time(0, local));
}

}  // namespace
