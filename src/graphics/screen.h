// The screen: creating and releasing the surfaces, the message-window composition, the swap that
// hides and shows the message window, presenting a new picture and repainting the window.
#pragma once

namespace textreel {

class Engine;
class Surface;

// Makes the surfaces at the screen size; false when the working buffers cannot be had.
bool CreateGraphics(Engine& engine);
void ReleaseGraphics(Engine& engine);

// Copies the whole ScreenSurface to the window.
void CopyScreenToWindow(Engine& engine);
// The window's repaint: ScreenSurface onto the window, unless a movie plays.
void Repaint(Engine& engine);

// Composes the message window (dimmed band or frame picture, button bar, wait icon) over the
// picture in BackSurface into destination.
void ComposeMessageWindow(Engine& engine, Surface& destination);

// Mode 1 hides the message window and its text; any other mode shows them again.
void MessageWindowSwap(Engine& engine, int mode);

// Shows BackSurface on the window with the current transition; 0 for an unknown effect number.
int Present(Engine& engine);

}  // namespace textreel
