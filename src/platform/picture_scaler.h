// Scaling the game picture up to a window or display that is not a whole multiple of it. "Sharp"
// scales by the largest whole factor with nearest neighbour and the remaining fraction with
// linear filtering, so that the picture is neither blocky (uneven pixel widths) nor blurred.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace textreel {

enum class Scaling { kSharp, kNearest, kSmooth };

// "sharp", "nearest" or "smooth"; nothing for any other text.
std::optional<Scaling> ParseScaling(std::string_view text);
const char* ScalingName(Scaling scaling);

// One output pixel along an axis: it blends source pixels `index` and `index + 1` (or `index` alone
// at the far edge) as (kWeightOne - weight) : weight.
struct ScaleTap {
    int index = 0;
    int weight = 0;
};
constexpr int kWeightBits = 8;
constexpr int kWeightOne = 1 << kWeightBits;

// The taps of every output pixel when sourceSize pixels are scaled to outputSize.
std::vector<ScaleTap> AxisTaps(Scaling scaling, int sourceSize, int outputSize);

// Scales a 32-bit picture (any channel order: the four bytes are blended alike) of sourceWidth x
// sourceHeight to outputWidth x outputHeight. Pitches are in bytes.
void ScalePicture(Scaling scaling, const uint8_t* source, int sourceWidth, int sourceHeight, int sourcePitch,
                  uint8_t* output, int outputWidth, int outputHeight, int outputPitch);

}  // namespace textreel
