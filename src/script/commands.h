// The handlers of the script commands that the dispatch table names. Each gets the zero-terminated
// line and its length.
#pragma once

namespace textreel {

class Engine;

// Event flags, point counters and record flags.
void CmdFlagReset(Engine& e, const char* line, int length);
void CmdEventFlag(Engine& e, const char* line, int length);
void CmdEventJudge(Engine& e, const char* line, int length);
void CmdPointFlag(Engine& e, const char* line, int length);
void CmdPointJudge(Engine& e, const char* line, int length);
void CmdRandom(Engine& e, const char* line, int length);
void CmdRecFlag(Engine& e, const char* line, int length);
// Jumps.
void CmdJmp(Engine& e, const char* line, int length);
void CmdReturnTo(Engine& e, const char* line, int length);
// The choice menus.
void CmdSelArea(Engine& e, const char* line, int length);
void CmdSelWord(Engine& e, const char* line, int length);
void CmdFlagSelect(Engine& e, const char* line, int length);
// Pictures and their settings.
void CmdImgblt(Engine& e, const char* line, int length);
void CmdCcblt(Engine& e, const char* line, int length);
void CmdBlt(Engine& e, const char* line, int length);
void CmdFill(Engine& e, const char* line, int length);
void CmdSprite(Engine& e, const char* line, int length);
void CmdBrightness(Engine& e, const char* line, int length);
void CmdSprAlpha(Engine& e, const char* line, int length);
void CmdAlphaDepth(Engine& e, const char* line, int length);
// Transitions and screen effects.
void CmdEffect(Engine& e, const char* line, int length);
void CmdMaskEfct(Engine& e, const char* line, int length);
void CmdSubef(Engine& e, const char* line, int length);
// The player's name from save slot 1.
void CmdRecNameLoad(Engine& e, const char* line, int length);
// Text settings.
void CmdSetFontSize(Engine& e, const char* line, int length);
void CmdSetFontColor(Engine& e, const char* line, int length);
// The modal dialogs.
void CmdNameEntry(Engine& e, const char* line, int length);
void CmdOpenCCDlg(Engine& e, const char* line, int length);
// Timing: a pause, and a time line that locks out clicks.
void CmdWait(Engine& e, const char* line, int length);
void CmdSyncStart(Engine& e, const char* line, int length);
void CmdSyncExit(Engine& e, const char* line, int length);
void CmdSyncTiming(Engine& e, const char* line, int length);
// Values kept in FlagBlock, and the commands accepted without effect.
void CmdStatusWindow(Engine& e, const char* line, int length);
void CmdCommandOpen(Engine& e, const char* line, int length);
void CmdStatusCtrl(Engine& e, const char* line, int length);
void CmdStuffRoll(Engine& e, const char* line, int length);
void CmdStateTitle(Engine& e, const char* line, int length);
// The outside world: an address for the desktop, and the end of the program.
void CmdURLOpen(Engine& e, const char* line, int length);
void CmdExitGame(Engine& e, const char* line, int length);
// The message window switches.
void CmdWindowOpen(Engine& e, const char* line, int length);
void CmdWindowClose(Engine& e, const char* line, int length);
// Music, voices, effects and CD tracks.
void CmdOGGPlay(Engine& e, const char* line, int length);
void CmdOnestopbgm(Engine& e, const char* line, int length);
void CmdBGMWave(Engine& e, const char* line, int length);
void CmdCdda(Engine& e, const char* line, int length);
void CmdWave(Engine& e, const char* line, int length);
void CmdTalk(Engine& e, const char* line, int length);
void CmdMoviePlay(Engine& e, const char* line, int length);

}  // namespace textreel
