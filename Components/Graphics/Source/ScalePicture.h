// Resampling of 24-bit pictures.
//
// ScalePicture makes `target` a width x height copy of `source`. Along an axis
// that shrinks, each target pixel is the average of the source pixels it
// covers, weighted by how much of each it covers (no source row or column is
// dropped, nothing aliases); along an axis that grows, target pixels are
// interpolated linearly between the nearest source pixels. Equal sizes copy.
// False, and `target` unchanged, when a size is 0 or memory runs out.
#pragma once

#include <cstdint>

#include "Picture.h"

bool ScalePicture(const TPicture& source, std::uint32_t width, std::uint32_t height, TPicture& target);
