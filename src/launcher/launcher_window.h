// The launcher's window, drawn by the engine in the style of its menus: the title list, and the
// engine's own folder browser for "Add a title…".
#pragma once

#include <string>
#include <vector>

#include "launcher/launcher.h"
#include "launcher/launcher_texts.h"
#include "shell/overlay.h"

namespace textreel::launcher {

class LauncherWindow : public OverlayWindow {
  public:
    static constexpr int kWidth = 640;
    static constexpr int kHeight = 480;

    LauncherWindow(Engine& engine, Launcher& launcher);

    Viewport Bounds() const override { return {0, 0, kWidth, kHeight}; }
    void Paint(OverlayCanvas& canvas) override;
    bool PaintSharp(OverlayCanvas& canvas, double scale) override;
    void Input(Engine& engine, const InputEvent& event) override;
    bool Done() const override { return done_; }

    // Writes a `launcher` trace event when what the window shows has changed since the last one.
    void TraceState(Engine& engine);

  private:
    enum class View { kList, kBrowse };
    enum class Button { kContinue, kPlay, kRemove };

    // List view: one row per title and a last row, "Add a title…".
    int RowCount() const;
    std::vector<Button> ButtonsOf(int row) const;
    void ListKey(Engine& engine, int key);
    void Activate(Engine& engine, int row, int button);
    // Browser view: "Add this folder", the folder above (except at the root), then the folders.
    void OpenFolder(const std::string& folder);
    void BrowseKey(Engine& engine, int key);
    void BrowseActivate(Engine& engine, int row);
    void AddFolder(Engine& engine, const std::string& folder);
    // The row (and in the list, the button: -1 for none) under a point; false for none.
    bool HitList(int x, int y, int& row, int& button) const;
    bool HitBrowse(int x, int y, int& row) const;
    void Scroll(int visible, int count);
    void Finish(Engine& engine, Choice::Kind kind, int row);
    void Say(Engine& engine);
    const char* T(const LauncherText& t) const { return english_ ? t.english : t.japanese; }

    void PaintList(OverlayCanvas& canvas, double scale);
    void PaintBrowse(OverlayCanvas& canvas, double scale);
    void PaintFrame(OverlayCanvas& canvas, double scale, const char* heading, const char* help);

    GlyphSource* glyphs_;
    Launcher& launcher_;
    bool english_;
    View view_ = View::kList;
    int selected_ = 0;
    int button_ = 0;                       // the focused button of the selected title row
    int first_ = 0;                        // the first row shown
    std::string folder_;                   // the browser's folder
    std::vector<std::string> subFolders_;  // its folders, sorted
    std::string message_;                  // a line under the rows (a folder with no instance file)
    std::string traced_;                   // what the last trace event said
    bool done_ = false;
};

}  // namespace textreel::launcher
