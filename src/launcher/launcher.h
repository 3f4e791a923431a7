// The launcher: what textreel shows when it is started without a title. It lists the titles
// played before and lets the player continue, play or remove one, or add a title's folder. The
// engine shows it as a window of its own (Engine with EngineOptions::launcher) and ends when the
// player has chosen; the caller then plays the choice.
#pragma once

#include <memory>
#include <string>

#include "launcher/title_list.h"

namespace textreel {
class Engine;
class OverlayWindow;
}  // namespace textreel

namespace textreel::launcher {

struct Choice {
    enum class Kind { kQuit, kPlay, kContinue };
    Kind kind = Kind::kQuit;
    KnownTitle title;
};

class Launcher {
  public:
    // listPath: the list's file (empty: nothing is kept); demoFolder: the installed demo, listed
    // when the list does not exist yet (empty or missing: nothing).
    Launcher(std::string listPath, std::string demoFolder);

    // Reads the list again from its file (another copy may have changed it).
    void Load();
    // Writes the list; false (and a line on stderr) when it cannot be written.
    bool Save();
    TitleList& List() { return list_; }

    // The window the engine shows; it sets Chosen() and closes the engine when the player chose.
    std::unique_ptr<OverlayWindow> MakeWindow(Engine& engine);
    Choice& Chosen() { return choice_; }

    // Whether a title's automatic save exists (Continue is offered).
    static bool HasAutoSave(const KnownTitle& title);
    // Whether the launcher speaks English: the desktop's language is set and is not Japanese.
    static bool English();

  private:
    std::string listPath_;
    std::string demoFolder_;
    TitleList list_;
    Choice choice_;
};

}  // namespace textreel::launcher
