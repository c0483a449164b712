#include "updater/ReadBackNames.h"

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>

namespace {

std::tm Local(int year, int month, int day, int hour, int minute, int second) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    t.tm_isdst = -1;
    return t;
}

} // namespace

TEST(ReadBackNames, StampHasNoLeadingZeros) {
    const struct {
        std::tm Time;
        int Ms;
        const char* Stamp;
    } cases[] = {
        {Local(2024, 3, 5, 9, 7, 3), 45, "20243597345"},
        {Local(2024, 12, 31, 23, 59, 59), 999, "20241231235959999"},
        {Local(2025, 1, 1, 0, 0, 0), 0, "2025110000"},
        // 11 January and 1 November give the same stamp.
        {Local(2024, 1, 11, 10, 0, 0), 5, "202411110005"},
        {Local(2024, 11, 1, 10, 0, 0), 5, "202411110005"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReadBackStamp(c.Time, c.Ms), c.Stamp);
}

TEST(ReadBackNames, StampOfAClockReadingUsesLocalTimeAndMilliseconds) {
    std::tm t = Local(2024, 3, 5, 9, 7, 3);
    const std::time_t seconds = std::mktime(&t);
    ASSERT_NE(seconds, static_cast<std::time_t>(-1));
    const auto when = std::chrono::system_clock::from_time_t(seconds) + std::chrono::milliseconds(45);
    EXPECT_EQ(ReadBackStamp(when), "20243597345");
}

TEST(ReadBackNames, NamesForFirmwareAndImage) {
    const std::string stamp = "20243597345";
    const struct {
        std::string Firmware;
        std::string Expected;
    } firmware[] = {
        {"/Fw/vod50321.sim", "/Fw/USB20243597345.b79"},
        {"/opt/my tools/MASTER/vod50321.sim", "/opt/my tools/MASTER/USB20243597345.b79"},
        {"vod50321.sim", "USB20243597345.b79"},
        {"", "USB20243597345.b79"},
        {"/Fw/", "/Fw/USB20243597345.b79"},
        // Only "/" separates folders here.
        {"C:vod50321.sim", "USB20243597345.b79"},
    };
    for (const auto& c : firmware)
        EXPECT_EQ(FirmwareReadBackName(c.Firmware, stamp), c.Expected);

    EXPECT_EQ(ImageReadBackName("/P/bin/", stamp), "/P/bin/ParGen_20243597345.b79");
    EXPECT_EQ(ImageReadBackName("/P/bin", stamp), "/P/binParGen_20243597345.b79");
    EXPECT_EQ(ImageReadBackName("", stamp), "ParGen_20243597345.b79");
}
