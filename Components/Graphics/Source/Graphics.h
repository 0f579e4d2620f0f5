// Umbrella header of the Graphics component: the indexed image and the
// bitmap file reader with its conversion into an image.
#pragma once

#include "BitmapFile.h"
#include "Image.h"
