#include "platform/picture_scaler.h"

#include <algorithm>
#include <cstring>

namespace textreel {

std::optional<Scaling> ParseScaling(std::string_view text) {
    if (text == "sharp") {
        return Scaling::kSharp;
    }
    if (text == "nearest") {
        return Scaling::kNearest;
    }
    if (text == "smooth") {
        return Scaling::kSmooth;
    }
    return std::nullopt;
}

const char* ScalingName(Scaling scaling) {
    switch (scaling) {
        case Scaling::kNearest:
            return "nearest";
        case Scaling::kSmooth:
            return "smooth";
        case Scaling::kSharp:
            break;
    }
    return "sharp";
}

std::vector<ScaleTap> AxisTaps(Scaling scaling, int sourceSize, int outputSize) {
    std::vector<ScaleTap> taps;
    if (sourceSize <= 0 || outputSize <= 0) {
        return taps;
    }
    taps.resize(static_cast<size_t>(outputSize));
    // Sharp: the picture is first made `whole` times larger by repeating pixels, and that larger
    // picture is filtered linearly to the output. Smooth filters the source itself (whole = 1).
    int64_t whole = 1;
    if (scaling == Scaling::kSharp) {
        whole = std::max(1, outputSize / sourceSize);
    }
    const int64_t middle = int64_t{sourceSize} * whole;  // the size of the intermediate picture
    for (int i = 0; i < outputSize; ++i) {
        ScaleTap& tap = taps[static_cast<size_t>(i)];
        if (scaling == Scaling::kNearest) {
            // The source pixel under the output pixel's centre.
            tap.index = static_cast<int>((2 * int64_t{i} + 1) * sourceSize / (2 * int64_t{outputSize}));
            continue;
        }
        // The output pixel's centre in intermediate pixels, less half a pixel, in fixed point:
        // t = ((i + 0.5) * middle / outputSize - 0.5) * kWeightOne.
        const int64_t t = ((2 * int64_t{i} + 1) * middle * kWeightOne - int64_t{outputSize} * kWeightOne) /
                          (2 * int64_t{outputSize});
        if (t <= 0) {
            tap.index = 0;
            continue;
        }
        const int64_t left = t / kWeightOne;  // intermediate pixel left of the centre
        const int64_t right = left + 1;
        if (right >= middle) {
            tap.index = sourceSize - 1;
            continue;
        }
        tap.index = static_cast<int>(left / whole);
        // Two intermediate pixels from one source pixel: no blend at all.
        tap.weight = right / whole == left / whole ? 0 : static_cast<int>(t % kWeightOne);
    }
    return taps;
}

namespace {

inline uint32_t Blend(uint32_t a, uint32_t b, uint32_t weight) {
    // Two channels at a time: red and blue, then green and the fourth byte.
    const uint32_t keep = kWeightOne - weight;
    const uint32_t rb =
        (((a & 0x00ff00ffu) * keep + (b & 0x00ff00ffu) * weight) >> kWeightBits) & 0x00ff00ffu;
    const uint32_t ga =
        ((((a >> 8) & 0x00ff00ffu) * keep + ((b >> 8) & 0x00ff00ffu) * weight) >> kWeightBits) & 0x00ff00ffu;
    return rb | (ga << 8);
}

}  // namespace

void ScalePicture(Scaling scaling, const uint8_t* source, int sourceWidth, int sourceHeight, int sourcePitch,
                  uint8_t* output, int outputWidth, int outputHeight, int outputPitch) {
    const std::vector<ScaleTap> xs = AxisTaps(scaling, sourceWidth, outputWidth);
    const std::vector<ScaleTap> ys = AxisTaps(scaling, sourceHeight, outputHeight);
    if (xs.empty() || ys.empty()) {
        return;
    }
    // One source row scaled across, for each of the two rows an output row blends; reused while
    // the rows stay the same (most output rows of a sharp scale take the rows of the one before).
    std::vector<uint32_t> rows[2] = {std::vector<uint32_t>(static_cast<size_t>(outputWidth)),
                                     std::vector<uint32_t>(static_cast<size_t>(outputWidth))};
    int rowIndex[2] = {-1, -1};
    auto across = [&](int sourceRow, std::vector<uint32_t>& row) {
        const uint8_t* line = source + static_cast<size_t>(sourceRow) * static_cast<size_t>(sourcePitch);
        for (int x = 0; x < outputWidth; ++x) {
            const ScaleTap& tap = xs[static_cast<size_t>(x)];
            uint32_t a;
            std::memcpy(&a, line + static_cast<size_t>(tap.index) * 4, 4);
            if (tap.weight != 0) {
                uint32_t b;
                std::memcpy(&b, line + static_cast<size_t>(tap.index + 1) * 4, 4);
                a = Blend(a, b, static_cast<uint32_t>(tap.weight));
            }
            row[static_cast<size_t>(x)] = a;
        }
    };
    // The slot that holds the scaled-across source row `want`, making it when needed in the slot
    // other than `keep` (the older row when there is no slot to keep).
    auto ensure = [&](int want, int keep) {
        for (int k = 0; k < 2; ++k) {
            if (rowIndex[k] == want) {
                return k;
            }
        }
        const int k = keep >= 0 ? 1 - keep : (rowIndex[0] <= rowIndex[1] ? 0 : 1);
        across(want, rows[k]);
        rowIndex[k] = want;
        return k;
    };
    for (int y = 0; y < outputHeight; ++y) {
        const ScaleTap& tap = ys[static_cast<size_t>(y)];
        auto* out =
            reinterpret_cast<uint32_t*>(output + static_cast<size_t>(y) * static_cast<size_t>(outputPitch));
        const uint32_t* top = rows[ensure(tap.index, -1)].data();
        if (tap.weight == 0) {
            std::memcpy(out, top, static_cast<size_t>(outputWidth) * 4);
            continue;
        }
        const int topSlot = rowIndex[0] == tap.index ? 0 : 1;
        const uint32_t* bottom = rows[ensure(tap.index + 1, topSlot)].data();
        for (int x = 0; x < outputWidth; ++x) {
            out[x] = Blend(top[x], bottom[x], static_cast<uint32_t>(tap.weight));
        }
    }
}

}  // namespace textreel
