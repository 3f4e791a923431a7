// Clipping of a rectangle copy against its source and its destination.
#pragma once

#include <algorithm>
#include <cstdint>

namespace textreel {

// Narrows the copy of the w x h rectangle at (sx, sy) of a sourceWidth x sourceHeight picture to
// (dx, dy) of a destinationWidth x destinationHeight one, so that it reads and writes only inside
// both. Returns false when nothing is left to copy.
inline bool ClipCopy(int& sx, int& sy, int& w, int& h, int& dx, int& dy, int sourceWidth, int sourceHeight,
                     int destinationWidth, int destinationHeight) {
    // Worked out in 64 bits, so that no position a script can give overflows.
    int64_t x0 = std::max<int64_t>({0, sx, int64_t{sx} - dx});
    int64_t y0 = std::max<int64_t>({0, sy, int64_t{sy} - dy});
    int64_t x1 = std::min<int64_t>({int64_t{sx} + w, sourceWidth, int64_t{sx} - dx + destinationWidth});
    int64_t y1 = std::min<int64_t>({int64_t{sy} + h, sourceHeight, int64_t{sy} - dy + destinationHeight});
    if (x1 <= x0 || y1 <= y0) {
        return false;
    }
    dx = static_cast<int>(dx + (x0 - sx));
    dy = static_cast<int>(dy + (y0 - sy));
    sx = static_cast<int>(x0);
    sy = static_cast<int>(y0);
    w = static_cast<int>(x1 - x0);
    h = static_cast<int>(y1 - y0);
    return true;
}

}  // namespace textreel
