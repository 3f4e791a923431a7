// The launcher's own texts: Japanese, and English for a desktop whose language is not Japanese.
// Kept together so that they can join the engine's table of texts as they are.
#pragma once

namespace textreel::launcher {

struct LauncherText {
    const char* japanese;  // UTF-8
    const char* english;
};

namespace text {
constexpr LauncherText kHeading = {"textreel — タイトルを選ぶ", "textreel — choose a title"};
constexpr LauncherText kContinue = {"続きから", "Continue"};
constexpr LauncherText kPlay = {"はじめから", "Play"};
constexpr LauncherText kRemove = {"削除", "Remove"};
constexpr LauncherText kAddTitle = {"タイトルを追加…", "Add a title…"};
constexpr LauncherText kNoTitles = {
    "まだタイトルがありません。「タイトルを追加…」でフォルダーを選んでください。",
    "No titles yet: choose a title's folder with \"Add a title…\"."};
constexpr LauncherText kBrowseHeading = {"タイトルのフォルダーを選ぶ", "Choose a title's folder"};
constexpr LauncherText kUseFolder = {"このフォルダーを追加", "Add this folder"};
constexpr LauncherText kParentFolder = {".. （上のフォルダー）", ".. (the folder above)"};
constexpr LauncherText kNoInstanceFile = {"このフォルダーにはインスタンスファイル（*.ist）がありません。",
                                          "This folder holds no instance file (*.ist)."};
constexpr LauncherText kMissingFolder = {"このフォルダーは見つかりません。", "This folder cannot be found."};
constexpr LauncherText kListHelp = {"↑↓ 選ぶ　←→ ボタン　Enter 決定　Esc 終了",
                                    "Up/Down: title  Left/Right: button  Enter: choose  Esc: quit"};
constexpr LauncherText kBrowseHelp = {"↑↓ 選ぶ　Enter 開く　BackSpace 上へ　Esc 戻る",
                                      "Up/Down: folder  Enter: open  BackSpace: up  Esc: back"};
}  // namespace text

}  // namespace textreel::launcher
