#include "EngineTestSupport.h"
#include <climits>
#include <cstdlib>
#include <vector>

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

TEST_F(ScheduleTest, CalendarDaysOverLeapYearsAndCenturies) {
    // 1900 was no leap year, 2000 was: 29 February 1900 is 1 March.
    const time_t now = LocalTime(2026, 3, 1, 12);
    const struct {
        int Year, Month, Day;
        LONG Days;   // calendar days from that date to 1 March 2026
    } dates[] = {{1900, 2, 28, 46022}, {1900, 2, 29, 46021}, {2000, 2, 28, 9498}, {2000, 2, 29, 9497},
                 {2024, 2, 28, 732}, {2025, 12, 31, 60}, {2026, 0, 31, 60}, {2025, 14, 1, 28}};
    for (const auto& d : dates) {
        const std::string stored =
            std::to_string(d.Year) + "-" + std::to_string(d.Month) + "-" + std::to_string(d.Day);
        StoreLast(d.Year, d.Month, d.Day);
        EXPECT_FALSE(Due(FrequencyUnit::Days, d.Days + 1, now)) << stored;
        EXPECT_EQ(Stored(), stored) << "not due: written back as stored";
        EXPECT_TRUE(Due(FrequencyUnit::Days, d.Days, now)) << stored;
        EXPECT_EQ(Stored(), "2026-3-1");
    }
    // Weeks and months are 7 and 30 calendar days.
    StoreLast(1900, 2, 28);
    EXPECT_FALSE(Due(FrequencyUnit::Weeks, 46022 / 7 + 1, now));
    EXPECT_TRUE(Due(FrequencyUnit::Months, 46022 / 30, LocalTime(2026, 3, 1, 0, 0)));
    // A month 13 lies in the next year: after today, so it counts as today.
    StoreLast(2026, 13, 1);
    EXPECT_FALSE(Due(FrequencyUnit::Days, 1, now));
    EXPECT_EQ(Stored(), "2026-3-1");
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

// The moment of a UTC date and time, whatever the local time zone.
time_t Utc(int year, int month, int day, int hour, int minute) {
    SYSTEMTIME moment = {};
    moment.wYear = static_cast<WORD>(year);
    moment.wMonth = static_cast<WORD>(month);
    moment.wDay = static_cast<WORD>(day);
    moment.wHour = static_cast<WORD>(hour);
    moment.wMinute = static_cast<WORD>(minute);
    FILETIME file;
    SystemTimeToFileTime(&moment, &file);
    const unsigned long long ticks = (static_cast<unsigned long long>(file.dwHighDateTime) << 32) | file.dwLowDateTime;
    return static_cast<time_t>((ticks - 116444736000000000ull) / 10000000ull);
}

// Runs as its own CTest test (engine_dst_tests) with TZ=EST5EDT, where the
// clocks go forward on 8 March 2026 (02:00 EST is 03:00 EDT, 07:00 UTC) and
// back on 1 November 2026 (02:00 EDT is 01:00 EST, 06:00 UTC).
class DaylightSavingTest : public ScheduleTest {
protected:
    void SetUp() override {
        ScheduleTest::SetUp();
        const char* zone = getenv("IW_EXPECT_TZ");
        if (!zone || std::string(zone) != "EST5EDT") GTEST_SKIP() << "runs in time zone EST5EDT (engine_dst_tests)";
        // The zone is really in effect: 06:00 UTC is 01:00 EST, 10:00 UTC 06:00 EDT.
        const time_t before = Utc(2026, 3, 8, 6, 0), after = Utc(2026, 3, 8, 10, 0);
        const tm standard = *localtime(&before);
        const tm summer = *localtime(&after);
        ASSERT_EQ(standard.tm_hour, 1);
        ASSERT_EQ(standard.tm_isdst, 0);
        ASSERT_EQ(summer.tm_hour, 6);
        ASSERT_GT(summer.tm_isdst, 0);
    }
};

TEST_F(DaylightSavingTest, DaysCountCalendarDaysAcrossTheChanges) {
    // Spring: 00:30 EDT on 9 March is only 23.5 hours after midnight of the
    // 8th, and still the next calendar day.
    const time_t morningAfterSpring = Utc(2026, 3, 9, 4, 30);
    StoreLast(2026, 3, 8);
    EXPECT_TRUE(Due(FrequencyUnit::Days, 1, morningAfterSpring));
    EXPECT_EQ(Stored(), "2026-3-9");
    StoreLast(2026, 3, 8);
    EXPECT_FALSE(Due(FrequencyUnit::Days, 1, Utc(2026, 3, 9, 3, 59))) << "23:59 EDT on the 8th";
    StoreLast(2026, 3, 2);
    EXPECT_TRUE(Due(FrequencyUnit::Weeks, 1, morningAfterSpring)) << "7 days, 167.5 hours";
    StoreLast(2026, 2, 7);
    EXPECT_TRUE(Due(FrequencyUnit::Months, 1, morningAfterSpring)) << "30 days, 719.5 hours";
    StoreLast(2026, 2, 8);
    EXPECT_FALSE(Due(FrequencyUnit::Months, 1, morningAfterSpring)) << "29 days";
    // Units below a day still count hours: 23:30 EDT on the 8th is 22.5
    // hours after its midnight.
    StoreLast(2026, 3, 8);
    EXPECT_FALSE(Due(FrequencyUnit::Hours, 23, Utc(2026, 3, 9, 3, 30)));
    EXPECT_TRUE(Due(FrequencyUnit::Hours, 22, Utc(2026, 3, 9, 3, 30)));

    // Autumn: 23:30 EST on 1 November is 24.5 hours after its midnight, and
    // still the same calendar day.
    const time_t lateOnAutumnDay = Utc(2026, 11, 2, 4, 30);
    StoreLast(2026, 11, 1);
    EXPECT_FALSE(Due(FrequencyUnit::Days, 1, lateOnAutumnDay));
    EXPECT_EQ(Stored(), "2026-11-1");
    StoreLast(2026, 10, 26);
    EXPECT_FALSE(Due(FrequencyUnit::Weeks, 1, lateOnAutumnDay)) << "6 days, 168.5 hours";
    StoreLast(2026, 10, 31);
    EXPECT_TRUE(Due(FrequencyUnit::Days, 1, Utc(2026, 11, 1, 4, 30))) << "00:30 EDT on the 1st";
    EXPECT_EQ(Stored(), "2026-11-1");
    // The repeated hour: 01:30 EST comes after 01:30 EDT, both on the 1st.
    StoreLast(2026, 11, 1);
    EXPECT_FALSE(Due(FrequencyUnit::Days, 1, Utc(2026, 11, 1, 6, 30)));
    StoreLast(2026, 11, 1);
    EXPECT_TRUE(Due(FrequencyUnit::Hours, 24, lateOnAutumnDay)) << "hours are hours";
    StoreLast(2026, 11, 1);
    EXPECT_FALSE(Due(FrequencyUnit::Hours, 25, lateOnAutumnDay));
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
    WallpaperTimer timer;
};

TEST_F(ArmTimerTest, StartsStopsOrCyclesAtOnce) {
    AppSettings s = DefaultSettings();
    FileList wallpaper = MakeList({"a.bmp", "b.bmp"}, "a.bmp");
    CategorySettings& w = s[Category::Wallpaper];

    // Enabled, one second: timer 1 fires (WM_TIMER for identifier 1).
    w.Unit = FrequencyUnit::Seconds;
    w.Period = 1;
    ArmWallpaperTimer(window, timer, s, wallpaper);
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
    ArmWallpaperTimer(window, timer, s, wallpaper);
    EXPECT_FALSE(KillTimer(window, WALLPAPER_TIMER_ID));
    // The Wallpaper page shows 2 as off, and the timer follows the page.
    w.Enabled = 2;
    ArmWallpaperTimer(window, timer, s, wallpaper);
    EXPECT_FALSE(KillTimer(window, WALLPAPER_TIMER_ID));

    // Unit Boot: the wallpaper cycles at once, no timer; not when off.
    w.Unit = FrequencyUnit::Boot;
    ArmWallpaperTimer(window, timer, s, wallpaper);
    EXPECT_STREQ(wallpaper.Current.GetText(), "a.bmp");
    w.Enabled = 1;
    ArmWallpaperTimer(window, timer, s, wallpaper);
    EXPECT_STREQ(wallpaper.Current.GetText(), "b.bmp");
    EXPECT_EQ(ReadBytes(w.CurrentFileName.GetText()), "b.bmp\r\n");
    EXPECT_FALSE(KillTimer(window, WALLPAPER_TIMER_ID));
}

// The wallpaper timer with Windows' timer calls recorded.
class RecordingTimer : public WallpaperTimer {
public:
    std::vector<UINT> Armed;   // every interval handed to SetTimer
    int Kills = 0;

protected:
    void SetWindowsTimer(HWND window, UINT elapse) override {
        Armed.push_back(elapse);
        WallpaperTimer::SetWindowsTimer(window, elapse);
    }
    void KillWindowsTimer(HWND window) override {
        ++Kills;
        WallpaperTimer::KillWindowsTimer(window);
    }
};

TEST_F(ArmTimerTest, LongIntervalsPassWholeInPartsWindowsAccepts) {
    AppSettings s = DefaultSettings();
    CategorySettings& w = s[Category::Wallpaper];
    FileList wallpaper = MakeList({"a.bmp", "b.bmp"}, "a.bmp");
    RecordingTimer recorder;
    typedef std::vector<UINT> Parts;
    const UINT most = 0x7FFFFFFF;
    ASSERT_EQ(LONGEST_TIMER_INTERVAL, most);
    auto expire = [&] { WallpaperTimerExpired(window, recorder, s, wallpaper); };

    // Every two months, capped at 4,294,967,295 ms: two longest parts and 1 ms.
    w.Unit = FrequencyUnit::Months;
    w.Period = 2;
    ArmWallpaperTimer(window, recorder, s, wallpaper);
    EXPECT_EQ(recorder.Armed, (Parts{most}));
    EXPECT_TRUE(KillTimer(window, WALLPAPER_TIMER_ID)) << "a real timer runs";
    expire();
    expire();
    EXPECT_EQ(recorder.Armed, (Parts{most, most, 1}));
    EXPECT_STREQ(wallpaper.Current.GetText(), "a.bmp") << "not before the whole interval has passed";
    expire();
    EXPECT_STREQ(wallpaper.Current.GetText(), "b.bmp");
    EXPECT_EQ(ReadBytes(w.CurrentFileName.GetText()), "b.bmp\r\n");
    EXPECT_EQ(recorder.Armed, (Parts{most, most, 1, most})) << "the next interval starts";
    expire();
    expire();
    expire();
    EXPECT_STREQ(wallpaper.Current.GetText(), "a.bmp");

    // Thirty days: a longest part and the rest. The sheet's OK restarts the
    // interval from its beginning.
    recorder.Armed.clear();
    w.Unit = FrequencyUnit::Days;
    w.Period = 30;
    ArmWallpaperTimer(window, recorder, s, wallpaper);
    expire();
    ArmWallpaperTimer(window, recorder, s, wallpaper);
    expire();
    EXPECT_STREQ(wallpaper.Current.GetText(), "a.bmp");
    expire();
    EXPECT_STREQ(wallpaper.Current.GetText(), "b.bmp");
    const UINT rest = 2592000000u - most;
    EXPECT_EQ(recorder.Armed, (Parts{most, rest, most, rest, most}));

    // Intervals that fit are armed once: the timer runs on by itself.
    recorder.Armed.clear();
    w.Period = 24;
    ArmWallpaperTimer(window, recorder, s, wallpaper);
    expire();
    EXPECT_STREQ(wallpaper.Current.GetText(), "a.bmp");
    expire();
    EXPECT_STREQ(wallpaper.Current.GetText(), "b.bmp");
    EXPECT_EQ(recorder.Armed, (Parts{24u * 86400000u}));

    // Switched off: a timer message still on its way changes nothing.
    const int kills = recorder.Kills;
    w.Enabled = 0;
    ArmWallpaperTimer(window, recorder, s, wallpaper);
    EXPECT_EQ(recorder.Kills, kills + 1);
    expire();
    EXPECT_STREQ(wallpaper.Current.GetText(), "b.bmp");
    EXPECT_EQ(recorder.Armed.size(), 1u);
    EXPECT_FALSE(KillTimer(window, WALLPAPER_TIMER_ID));
}

}  // namespace
