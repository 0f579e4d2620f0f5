#include "EngineTestSupport.h"
#include <climits>

using namespace enginetest;

namespace {

const char SECTION[] = "LAST_SIGNON_CYCLE_TIME";

class ScheduleTest : public EngineTest {
protected:
    void StoreLast(int year, int month, int day) {
        WritePrivateProfileStringA(SECTION, "Year", std::to_string(year).c_str(), PROFILE_NAME);
        WritePrivateProfileStringA(SECTION, "Month", std::to_string(month).c_str(), PROFILE_NAME);
        WritePrivateProfileStringA(SECTION, "Day", std::to_string(day).c_str(), PROFILE_NAME);
    }
    // "Y-M-D" as stored in the section.
    std::string Stored(const char* section = SECTION) {
        auto get = [&](const char* key) {
            return std::to_string(static_cast<int>(GetPrivateProfileIntA(section, key, -1, PROFILE_NAME)));
        };
        return get("Year") + "-" + get("Month") + "-" + get("Day");
    }
    bool Due(FrequencyUnit unit, LONG period, time_t now) {
        return IsCycleDue(SECTION, unit, period, FixedClock(now));
    }
};

TEST_F(ScheduleTest, MissingSectionReadsAsToday) {
    const time_t now = LocalTime(2026, 3, 14, 18, 30);
    EXPECT_FALSE(Due(FrequencyUnit::Days, 1, now));
    EXPECT_EQ(Stored(), "2026-3-14");
    // The keys are written in the order Year, Month, Day.
    const std::string file = ReadBytes(ProfilePath());
    EXPECT_LT(file.find("Year="), file.find("Month="));
    EXPECT_LT(file.find("Month="), file.find("Day="));

    RemoveFile(ProfilePath());
    EXPECT_TRUE(Due(FrequencyUnit::Hours, 18, now)) << "hours count from midnight of the stored date";
    RemoveFile(ProfilePath());
    EXPECT_FALSE(Due(FrequencyUnit::Hours, 19, now));
}

TEST_F(ScheduleTest, BootIsAlwaysDueAndRecordsToday) {
    StoreLast(2026, 3, 14);
    EXPECT_TRUE(Due(FrequencyUnit::Boot, 99, LocalTime(2026, 3, 14, 8)));
    EXPECT_EQ(Stored(), "2026-3-14");
    EXPECT_TRUE(Due(static_cast<FrequencyUnit>(42), 99, LocalTime(2026, 5, 1)));
    EXPECT_EQ(Stored(), "2026-5-1");
}

TEST_F(ScheduleTest, DaysCountFromMidnight) {
    StoreLast(2026, 3, 13);
    EXPECT_TRUE(Due(FrequencyUnit::Days, 1, LocalTime(2026, 3, 14, 0, 30)));
    EXPECT_EQ(Stored(), "2026-3-14");
    EXPECT_FALSE(Due(FrequencyUnit::Days, 1, LocalTime(2026, 3, 14, 23, 59)));
    EXPECT_EQ(Stored(), "2026-3-14");
    // Across a year boundary.
    StoreLast(2025, 12, 30);
    EXPECT_FALSE(Due(FrequencyUnit::Days, 3, LocalTime(2026, 1, 1, 23)));
    EXPECT_EQ(Stored(), "2025-12-30") << "not due: the date used is written back";
    EXPECT_TRUE(Due(FrequencyUnit::Days, 3, LocalTime(2026, 1, 2, 0, 0, 1)));
    EXPECT_EQ(Stored(), "2026-1-2");
    // 30 February counts as 2 March, and is written back as it was stored.
    StoreLast(2026, 2, 30);
    EXPECT_FALSE(Due(FrequencyUnit::Days, 2, LocalTime(2026, 3, 3, 23)));
    EXPECT_EQ(Stored(), "2026-2-30");
    EXPECT_TRUE(Due(FrequencyUnit::Days, 2, LocalTime(2026, 3, 4)));
}

TEST_F(ScheduleTest, WeeksAndMonths) {
    // Two weeks: 13 days are not enough, 14 are, also across a month end.
    StoreLast(2026, 2, 20);
    EXPECT_FALSE(Due(FrequencyUnit::Weeks, 2, LocalTime(2026, 3, 5, 23)));
    EXPECT_TRUE(Due(FrequencyUnit::Weeks, 2, LocalTime(2026, 3, 6, 0, 1)));
    // A month is 30 days, whatever the calendar: 31 Jan + 29 days is 1 Mar.
    StoreLast(2026, 1, 31);
    EXPECT_FALSE(Due(FrequencyUnit::Months, 1, LocalTime(2026, 3, 1, 22)));
    EXPECT_TRUE(Due(FrequencyUnit::Months, 1, LocalTime(2026, 3, 2, 1)));
    StoreLast(2026, 1, 1);
    EXPECT_FALSE(Due(FrequencyUnit::Months, 2, LocalTime(2026, 3, 1, 12)));   // 59 days
    EXPECT_TRUE(Due(FrequencyUnit::Months, 2, LocalTime(2026, 3, 2, 12)));    // 60 days
}

TEST_F(ScheduleTest, UnitsBelowADay) {
    StoreLast(2026, 6, 1);
    EXPECT_TRUE(Due(FrequencyUnit::Minutes, 90, LocalTime(2026, 6, 1, 1, 30)));
    StoreLast(2026, 6, 1);
    EXPECT_FALSE(Due(FrequencyUnit::Minutes, 90, LocalTime(2026, 6, 1, 1, 29, 59)));
    EXPECT_TRUE(Due(FrequencyUnit::Seconds, 45, LocalTime(2026, 6, 1, 0, 0, 45)));
    StoreLast(2026, 6, 1);
    EXPECT_FALSE(Due(FrequencyUnit::Seconds, 45, LocalTime(2026, 6, 1, 0, 0, 44)));
}

TEST_F(ScheduleTest, FutureDateCountsAsToday) {
    // The clock was set back: the stored date lies ahead.
    StoreLast(2027, 1, 1);
    EXPECT_FALSE(Due(FrequencyUnit::Days, 1, LocalTime(2026, 6, 10, 23)));
    EXPECT_EQ(Stored(), "2026-6-10");
    StoreLast(2026, 6, 11);
    EXPECT_TRUE(Due(FrequencyUnit::Seconds, 3600, LocalTime(2026, 6, 10, 1)));
    EXPECT_EQ(Stored(), "2026-6-10");
    // A past date whose month lies ahead of today's month is not a future
    // date: 5 Dec to 10 Jan is 36 days, not yet six weeks.
    StoreLast(2025, 12, 5);
    EXPECT_FALSE(Due(FrequencyUnit::Weeks, 6, LocalTime(2026, 1, 10)));
    EXPECT_EQ(Stored(), "2025-12-5");
    EXPECT_TRUE(Due(FrequencyUnit::Weeks, 5, LocalTime(2026, 1, 10)));
}

TEST_F(ScheduleTest, CycleDueLogosSkipsDisabledAndNotDue) {
    AppSettings s = DefaultSettings();
    s[Category::Signon].Enabled = 2;                     // non-zero cycles
    s[Category::Shutdown].Enabled = 0;
    s[Category::Signoff].Unit = FrequencyUnit::Days;     // no section: not due today
    FileListSet lists;
    for (Category c : ALL_CATEGORIES) lists[Index(c)] = MakeList({"A", "B", ORIGINAL_ENTRY}, "A");
    const time_t now = LocalTime(2026, 4, 2);
    CycleDueLogos(s, lists, FixedClock(now));
    EXPECT_STREQ(lists[0].Current.GetText(), "B");
    EXPECT_STREQ(lists[1].Current.GetText(), "A");
    EXPECT_STREQ(lists[2].Current.GetText(), "A");
    EXPECT_STREQ(lists[3].Current.GetText(), "A") << "the wallpaper is not a logo";
    EXPECT_EQ(Stored("LAST_SIGNON_CYCLE_TIME"), "2026-4-2");
    EXPECT_EQ(Stored("LAST_SHUTDOWN_CYCLE_TIME"), "-1--1--1") << "a disabled category's date is left alone";
    EXPECT_EQ(Stored("LAST_SIGNOFF_CYCLE_TIME"), "2026-4-2");
    // The next day Signoff is due.
    CycleDueLogos(s, lists, FixedClock(LocalTime(2026, 4, 3)));
    EXPECT_STREQ(lists[0].Current.GetText(), "A");
    EXPECT_STREQ(lists[2].Current.GetText(), "B");
}

TEST(WallpaperTimerInterval, Units) {
    EXPECT_EQ(WallpaperTimerInterval(FrequencyUnit::Minutes, 15), 900000u);
    EXPECT_EQ(WallpaperTimerInterval(FrequencyUnit::Seconds, 1), 1000u);
    EXPECT_EQ(WallpaperTimerInterval(FrequencyUnit::Seconds, 4294967), 4294967000u);
    EXPECT_EQ(WallpaperTimerInterval(FrequencyUnit::Seconds, 4294968), UINT_MAX);
    EXPECT_EQ(WallpaperTimerInterval(FrequencyUnit::Minutes, 71582), 71582u * 60000u);
    EXPECT_EQ(WallpaperTimerInterval(FrequencyUnit::Hours, 1193), 1193u * 3600000u);
    EXPECT_EQ(WallpaperTimerInterval(FrequencyUnit::Hours, 1194), UINT_MAX);
    EXPECT_EQ(WallpaperTimerInterval(FrequencyUnit::Days, 49), 4233600000u);
    EXPECT_EQ(WallpaperTimerInterval(FrequencyUnit::Days, 60), UINT_MAX);
    EXPECT_EQ(WallpaperTimerInterval(FrequencyUnit::Weeks, 7), 7u * 604800000u);
    EXPECT_EQ(WallpaperTimerInterval(FrequencyUnit::Weeks, 8), UINT_MAX);
    EXPECT_EQ(WallpaperTimerInterval(FrequencyUnit::Months, 1), 2592000000u);
    EXPECT_EQ(WallpaperTimerInterval(FrequencyUnit::Months, 2), UINT_MAX);
    EXPECT_EQ(WallpaperTimerInterval(FrequencyUnit::Minutes, -1), UINT_MAX) << "taken as unsigned";
    EXPECT_EQ(WallpaperTimerInterval(static_cast<FrequencyUnit>(9), 5000), 5000u) << "unknown unit: ms";
    // Below one second the timer would flood the program.
    EXPECT_EQ(WallpaperTimerInterval(FrequencyUnit::Minutes, 0), 1000u);
    EXPECT_EQ(WallpaperTimerInterval(FrequencyUnit::Seconds, 0), 1000u);
    EXPECT_EQ(WallpaperTimerInterval(static_cast<FrequencyUnit>(9), 999), 1000u);
}

class ArmTimerTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        window = CreateWindowExA(0, "STATIC", "timer", 0, 0, 0, 10, 10, NULL, NULL, NULL, NULL);
        ASSERT_NE(window, nullptr);
    }
    void TearDown() override {
        DestroyWindow(window);
        EngineTest::TearDown();
    }
    HWND window = NULL;
};

TEST_F(ArmTimerTest, StartsStopsOrCyclesAtOnce) {
    AppSettings s = DefaultSettings();
    FileList wallpaper = MakeList({"a.bmp", "b.bmp"}, "a.bmp");
    CategorySettings& w = s[Category::Wallpaper];

    // Enabled, one second: timer 1 fires (WM_TIMER for identifier 1).
    w.Unit = FrequencyUnit::Seconds;
    w.Period = 1;
    ArmWallpaperTimer(window, s, wallpaper);
    MSG msg;
    bool fired = false;
    for (int i = 0; i < 1500 && !fired; ++i) {
        fired = PeekMessageA(&msg, window, WM_TIMER, WM_TIMER, PM_REMOVE) != 0;
        if (!fired) Sleep(20);
    }
    ASSERT_TRUE(fired) << "no WM_TIMER within 30 s";
    EXPECT_EQ(msg.wParam, WALLPAPER_TIMER_ID);
    EXPECT_STREQ(wallpaper.Current.GetText(), "a.bmp") << "arming a timer does not cycle";

    // Disabled: the running timer is stopped and none started.
    w.Enabled = 0;
    ArmWallpaperTimer(window, s, wallpaper);
    EXPECT_FALSE(KillTimer(window, WALLPAPER_TIMER_ID));
    // The Wallpaper page shows 2 as off, and the timer follows the page.
    w.Enabled = 2;
    ArmWallpaperTimer(window, s, wallpaper);
    EXPECT_FALSE(KillTimer(window, WALLPAPER_TIMER_ID));

    // Unit Boot: the wallpaper cycles at once, no timer; not when off.
    w.Unit = FrequencyUnit::Boot;
    ArmWallpaperTimer(window, s, wallpaper);
    EXPECT_STREQ(wallpaper.Current.GetText(), "a.bmp");
    w.Enabled = 1;
    ArmWallpaperTimer(window, s, wallpaper);
    EXPECT_STREQ(wallpaper.Current.GetText(), "b.bmp");
    EXPECT_EQ(ReadBytes(w.CurrentFileName.GetText()), "b.bmp\r\n");
    EXPECT_FALSE(KillTimer(window, WALLPAPER_TIMER_ID));
}

}  // namespace
