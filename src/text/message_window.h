// The message window: text output, the wait icon, the backlog viewer and the start-up logo.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "text/line_layout.h"

namespace textreel {

class Engine;

// A line cut into characters and placed on rows from the current cursor.
struct LineLayout {
    std::vector<LineChar> chars;
    std::vector<CharPlace> places;
    int32_t endX = 0;    // the cursor after the last character
    int32_t endRow = 0;  // its row, counted from the row the line starts on
};

// Lays the line out from TextCursor with the title's encoding and wrap mode at the given size.
void LayOutLine(Engine& engine, const uint8_t* bytes, int length, int fontSize, LineLayout& layout);

// The line's rows as OutputTextLine would draw them now, each in the title's own encoding.
std::vector<std::string> LineRows(Engine& engine, const char* line, int length);

// Draws one message line at TextCursor at the current speed; 0 when a reset request stopped it.
int OutputTextLine(Engine& engine, const char* line, int length);

// Copies the page to the window after a line. While skip mode runs this happens at most once per
// display frame; the page then waits for ShowPendingPage.
void ShowPage(Engine& engine);
// Script thread: copies the page to the window if skip mode left it unshown. Every pause of the
// script thread calls it, so the last page skipped over is always seen.
void ShowPendingPage(Engine& engine);

// The 500 ms tick: animates the wait icon while WaitIconOn is set.
void WaitIconStep(Engine& engine);

// Direction 0 pages to older lines (opening the viewer), 1 to newer ones (closing it on the newest
// page). Returns 1 when it acted.
int BacklogStep(Engine& engine, int direction);

// Leaves the backlog viewer, showing the screen as it was before it opened.
void LeaveBacklogView(Engine& engine);

// The start-up logo; 0 when its picture is missing.
int ShowLogo(Engine& engine);

}  // namespace textreel
