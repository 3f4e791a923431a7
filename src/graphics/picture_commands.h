// The picture changes behind the script commands `imgblt`, `ccblt`, `sprite` and `fill`: each builds
// the new screen in WorkPixels, runs the picture pipeline (BackSurface, CleanBackground, the message
// window, Present) and keeps the screen-state record of FlagBlock that a saved game stores. Restoring
// a saved game replays them.
#pragma once

#include <cstdint>
#include <string_view>

namespace textreel {

class Engine;

enum class FillColour { kBlack, kWhite, kRed, kGreen, kBlue };

// Shows the picture name (a path relative to the title folder, as the script writes it) as the
// whole screen. A colour-corrected picture is twice the screen width: colours on the left, a light
// map on the right, combined with the colour-correction values of FlagBlock. Records the background
// and marks a numbered picture as seen. Returns 1, or 0 when the picture cannot be loaded: a message
// is shown and the screen and the record stay as they were.
int ShowBackground(Engine& e, std::string_view name, bool colourCorrected);

// Lays the masked picture name over the screen with its left edge at x, standing on the bottom
// edge. Slots 0 and 1 are recorded, even when the picture then fails to load; other slot numbers
// draw without a record. Returns 1, or 0 when the picture cannot be loaded.
int ShowSprite(Engine& e, int32_t slot, int32_t x, std::string_view name);

// Fills the whole screen with one colour and records it as the background.
void FillScreen(Engine& e, FillColour colour);

// The picture-seen flag a picture name stands for: the two digits right after the name's first
// backslash, numbered from 01; -1 when there are none or the number is outside 01..21.
int SeenPictureIndex(std::string_view name);

}  // namespace textreel
