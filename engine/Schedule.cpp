// Cycle schedule: the due rule of the logo categories and the wallpaper timer.
#include "Engine.h"

Clock::~Clock() {}
time_t Clock::Now() const { return time(nullptr); }
const Clock& SystemClock() {
    static const Clock clock;
    return clock;
}

const char* LastCycleSection(Category) { return ""; }
bool IsCycleDue(const char*, FrequencyUnit, LONG, const Clock&) { return false; }
void CycleDueLogos(const AppSettings&, FileListSet&, const Clock&) {}
UINT WallpaperTimerInterval(FrequencyUnit, LONG) { return MINIMUM_TIMER_INTERVAL; }
void ArmWallpaperTimer(HWND, const AppSettings&, FileList&, const Clock&) {}
