// The system's own message texts, written here in UTF-8; the engine keeps text in Shift-JIS, so
// callers pass them through Sjis().
#pragma once

#include <string>
#include <string_view>

namespace textreel {

std::string Sjis(std::string_view utf8);

namespace msg {
constexpr const char* kScenarioMissing = "スクリプトファイルが見つかりません。";
constexpr const char* kSaveFolderFailed = "セーブフォルダの作成に失敗しました";
constexpr const char* kSaveFailed = "セーブに失敗しました";
constexpr const char* kLoadFailed = "ロードに失敗しました";
constexpr const char* kUnknownCommand = "認識できないコマンドです";
constexpr const char* kPictureLoadFailed = "画像の読み込み失敗";
constexpr const char* kPictureCaption = "zovi";
constexpr const char* kLossParts = "loss parts";
constexpr const char* kAllocateError = "Allocate Error";
constexpr const char* kConfirmCaption = "確認";
constexpr const char* kConfirmExit = "終了します。";
constexpr const char* kConfirmTitle = "タイトルに戻ります";
constexpr const char* kConfirmOverwrite = "上書きしてもよろしいですか？";
constexpr const char* kMenuRangeError = "メニューの範囲指定に誤りがあります";
constexpr const char* kWindowedOnly = "ウインドウ状態でご利用ください。";
constexpr const char* kDefaultPlayerName = "青葉";
constexpr const char* kErrorCaption = "エラー";
constexpr const char* kNameTooLong = "全角5文字を超えています";
// A typed character that Shift-JIS cannot hold (an emoji, a rare kanji) is refused with this.
constexpr const char* kNameCharacterRefused = "名前に使えない文字が含まれています";
constexpr const char* kMovieMissing = "ムービーファイルがみつかりません。";
constexpr const char* kMovieOpenFailed = "オープン失敗";
constexpr const char* kMovieSizeFailed = "画面サイズ調整失敗";
constexpr const char* kMoviePlayFailed = "再生失敗";
constexpr const char* kMovieCaption = "　";
constexpr const char* kVersionText = "テクストリール　ver.1.51";
}  // namespace msg

}  // namespace textreel
