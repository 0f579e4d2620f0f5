// Cycle schedule: the due rule of the logo categories and the wallpaper timer.
#include "EngineInternal.h"
#include <climits>

Clock::~Clock() {}
time_t Clock::Now() const { return time(nullptr); }
const Clock& SystemClock() {
    static const Clock clock;
    return clock;
}

const char* LastCycleSection(Category logoCategory) {
    switch (logoCategory) {
    case Category::Signon: return "LAST_SIGNON_CYCLE_TIME";
    case Category::Shutdown: return "LAST_SHUTDOWN_CYCLE_TIME";
    default: return "LAST_SIGNOFF_CYCLE_TIME";
    }
}

namespace {

// Units below a day: elapsed seconds since midnight of the last cycle date.
bool ElapsedIsDue(FrequencyUnit unit, long long elapsed, LONG period) {
    switch (unit) {
    case FrequencyUnit::Hours: return elapsed / 3600 >= period;
    case FrequencyUnit::Minutes: return elapsed / 60 >= period;
    default: return elapsed >= period;   // Seconds
    }
}

// How many calendar days one unit of a logo frequency is; 0 for the other units.
long long DaysPerUnit(FrequencyUnit unit) {
    switch (unit) {
    case FrequencyUnit::Days: return 1;
    case FrequencyUnit::Weeks: return 7;
    case FrequencyUnit::Months: return 30;   // whatever the calendar month
    default: return 0;
    }
}

struct Date {
    long long Year, Month, Day;   // as stored: month and day may lie outside their range
};

long long FloorDiv(long long a, long long b) {
    return a / b - (a % b != 0 && (a < 0) != (b < 0));
}

// The number of a day in the Gregorian calendar, counted on from some fixed
// day, so that the difference of two numbers is the number of calendar days
// between the dates. Plain arithmetic, not the C library: no daylight saving
// time can make a day shorter or longer. A month or day outside its range
// counts on into the following (or back into the preceding) months, as
// mktime does: 30 February is 2 March.
long long DayNumber(const Date& date) {
    static const int DAYS_BEFORE_MONTH[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    const long long monthIndex = date.Month - 1;
    const long long year = date.Year + FloorDiv(monthIndex, 12);
    const long long month = monthIndex - FloorDiv(monthIndex, 12) * 12;   // 0 .. 11
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    const long long before = year - 1;   // whole years before this one
    return before * 365 + FloorDiv(before, 4) - FloorDiv(before, 100) + FloorDiv(before, 400) +
           DAYS_BEFORE_MONTH[month] + (leap && month >= 2 ? 1 : 0) + date.Day;
}

}  // namespace

bool IsCycleDue(const char* section, FrequencyUnit unit, LONG period, const Clock& clock) {
    const ProfileSection stored(section);
    const time_t now = clock.Now();
    const tm* local = localtime(&now);
    if (!local) return true;
    const Date today = {local->tm_year + 1900LL, local->tm_mon + 1LL, static_cast<long long>(local->tm_mday)};

    // A missing section reads as today.
    Date last;   // written back as stored when not due
    last.Year = static_cast<int>(stored.Int("Year", static_cast<int>(today.Year)));
    last.Month = static_cast<int>(stored.Int("Month", static_cast<int>(today.Month)));
    last.Day = static_cast<int>(stored.Int("Day", static_cast<int>(today.Day)));
    // A date after today (the clock was set back) counts as today, so the
    // time since it never turns negative.
    if (DayNumber(last) > DayNumber(today)) last = today;

    bool due;
    if (const long long unitDays = DaysPerUnit(unit)) {
        // Whole calendar days: a run just after midnight of the day after the
        // clocks went forward is a day later, though only 23 hours have passed.
        due = DayNumber(today) - DayNumber(last) >= unitDays * period;
    } else if (unit == FrequencyUnit::Hours || unit == FrequencyUnit::Minutes || unit == FrequencyUnit::Seconds) {
        tm midnight = {};
        midnight.tm_year = static_cast<int>(last.Year - 1900);
        midnight.tm_mon = static_cast<int>(last.Month - 1);
        midnight.tm_mday = static_cast<int>(last.Day);
        midnight.tm_isdst = -1;
        const time_t start = mktime(&midnight);
        // A date the C library cannot represent lies long ago.
        due = start == static_cast<time_t>(-1) || ElapsedIsDue(unit, static_cast<long long>(now) - start, period);
    } else {
        due = true;   // Boot, and codes this program does not know
    }

    // Each write rewrites the whole profile: a date it holds already (the
    // second start of a day) is not written again.
    const Date& written = due ? today : last;
    stored.WriteInt("Year", static_cast<int>(written.Year));
    stored.WriteInt("Month", static_cast<int>(written.Month));
    stored.WriteInt("Day", static_cast<int>(written.Day));
    return due;
}

void CycleDueLogos(const AppSettings& settings, FileListSet& lists, const Clock& clock) {
    for (Category c : LOGO_CATEGORIES) {
        const CategorySettings& s = settings[c];
        if (s.Enabled != 0 && IsCycleDue(LastCycleSection(c), s.Unit, s.Period, clock))
            AdvanceCurrentFile(lists[Index(c)], s.Order, false, clock);
    }
}

UINT WallpaperTimerInterval(FrequencyUnit unit, LONG period) {
    const unsigned long long units = static_cast<ULONG>(period);
    unsigned long long interval;
    switch (unit) {
    case FrequencyUnit::Days: interval = units * 86400000ull; break;
    case FrequencyUnit::Weeks: interval = units * 604800000ull; break;
    case FrequencyUnit::Months: interval = units * 2592000000ull; break;
    case FrequencyUnit::Hours: interval = units * 3600000ull; break;
    case FrequencyUnit::Minutes: interval = units * 60000ull; break;
    case FrequencyUnit::Seconds: interval = units * 1000ull; break;
    default: interval = units; break;
    }
    if (interval > UINT_MAX) return UINT_MAX;
    // A period of 0 would make the timer fire continuously.
    if (interval < MINIMUM_TIMER_INTERVAL) return MINIMUM_TIMER_INTERVAL;
    return static_cast<UINT>(interval);
}

WallpaperTimer::~WallpaperTimer() {}

void WallpaperTimer::Start(HWND window, UINT interval) {
    Interval = interval;
    Left = interval;
    ArmNextPart(window);
}

void WallpaperTimer::Stop(HWND window) {
    Interval = Left = 0;
    KillWindowsTimer(window);
}

bool WallpaperTimer::Expired(HWND window) {
    if (Interval == 0) return false;
    if (Left != 0) {
        ArmNextPart(window);
        return false;
    }
    // A timer armed in parts starts again from its first part; one armed for
    // the whole interval runs on by itself.
    if (Interval > LONGEST_TIMER_INTERVAL) {
        Left = Interval;
        ArmNextPart(window);
    }
    return true;
}

void WallpaperTimer::ArmNextPart(HWND window) {
    const UINT part = Left < LONGEST_TIMER_INTERVAL ? Left : LONGEST_TIMER_INTERVAL;
    Left -= part;
    SetWindowsTimer(window, part);
}

void WallpaperTimer::SetWindowsTimer(HWND window, UINT elapse) {
    SetTimer(window, WALLPAPER_TIMER_ID, elapse, nullptr);
}

void WallpaperTimer::KillWindowsTimer(HWND window) {
    KillTimer(window, WALLPAPER_TIMER_ID);
}

void ArmWallpaperTimer(HWND window, WallpaperTimer& timer, const AppSettings& settings, FileList& wallpaper,
                       const Clock& clock) {
    timer.Stop(window);
    const CategorySettings& s = settings[Category::Wallpaper];
    // The timer follows the wallpaper switch as the Wallpaper page shows it,
    // and the page shows cycling as on only for the value 1.
    if (s.Enabled != 1) return;
    if (s.Unit == FrequencyUnit::Boot)
        CycleWallpaper(settings, wallpaper, clock);
    else
        timer.Start(window, WallpaperTimerInterval(s.Unit, s.Period));
}

void WallpaperTimerExpired(HWND window, WallpaperTimer& timer, const AppSettings& settings, FileList& wallpaper,
                           const Clock& clock) {
    if (timer.Expired(window)) CycleWallpaper(settings, wallpaper, clock);
}
