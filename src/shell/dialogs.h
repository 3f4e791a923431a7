// The three modal dialogs, drawn by the engine as overlays: name entry ("名前の入力"), colour
// selection ("---≪色選択≫---") and the version box ("system version"). Each may be opened from
// any thread; a caller off the main thread waits while the main thread runs the dialog.
#pragma once

namespace textreel {

class Engine;

// The name entry: 1 when a name was accepted into PlayerName, 2 when the player closed the dialog
// with its close box (PlayerName unchanged), 0 when the program closed meanwhile.
int RunNameEntry(Engine& engine);
// The colour selection: on OK the four values go to PointCounter[0..3]. Returns 1.
int RunColourSelection(Engine& engine);
// The version box. Returns 1.
int RunVersionDialog(Engine& engine);

}  // namespace textreel
