// Showing a new picture: the transitions from what the window shows to BackSurface, the one-off
// screen effects on what is shown, and the pixel arithmetic of the computed transitions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace textreel {

class Engine;
class Surface;

// Shows BackSurface on the window with the transition of the current effect number (a cut for
// every number but 0 while screen effects are off). Sets ScriptBusy for its whole run. Returns 0
// for an unknown effect number (nothing is shown then), otherwise 1.
int Present(Engine& engine);

// Plays screen effect n on what the window shows: 1 shakes the screen, 2 draws a red line across
// it, 3 a white one; other numbers do nothing. Screen effects run whatever the user setting.
void ScreenEffect(Engine& engine, int n);

// The pixel arithmetic of the computed transitions, on byte arrays in the surfaces' layout. The
// arrays given to one call must not overlap.

// One cross-fade mix: out = (old * (256 - a) + new * a) >> 8 for each of count bytes; a is 0..256.
void CrossFadeMix(const uint8_t* oldPixels, const uint8_t* newPixels, uint8_t* out, size_t count, uint32_t a);

// One step (s, j) of the ordered dissolve, s and j in 0..3: in every whole 4 x 4 cell of buffer
// one pixel (the same one in each cell) is taken from source. Both have the screen's size.
void DissolveStep(const Surface& source, Surface& buffer, int s, int j);

// The mask of the mask fade, an 8-bit palette BMP, as one level per byte of a width x height
// surface (stride bytes per row, bottom-up, the three bytes of a pixel sharing its level). The
// level of a pixel is the red byte of its palette entry. False when the file is too short for its
// pixels or a pixel's palette entry lies past its end.
bool ReadMaskLevels(const std::vector<uint8_t>& file, int width, int height, int stride,
                    std::vector<uint8_t>& levels);

// One mask-fade step at level offset L: with a = clamp(level + L, 0, 255) per byte,
// buffer = (new * a + buffer * (256 - a)) >> 8 for each of count bytes.
void MaskFadeMix(uint8_t* buffer, const uint8_t* newPixels, const uint8_t* levels, size_t count, int L);

}  // namespace textreel
