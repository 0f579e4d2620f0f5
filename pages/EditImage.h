// Opening a picture in the bitmap editor registered with the system.
#pragma once
#include <windows.h>
#include "CharString.h"

// Starts the program of the ".bmp" file class's open command with `path` as its
// only, quoted argument, and does not wait for it. When the registry names no
// usable program, or it does not start, a message box owned by `owner` says so;
// its caption "Error #1" .. "Error #6" tells where the look-up stopped.
void EditImage(HWND owner, const TCharString& path);
