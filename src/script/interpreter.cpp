#include "script/interpreter.h"

#include <algorithm>
#include <cstring>

#include "graphics/screen.h"
#include "input/quick_save.h"
#include "input/rollback.h"
#include "script/byte_text.h"
#include "script/commands.h"
#include "script/menu.h"
#include "script/utf8_text.h"
#include "shell/engine.h"
#include "shell/messages.h"
#include "sound/sound.h"
#include "text/message_window.h"

namespace textreel {

namespace {

// "＊＊＊" in Shift-JIS.
constexpr char kPlayerNameToken[] = "\x81\x96\x81\x96\x81\x96";
// The same "＊＊＊" in a UTF-8 title.
constexpr char kPlayerNameTokenUtf8[] = "\xEF\xBC\x8A\xEF\xBC\x8A\xEF\xBC\x8A";

const CommandEntry kCommands[] = {
    {"name_entry", &CmdNameEntry},
    {"flagreset", &CmdFlagReset},
    {"jmp", &CmdJmp},
    {"returnto", &CmdReturnTo},
    {"eventflag", &CmdEventFlag},
    {"eventjudge", &CmdEventJudge},
    {"pointflag", &CmdPointFlag},
    {"pointjudge", &CmdPointJudge},
    {"random", &CmdRandom},
    {"recflag", &CmdRecFlag},
    {"brightness", &CmdBrightness},
    {"effect", &CmdEffect},
    {"maskefct", &CmdMaskEfct},
    {"subef", &CmdSubef},
    {"spralpha", &CmdSprAlpha},
    {"alphadepth", &CmdAlphaDepth},
    {"setfontsize", &CmdSetFontSize},
    {"setfontcolor", &CmdSetFontColor},
    {"imgblt", &CmdImgblt},
    {"ccblt", &CmdCcblt},
    {"blt", &CmdBlt},
    {"exit_game", &CmdExitGame},
    {"syncstart", &CmdSyncStart},
    {"syncexit", &CmdSyncExit},
    {"synctiming", &CmdSyncTiming},
    {"BGMWave", &CmdBGMWave},
    {"cdda", &CmdCdda},
    {"wave", &CmdWave},
    {"talk", &CmdTalk},
    {"OGGPlay", &CmdOGGPlay},
    {"onestopbgm", &CmdOnestopbgm},
    {"movieplay", &CmdMoviePlay},
    {"selarea", &CmdSelArea},
    {"selword", &CmdSelWord},
    {"flagselect", &CmdFlagSelect},
    {"wait", &CmdWait},
    {"fill", &CmdFill},
    {"sprite", &CmdSprite},
    {"windowopen", &CmdWindowOpen},
    {"windowclose", &CmdWindowClose},
    {"statuswindow", &CmdStatusWindow},
    {"commandopen", &CmdCommandOpen},
    {"statusctrl", &CmdStatusCtrl},
    {"stuffroll", &CmdStuffRoll},
    {"RecNameLoad", &CmdRecNameLoad},
    {"statetitle", &CmdStateTitle},
    {"openCCDlg", &CmdOpenCCDlg},
    {"URLOpen", &CmdURLOpen},
};
static_assert(sizeof(kCommands) / sizeof(kCommands[0]) == 48);

// The wait codes of a line in the order they wait, as rollback records name them.
constexpr int kWaitC = 0;
constexpr int kWaitX = 1;
constexpr int kWaitP = 2;
constexpr int kWaitW = 3;

// Suspends the script thread at a wait point; the icon variants first let the wait icon animate.
void SuspendAtWait(Engine& e, bool withIcon) {
    if (withIcon) {
        e.WaitIconOn = 1;
    }
    e.SuspendScript();
}

// The wait point of "$C", "$X", "$P" and "$W". Skip mode passes it over text already read (or over
// any text with forced skip on); auto mode passes it after the voice and half a second.
void WaitPoint(Engine& e, bool withIcon) {
    bool nextUnread = !e.scenario.MarkAt(e.scenario.ReadPos + 2);
    if (nextUnread && !e.env.ForcedSkipInUse() && e.AdvanceMode == 1) {
        e.EndSkipMode();
        SuspendAtWait(e, withIcon);
    } else if (e.AdvanceMode == 0) {
        SuspendAtWait(e, withIcon);
    }
    if (e.AdvanceMode == 3 && !e.Quitting()) {
        WaitForVoiceEnd(e);
        e.SleepFor(500);
    }
}

// The stop of "$S": always suspends, and a click that ends it does not end auto mode.
void StopWait(Engine& e) {
    e.AutoStoppable = 0;
    e.SuspendScript();
    e.AutoStoppable = 1;
    if (e.AdvanceMode == 1) {
        e.EndSkipMode();
    }
}

void Dispatch(Engine& e, const char* line, int length) {
    const CommandEntry* entry = FindCommand(line);
    if (entry == nullptr) {
        e.Warn(e.Text(msg::kUnknownCommand));
        return;
    }
    if (entry->handler != nullptr) {
        entry->handler(e, line, length);
    }
}

void TextLine(Engine& e, char (&line)[kLineBufferSize], int length) {
    length = e.titleSettings.encoding == TextEncoding::kUtf8
                 ? ReplacePlayerNameToken(line, length, e.flags.PlayerName(), kPlayerNameTokenUtf8)
                 : ReplacePlayerNameToken(line, length, e.flags.PlayerName());
    if (e.titleSettings.encoding == TextEncoding::kUtf8 && length >= kLineMax) {
        // The line was cut at the bytes the engine keeps: a character cut in two is not shown.
        length =
            static_cast<int>(Utf8LengthWithoutCutEnd(std::string_view(line, static_cast<size_t>(length))));
        line[length] = '\0';
    }
    // A rollback draws the lines of its page again; the backlog, the trace and the reading aids
    // have them already.
    const std::string utf8 = e.Title(std::string_view(line, static_cast<size_t>(length))).ToUtf8();
    if (e.QuietReplay != 0) {
        e.access->NoteLineOnScreen(utf8);
    } else {
        // A UTF-8 line keeps whole characters in its 80-byte backlog slot.
        e.backlog.Add(
            line, e.titleSettings.encoding == TextEncoding::kUtf8 && length > Backlog::kSlotSize
                      ? static_cast<int>(Utf8PrefixLength(std::string_view(line, static_cast<size_t>(length)),
                                                          Backlog::kSlotSize))
                      : length);
        if (e.trace.Enabled()) {
            // The rows as the line will be cut on the screen, so that automation can check
            // wrapping.
            std::string rows = "[";
            for (const std::string& row : LineRows(e, line, length)) {
                rows += (rows.size() > 1 ? ",\"" : "\"") + Trace::Escape(e.Title(row).ToUtf8()) + "\"";
            }
            rows += "]";
            e.trace.Event("text", {{"rows", Trace::Json{rows}}, {"line", utf8}});
        }
        // The reading aids keep the line on the screen even while none of them is on.
        e.access->LineShown(utf8);
    }
    e.textShownSinceTitle = true;
    OutputTextLine(e, line, length);
}

// A rollback's way back to the wait of record r: the script thread waits there again as the
// straight run did, running nothing of the line or menu before it. Returns whether the line it
// waits on is the scenario's last.
bool TakeUpWait(Engine& e, const RollbackRecord& r, char (&line)[kLineBufferSize]) {
    if (r.waitCode == RollbackRecord::kChoiceWait) {
        e.scenario.ReadPos = r.Position();
        WaitForChoiceAgain(e, r.menuKind.c_str());
        return false;
    }
    // The wait line starts after the line end before its recorded position.
    uint32_t start = std::min(r.linePosition, e.scenario.Size());
    while (start > 0 && e.scenario.ByteAt(start - 1) != '\n') {
        --start;
    }
    e.scenario.ReadPos = start;
    bool end = false;
    int length = e.scenario.ReadLine(line, end);
    RunScriptLine(e, line, length, r.waitCode);
    return end;
}

}  // namespace

const CommandEntry* CommandTable(int& count) {
    count = static_cast<int>(sizeof(kCommands) / sizeof(kCommands[0]));
    return kCommands;
}

const CommandEntry* FindCommand(const char* line) {
    for (const CommandEntry& entry : kCommands) {
        if (FindText(line, entry.keyword) != nullptr) {
            return &entry;
        }
    }
    return nullptr;
}

int ReplacePlayerNameToken(char (&line)[kLineBufferSize], int length, std::string_view playerName) {
    return ReplacePlayerNameToken(line, length, playerName, kPlayerNameToken);
}

int ReplacePlayerNameToken(char (&line)[kLineBufferSize], int length, std::string_view playerName,
                           const char* tokenText) {
    const char* token = FindText(line, tokenText);
    if (token == nullptr) {
        return length;
    }
    size_t before = static_cast<size_t>(token - line);
    const size_t kTokenSize = std::strlen(tokenText);
    std::string rest(token + kTokenSize);
    std::string result(line, before);
    result.append(playerName);
    result.append(rest);
    if (result.size() > static_cast<size_t>(kLineMax)) {
        result.resize(kLineMax);
    }
    std::memset(line, 0, sizeof(line));
    std::memcpy(line, result.data(), result.size());
    return static_cast<int>(std::strlen(line));
}

void RunScriptLine(Engine& e, char (&line)[kLineBufferSize], int length, int resumeCode) {
    // A return to the title (or closing) during one wait of the line leaves the rest of it: the
    // later codes of the line do not wait again.
    auto interrupted = [&e] { return e.Quitting() || e.RestartPending() || e.LoadResumePending != 0; };
    bool waited = false;
    // One record per wait line, however many of the codes it holds: the state at its first wait.
    bool recorded = resumeCode >= 0;
    bool noted = false;
    auto waitAt = [&](int code, bool withIcon) {
        if (!recorded) {
            RecordWait(e, e.scenario.ReadPos, code);
            recorded = true;
        }
        if (!noted) {
            // The automatic save keeps the place the player reads at, after a step back too.
            NoteReadingPlace(e);
            noted = true;
        }
        WaitPoint(e, withIcon);
        waited = true;
    };
    if (FindText(line, "$C") != nullptr && resumeCode <= kWaitC) {
        if (resumeCode != kWaitC) {
            ShowPage(e);
        }
        waitAt(kWaitC, true);
    }
    if (FindText(line, "$X") != nullptr && resumeCode <= kWaitX && !interrupted()) {
        if (resumeCode != kWaitX) {
            e.text.TextCursor.Set(e.text.LineEndCursor);
        }
        waitAt(kWaitX, true);
    }
    if (FindText(line, "$P") != nullptr && resumeCode <= kWaitP && !interrupted()) {
        if (resumeCode != kWaitP) {
            e.NewPagePending = 1;
        }
        waitAt(kWaitP, true);
    }
    if (FindText(line, "$W") != nullptr && !interrupted()) {
        waitAt(kWaitW, false);
    }
    if (FindText(line, "$S") != nullptr && !interrupted()) {
        StopWait(e);
        return;
    }
    if (waited || interrupted()) {
        return;
    }
    if (line[0] == '$') {
        Dispatch(e, line, length);
        return;
    }
    if (line[0] == ':' || line[0] == ';') {
        return;
    }
    TextLine(e, line, length);
}

int ScriptThreadMain(Engine& e) {
    char line[kLineBufferSize];
    for (;;) {
        if (e.Quitting()) {
            return 0;
        }
        if (e.RestartPending()) {
            e.PerformRestart();
        }
        bool end = false;
        RollbackRecord back;
        if (TakeRollbackArrival(e, back)) {
            end = TakeUpWait(e, back, line);
        } else {
            int length = e.scenario.ReadLine(line, end);
            if (++e.LinesRun - e.LinesAtWait == Engine::kLoopLines) {
                e.clock.Poke();
            }
            if (length > 0) {
                RunScriptLine(e, line, length);
            }
        }
        e.LoadResumePending = 0;
        if (e.Quitting()) {
            return 0;
        }
        e.scenario.AdvanceLine();
        if (end && !e.RestartPending() && e.RollbackArrival == 0) {
            break;
        }
    }
    ShowPendingPage(e);
    e.RequestClose();
    return 1;
}

}  // namespace textreel
