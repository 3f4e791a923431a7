// The engine's side of the reading aids (src/access/): their keys (each says its new state in a
// notice over the game) and textreel's own settings file that keeps self-voicing on or off.
#pragma once

#include <string>

#include "platform/platform.h"

namespace textreel {

class Engine;

// Main thread: V turns self-voicing on or off, Shift+C the copying of lines to the clipboard.
// True when the key release was one of them (it then does nothing else, the story stays).
bool ReadingAidKey(Engine& engine, const InputEvent& event);

// Reads save/textreel.cfg at start-up and applies what it holds; writes it after a change.
void LoadReadingAidSettings(Engine& engine);
void StoreReadingAidSettings(Engine& engine);

// The value of key in save/textreel.cfg; empty when the file or the key is missing.
std::string OwnSetting(Engine& engine, const std::string& key);

}  // namespace textreel
