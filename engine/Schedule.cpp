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

bool ElapsedIsDue(FrequencyUnit unit, long long elapsed, LONG period) {
    switch (unit) {
    case FrequencyUnit::Days: return elapsed / 86400 >= period;
    case FrequencyUnit::Weeks: return elapsed / 86400 / 7 >= period;
    case FrequencyUnit::Months: return elapsed / 86400 / 30 >= period;
    case FrequencyUnit::Hours: return elapsed / 3600 >= period;
    case FrequencyUnit::Minutes: return elapsed / 60 >= period;
    case FrequencyUnit::Seconds: return elapsed >= period;
    default: return true;   // Boot, and codes this program does not know
    }
}

tm MidnightOf(int year, int month, int day) {
    tm date = {};
    date.tm_year = year - 1900;
    date.tm_mon = month - 1;
    date.tm_mday = day;
    date.tm_isdst = -1;
    return date;
}

}  // namespace

bool IsCycleDue(const char* section, FrequencyUnit unit, LONG period, const Clock& clock) {
    CWinApp* app = AfxGetApp();
    const time_t now = clock.Now();
    const tm* local = localtime(&now);
    if (!local) return true;
    const tm today = MidnightOf(local->tm_year + 1900, local->tm_mon + 1, local->tm_mday);

    // A missing section reads as today.
    const int year = static_cast<int>(app->GetProfileInt(section, "Year", today.tm_year + 1900));
    const int month = static_cast<int>(app->GetProfileInt(section, "Month", today.tm_mon + 1));
    const int day = static_cast<int>(app->GetProfileInt(section, "Day", today.tm_mday));
    tm last = MidnightOf(year, month, day);   // written back as stored when not due
    tm normalised = today;
    const time_t todayStart = mktime(&normalised);
    normalised = last;   // mktime also brings an out-of-range month or day into range
    time_t lastStart = mktime(&normalised);
    bool due;
    if (lastStart == static_cast<time_t>(-1)) {
        due = true;   // a date the C library cannot represent lies long ago
    } else {
        // A date after today (the clock was set back) counts as today, so the
        // elapsed time never turns negative.
        if (lastStart > todayStart) {
            last = today;
            lastStart = todayStart;
        }
        due = ElapsedIsDue(unit, static_cast<long long>(now) - lastStart, period);
    }

    const tm& written = due ? today : last;
    app->WriteProfileInt(section, "Year", written.tm_year + 1900);
    app->WriteProfileInt(section, "Month", written.tm_mon + 1);
    app->WriteProfileInt(section, "Day", written.tm_mday);
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

void ArmWallpaperTimer(HWND window, const AppSettings& settings, FileList& wallpaper, const Clock& clock) {
    KillTimer(window, WALLPAPER_TIMER_ID);
    const CategorySettings& s = settings[Category::Wallpaper];
    // The timer follows the wallpaper switch as the Wallpaper page shows it,
    // and the page shows cycling as on only for the value 1.
    if (s.Enabled != 1) return;
    if (s.Unit == FrequencyUnit::Boot)
        CycleWallpaper(settings, wallpaper, clock);
    else
        SetTimer(window, WALLPAPER_TIMER_ID, WallpaperTimerInterval(s.Unit, s.Period), nullptr);
}
