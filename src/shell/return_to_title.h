// Return to the title, as the menu's "タイトル画面へ戻る" asks for it.
#pragma once

namespace textreel {

class Engine;

// Main thread: the line in progress stops, the reading state is reset, and the story starts again
// at the scenario's first line.
void ReturnToTitle(Engine& engine);

}  // namespace textreel
