#include "launcher/launcher_window.h"

#include <algorithm>
#include <cmath>

#include "platform/files.h"
#include "script/utf8_text.h"
#include "shell/engine.h"
#include "shell/trace.h"

namespace textreel::launcher {

namespace {

// The look, in the window's pixels.
constexpr int kMargin = 8;
constexpr int kHeadingHeight = 36;
constexpr int kListTop = 44;
constexpr int kListRowHeight = 50;
constexpr int kListRows = 7;
constexpr int kBrowsePathTop = 42;
constexpr int kBrowseTop = 64;
constexpr int kBrowseRowHeight = 22;
constexpr int kBrowseRows = 15;
constexpr int kMessageTop = 418;
constexpr int kHelpTop = 452;
constexpr int kButtonWidth = 92;
constexpr int kButtonHeight = 26;
constexpr int kButtonGap = 6;
constexpr int kNameSize = 16;
constexpr int kSmallSize = 12;
constexpr int kBrowseSize = 14;
constexpr size_t kMaxFolders = 2000;

constexpr uint32_t kBackground = 0xF7F7F7;
constexpr uint32_t kHot = 0xCCE4F7;
constexpr uint32_t kHotOutline = 0x7DA2CE;
constexpr uint32_t kDim = 0x505050;
constexpr uint32_t kWarning = 0x9A1C1C;

std::string BaseName(const std::string& folder) {
    size_t slash = folder.find_last_of('/');
    std::string name = slash == std::string::npos ? folder : folder.substr(slash + 1);
    return name.empty() ? folder : name;
}

std::string Parent(const std::string& folder) {
    size_t slash = folder.find_last_of('/');
    return slash == std::string::npos || slash == 0 ? "/" : folder.substr(0, slash);
}

std::string Child(const std::string& folder, const std::string& name) {
    return folder == "/" ? "/" + name : folder + "/" + name;
}

// The text cut from the left ("…" in front) until it fits width pixels.
std::string FitFromLeft(GlyphSource* glyphs, int size, const std::string& utf8, int width) {
    std::string text = ValidUtf8(utf8);
    if (OverlayCanvas::TextWidth(glyphs, size, text, TextEncoding::kUtf8) <= width) {
        return text;
    }
    size_t at = 0;
    while (at < text.size()) {
        // One character further.
        ++at;
        while (at < text.size() && (static_cast<uint8_t>(text[at]) & 0xC0) == 0x80) {
            ++at;
        }
        std::string cut = "…" + text.substr(at);
        if (OverlayCanvas::TextWidth(glyphs, size, cut, TextEncoding::kUtf8) <= width) {
            return cut;
        }
    }
    return "…";
}

// Paints in the window's pixels onto a canvas with scale pixels for each (a window or display
// larger than the launcher's 640 x 480 gets its text drawn at its own resolution).
struct Pen {
    OverlayCanvas& c;
    double scale;
    int X(int v) const { return static_cast<int>(std::lround(v * scale)); }
    void Fill(int x, int y, int w, int h, uint32_t rgb) {
        c.Fill(X(x), X(y), std::max(X(x + w) - X(x), 1), std::max(X(y + h) - X(y), 1), rgb);
    }
    void Outline(int x, int y, int w, int h, uint32_t rgb) {
        c.Outline(X(x), X(y), std::max(X(x + w) - X(x), 1), std::max(X(y + h) - X(y), 1), rgb);
    }
    void Bevel(int x, int y, int w, int h, bool sunken) {
        c.Bevel(X(x), X(y), std::max(X(x + w) - X(x), 1), std::max(X(y + h) - X(y), 1), sunken);
    }
    void Text(GlyphSource* glyphs, int size, int x, int y, const std::string& text, uint32_t rgb,
              TextEncoding encoding) {
        c.Text(glyphs, X(size), X(x), X(y), text, rgb, encoding);
    }
};

}  // namespace

LauncherWindow::LauncherWindow(Engine& engine, Launcher& launcher)
    : glyphs_(engine.glyphs.get()), launcher_(launcher), english_(Launcher::English()) {}

int LauncherWindow::RowCount() const {
    return static_cast<int>(launcher_.List().Titles().size()) + 1;
}

std::vector<LauncherWindow::Button> LauncherWindow::ButtonsOf(int row) const {
    const auto& titles = launcher_.List().Titles();
    if (row < 0 || row >= static_cast<int>(titles.size())) {
        return {};
    }
    std::vector<Button> buttons;
    if (Launcher::HasAutoSave(titles[static_cast<size_t>(row)])) {
        buttons.push_back(Button::kContinue);
    }
    buttons.push_back(Button::kPlay);
    buttons.push_back(Button::kRemove);
    return buttons;
}

void LauncherWindow::Scroll(int visible, int count) {
    selected_ = std::clamp(selected_, 0, std::max(count - 1, 0));
    if (selected_ < first_) {
        first_ = selected_;
    } else if (selected_ >= first_ + visible) {
        first_ = selected_ - visible + 1;
    }
    first_ = std::clamp(first_, 0, std::max(count - visible, 0));
}

void LauncherWindow::Input(Engine& engine, const InputEvent& event) {
    const int selectedBefore = selected_;
    const int buttonBefore = button_;
    const View viewBefore = view_;
    int row = -1;
    int button = -1;
    switch (event.kind) {
        case InputEvent::Kind::kKeyDown:
            if (view_ == View::kList) {
                ListKey(engine, event.key);
            } else {
                BrowseKey(engine, event.key);
            }
            break;
        case InputEvent::Kind::kMouseMove:
            if (view_ == View::kList && HitList(event.x, event.y, row, button)) {
                selected_ = row;
                button_ = button >= 0 ? button : button_;
            } else if (view_ == View::kBrowse && HitBrowse(event.x, event.y, row)) {
                selected_ = row;
            }
            break;
        case InputEvent::Kind::kButtonUp:
            if (event.button != InputEvent::kLeftButton) {
                break;
            }
            if (view_ == View::kList && HitList(event.x, event.y, row, button)) {
                selected_ = row;
                if (row == RowCount() - 1 || button >= 0) {
                    Activate(engine, row, button);
                }
            } else if (view_ == View::kBrowse && HitBrowse(event.x, event.y, row)) {
                selected_ = row;
                BrowseActivate(engine, row);
            }
            break;
        case InputEvent::Kind::kWheel:
            selected_ += event.wheel > 0 ? -3 : 3;
            break;
        default:
            break;
    }
    if (view_ == View::kList) {
        Scroll(kListRows, RowCount());
        button_ = std::clamp(button_, 0, std::max(static_cast<int>(ButtonsOf(selected_).size()) - 1, 0));
    } else {
        Scroll(kBrowseRows, static_cast<int>(subFolders_.size()) + (folder_ == "/" ? 1 : 2));
    }
    if (selected_ != selectedBefore || button_ != buttonBefore || view_ != viewBefore) {
        Say(engine);
    }
    TraceState(engine);
}

void LauncherWindow::ListKey(Engine& engine, int key) {
    const int buttons = static_cast<int>(ButtonsOf(selected_).size());
    switch (key) {
        case vk::kUp:
            --selected_;
            break;
        case vk::kDown:
        case vk::kTab:
            ++selected_;
            break;
        case vk::kLeft:
            button_ = std::max(button_ - 1, 0);
            break;
        case vk::kRight:
            button_ = std::min(button_ + 1, std::max(buttons - 1, 0));
            break;
        case vk::kHome:
            selected_ = 0;
            break;
        case vk::kEnd:
            selected_ = RowCount() - 1;
            break;
        case vk::kDelete:
            if (buttons > 0) {
                Activate(engine, selected_, buttons - 1);  // Remove is always the last
            }
            break;
        case vk::kReturn:
        case vk::kSpace:
            Activate(engine, selected_, buttons > 0 ? button_ : -1);
            break;
        case vk::kEscape:
            Finish(engine, Choice::Kind::kQuit, -1);
            break;
        default:
            break;
    }
}

void LauncherWindow::Activate(Engine& engine, int row, int button) {
    message_.clear();
    if (row == RowCount() - 1) {
        // "Add a title…": the browser opens where the last title added lies, else at home.
        const auto& titles = launcher_.List().Titles();
        const std::string home = files::HomeDirectory().empty() ? "/" : files::HomeDirectory();
        std::string start = titles.empty() ? home : Parent(titles.front().folder);
        OpenFolder(files::IsDirectory(start) ? start : home);
        return;
    }
    std::vector<Button> buttons = ButtonsOf(row);
    if (button < 0 || button >= static_cast<int>(buttons.size())) {
        return;
    }
    const KnownTitle& title = launcher_.List().Titles()[static_cast<size_t>(row)];
    switch (buttons[static_cast<size_t>(button)]) {
        case Button::kRemove:
            launcher_.List().Remove(static_cast<size_t>(row));
            launcher_.Save();
            break;
        case Button::kContinue:
        case Button::kPlay:
            if (!files::IsDirectory(title.folder)) {
                message_ = T(text::kMissingFolder);
            } else if (!files::FirstFileWithExtension(title.folder, "ist")) {
                message_ = T(text::kNoInstanceFile);
            } else {
                Finish(engine,
                       buttons[static_cast<size_t>(button)] == Button::kContinue ? Choice::Kind::kContinue
                                                                                 : Choice::Kind::kPlay,
                       row);
            }
            break;
    }
}

void LauncherWindow::OpenFolder(const std::string& folder) {
    view_ = View::kBrowse;
    folder_ = folder;
    subFolders_ = files::SubFolders(folder, kMaxFolders);
    selected_ = 0;
    first_ = 0;
}

void LauncherWindow::BrowseKey(Engine& engine, int key) {
    switch (key) {
        case vk::kUp:
            --selected_;
            break;
        case vk::kDown:
        case vk::kTab:
            ++selected_;
            break;
        case vk::kHome:
            selected_ = 0;
            break;
        case vk::kEnd:
            selected_ = static_cast<int>(subFolders_.size()) + 1;
            break;
        case vk::kPageUp:
            selected_ -= kBrowseRows;
            break;
        case vk::kPageDown:
            selected_ += kBrowseRows;
            break;
        case vk::kBack:
        case vk::kLeft:
            if (folder_ != "/") {
                message_.clear();
                OpenFolder(Parent(folder_));
            }
            break;
        case vk::kReturn:
        case vk::kSpace:
        case vk::kRight:
            BrowseActivate(engine, selected_);
            break;
        case vk::kEscape:
            message_.clear();
            view_ = View::kList;
            selected_ = 0;
            first_ = 0;
            break;
        default:
            break;
    }
}

void LauncherWindow::BrowseActivate(Engine& engine, int row) {
    message_.clear();
    const int parentRows = folder_ == "/" ? 0 : 1;
    if (row == 0) {
        AddFolder(engine, folder_);
    } else if (row == 1 && parentRows == 1) {
        OpenFolder(Parent(folder_));
    } else if (row - 1 - parentRows < static_cast<int>(subFolders_.size())) {
        OpenFolder(Child(folder_, subFolders_[static_cast<size_t>(row - 1 - parentRows)]));
    }
}

void LauncherWindow::AddFolder(Engine&, const std::string& folder) {
    if (!files::FirstFileWithExtension(folder, "ist")) {
        message_ = T(text::kNoInstanceFile);
        return;
    }
    // Known already: it keeps its name and save folder and comes first.
    KnownTitle title{folder, "", BaseName(folder), ""};
    for (const KnownTitle& known : launcher_.List().Titles()) {
        if (known.folder == folder && known.instanceFile.empty()) {
            title = known;
        }
    }
    launcher_.List().Remember(title);
    launcher_.Save();
    view_ = View::kList;
    selected_ = 0;
    first_ = 0;
    button_ = 0;
}

void LauncherWindow::Finish(Engine& engine, Choice::Kind kind, int row) {
    Choice& choice = launcher_.Chosen();
    choice.kind = kind;
    if (row >= 0) {
        choice.title = launcher_.List().Titles()[static_cast<size_t>(row)];
    }
    done_ = true;
    engine.CloseFromLauncher();
}

bool LauncherWindow::HitList(int x, int y, int& row, int& button) const {
    if (x < kMargin || x >= kWidth - kMargin || y < kListTop || y >= kListTop + kListRows * kListRowHeight) {
        return false;
    }
    row = first_ + (y - kListTop) / kListRowHeight;
    if (row >= RowCount()) {
        return false;
    }
    button = -1;
    const int top = kListTop + (row - first_) * kListRowHeight + (kListRowHeight - kButtonHeight) / 2;
    std::vector<Button> buttons = ButtonsOf(row);
    const int n = static_cast<int>(buttons.size());
    for (int i = 0; i < n; ++i) {
        const int left = kWidth - kMargin - 8 - (n - i) * (kButtonWidth + kButtonGap) + kButtonGap;
        if (x >= left && x < left + kButtonWidth && y >= top && y < top + kButtonHeight) {
            button = i;
        }
    }
    return true;
}

bool LauncherWindow::HitBrowse(int x, int y, int& row) const {
    if (x < kMargin || x >= kWidth - kMargin || y < kBrowseTop ||
        y >= kBrowseTop + kBrowseRows * kBrowseRowHeight) {
        return false;
    }
    row = first_ + (y - kBrowseTop) / kBrowseRowHeight;
    return row < static_cast<int>(subFolders_.size()) + (folder_ == "/" ? 1 : 2);
}

void LauncherWindow::Say(Engine& engine) {
    std::string spoken;
    if (view_ == View::kList) {
        const auto& titles = launcher_.List().Titles();
        if (selected_ < static_cast<int>(titles.size())) {
            spoken = titles[static_cast<size_t>(selected_)].name;
            std::vector<Button> buttons = ButtonsOf(selected_);
            if (button_ < static_cast<int>(buttons.size())) {
                const Button b = buttons[static_cast<size_t>(button_)];
                spoken += std::string("、") + T(b == Button::kContinue ? text::kContinue
                                                : b == Button::kPlay   ? text::kPlay
                                                                       : text::kRemove);
            }
        } else {
            spoken = T(text::kAddTitle);
        }
    } else {
        const int parentRows = folder_ == "/" ? 0 : 1;
        if (selected_ == 0) {
            spoken = T(text::kUseFolder);
        } else if (selected_ == 1 && parentRows == 1) {
            spoken = T(text::kParentFolder);
        } else if (selected_ - 1 - parentRows < static_cast<int>(subFolders_.size())) {
            spoken = ValidUtf8(subFolders_[static_cast<size_t>(selected_ - 1 - parentRows)]);
        }
    }
    if (!spoken.empty()) {
        engine.access->Say(ValidUtf8(spoken));
    }
}

void LauncherWindow::TraceState(Engine& engine) {
    std::string titles = "[";
    for (const KnownTitle& title : launcher_.List().Titles()) {
        titles += std::string(titles.size() > 1 ? "," : "") + "{\"name\":\"" +
                  Trace::Escape(ValidUtf8(title.name)) + "\",\"folder\":\"" +
                  Trace::Escape(ValidUtf8(title.folder)) +
                  "\",\"continue\":" + (Launcher::HasAutoSave(title) ? "true" : "false") + "}";
    }
    titles += "]";
    const std::string view = view_ == View::kList ? "list" : "browse";
    const std::string folder = view_ == View::kBrowse ? ValidUtf8(folder_) : "";
    const std::string state = view + "\n" + titles + "\n" + std::to_string(selected_) + "\n" +
                              std::to_string(button_) + "\n" + folder + "\n" + message_;
    if (state == traced_) {
        return;
    }
    traced_ = state;
    engine.trace.Event("launcher", {{"view", view},
                                    {"titles", Trace::Json{titles}},
                                    {"selected", int64_t{selected_}},
                                    {"button", int64_t{button_}},
                                    {"folder", folder},
                                    {"message", message_}});
}

void LauncherWindow::PaintFrame(OverlayCanvas& c, double scale, const char* heading, const char* help) {
    Pen p{c, scale};
    p.Fill(0, 0, kWidth, kHeight, kBackground);
    p.Fill(0, 0, kWidth, kHeadingHeight, overlay_colour::kCaption);
    p.Text(glyphs_, kNameSize, 12, (kHeadingHeight - kNameSize) / 2, heading, overlay_colour::kCaptionText,
           TextEncoding::kUtf8);
    if (!message_.empty()) {
        p.Text(glyphs_, kSmallSize + 2, 12, kMessageTop, message_, kWarning, TextEncoding::kUtf8);
    }
    p.Fill(kMargin, kHelpTop - 8, kWidth - 2 * kMargin, 1, 0xC8C8C8);
    p.Text(glyphs_, kSmallSize, 12, kHelpTop, help, kDim, TextEncoding::kUtf8);
}

void LauncherWindow::Paint(OverlayCanvas& c) {
    if (view_ == View::kList) {
        PaintList(c, 1.0);
    } else {
        PaintBrowse(c, 1.0);
    }
}

bool LauncherWindow::PaintSharp(OverlayCanvas& c, double scale) {
    if (view_ == View::kList) {
        PaintList(c, scale);
    } else {
        PaintBrowse(c, scale);
    }
    return true;
}

void LauncherWindow::PaintList(OverlayCanvas& c, double scale) {
    PaintFrame(c, scale, T(text::kHeading), T(text::kListHelp));
    Pen p{c, scale};
    const auto& titles = launcher_.List().Titles();
    for (int row = first_; row < std::min(RowCount(), first_ + kListRows); ++row) {
        const int top = kListTop + (row - first_) * kListRowHeight;
        const bool hot = row == selected_;
        if (hot) {
            p.Fill(kMargin, top, kWidth - 2 * kMargin, kListRowHeight - 2, kHot);
            p.Outline(kMargin, top, kWidth - 2 * kMargin, kListRowHeight - 2, kHotOutline);
        }
        if (row == RowCount() - 1) {
            // "Add a title…", a button across the row.
            p.Fill(kMargin + 4, top + 8, 220, kListRowHeight - 18, overlay_colour::kFace);
            p.Bevel(kMargin + 4, top + 8, 220, kListRowHeight - 18, false);
            p.Text(glyphs_, kBrowseSize, kMargin + 18, top + (kListRowHeight - kBrowseSize) / 2 - 1,
                   T(text::kAddTitle), overlay_colour::kText, TextEncoding::kUtf8);
            if (titles.empty()) {
                p.Text(glyphs_, kSmallSize, kMargin + 4, top + kListRowHeight + 6, T(text::kNoTitles), kDim,
                       TextEncoding::kUtf8);
            }
            continue;
        }
        const KnownTitle& title = titles[static_cast<size_t>(row)];
        std::vector<Button> buttons = ButtonsOf(row);
        const int n = static_cast<int>(buttons.size());
        const int textWidth = kWidth - 2 * kMargin - 24 - n * (kButtonWidth + kButtonGap);
        p.Text(glyphs_, kNameSize, kMargin + 8, top + 6,
               FitFromLeft(glyphs_, kNameSize, title.name, textWidth), overlay_colour::kText,
               TextEncoding::kUtf8);
        p.Text(glyphs_, kSmallSize, kMargin + 8, top + 28,
               FitFromLeft(glyphs_, kSmallSize, title.folder, textWidth), kDim, TextEncoding::kUtf8);
        const int buttonTop = top + (kListRowHeight - kButtonHeight) / 2;
        for (int i = 0; i < n; ++i) {
            const int left = kWidth - kMargin - 8 - (n - i) * (kButtonWidth + kButtonGap) + kButtonGap;
            const bool focused = hot && i == button_;
            p.Fill(left, buttonTop, kButtonWidth, kButtonHeight,
                   focused ? overlay_colour::kHighlight : overlay_colour::kFace);
            p.Bevel(left, buttonTop, kButtonWidth, kButtonHeight, false);
            const Button b = buttons[static_cast<size_t>(i)];
            const char* label = T(b == Button::kContinue ? text::kContinue
                                  : b == Button::kPlay   ? text::kPlay
                                                         : text::kRemove);
            const int w = OverlayCanvas::TextWidth(glyphs_, kSmallSize + 1, label, TextEncoding::kUtf8);
            p.Text(glyphs_, kSmallSize + 1, left + (kButtonWidth - w) / 2, buttonTop + 6, label,
                   focused ? overlay_colour::kHighlightText : overlay_colour::kText, TextEncoding::kUtf8);
        }
    }
}

void LauncherWindow::PaintBrowse(OverlayCanvas& c, double scale) {
    PaintFrame(c, scale, T(text::kBrowseHeading), T(text::kBrowseHelp));
    Pen p{c, scale};
    p.Text(glyphs_, kSmallSize, 12, kBrowsePathTop + 4,
           FitFromLeft(glyphs_, kSmallSize, folder_, kWidth - 24), kDim, TextEncoding::kUtf8);
    const int parentRows = folder_ == "/" ? 0 : 1;
    const int count = static_cast<int>(subFolders_.size()) + 1 + parentRows;
    for (int row = first_; row < std::min(count, first_ + kBrowseRows); ++row) {
        const int top = kBrowseTop + (row - first_) * kBrowseRowHeight;
        const bool hot = row == selected_;
        if (hot) {
            p.Fill(kMargin, top, kWidth - 2 * kMargin, kBrowseRowHeight - 1, kHot);
            p.Outline(kMargin, top, kWidth - 2 * kMargin, kBrowseRowHeight - 1, kHotOutline);
        }
        std::string label;
        uint32_t colour = overlay_colour::kText;
        if (row == 0) {
            label = std::string("＋ ") + T(text::kUseFolder);
            colour = overlay_colour::kCaption;
        } else if (row == 1 && parentRows == 1) {
            label = T(text::kParentFolder);
        } else {
            label = "▸ " + subFolders_[static_cast<size_t>(row - 1 - parentRows)];
        }
        p.Text(glyphs_, kBrowseSize, kMargin + 8, top + (kBrowseRowHeight - kBrowseSize) / 2,
               FitFromLeft(glyphs_, kBrowseSize, label, kWidth - 2 * kMargin - 16), colour,
               TextEncoding::kUtf8);
    }
}

}  // namespace textreel::launcher
