// Settings store: section "CONFIG" of the application's profile.
#include "Engine.h"

const char* const FREQUENCY_UNIT_NAMES[FREQUENCY_UNIT_COUNT] = {"Boot",  "Days",    "Weeks",  "Months",
                                                                 "Hours", "Minutes", "Seconds"};

void LoadSettings(AppSettings&) {}
void SaveSettings(const AppSettings&) {}
