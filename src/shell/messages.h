// The engine's own texts as the player meets them, in UTF-8. Each constant is the Japanese text,
// which is also its key in the texts table (shell/texts.h) that finds the text in use: a title's
// textreel.ini may choose the English table and replace any entry.
#pragma once

namespace textreel::msg {
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
// The same two for a UTF-8 title, whose name field counts bytes of UTF-8.
constexpr const char* kNameTooLongUtf8 = "半角10文字を超えています";
// A typed character that Shift-JIS cannot hold (an emoji, a rare kanji) is refused with this.
constexpr const char* kNameCharacterRefused = "名前に使えない文字が含まれています";
constexpr const char* kMovieMissing = "ムービーファイルがみつかりません。";
constexpr const char* kMovieOpenFailed = "オープン失敗";
constexpr const char* kMovieSizeFailed = "画面サイズ調整失敗";
constexpr const char* kMoviePlayFailed = "再生失敗";
constexpr const char* kMovieCaption = "　";
constexpr const char* kVersionText = "テクストリール　ver.1.51";
constexpr const char* kAudioTrackMissing = "オーディオトラックが見つかりません";
constexpr const char* kStreamerStartFailed = "初期化失敗";
constexpr const char* kStreamerFlipFailed = "諸般の事情によりフリップ失敗";

// The dialogs.
constexpr const char* kNameEntryCaption = "名前の入力";
constexpr const char* kNameEntryHint = "名前を全角5文字以内で入力してください。";
constexpr const char* kNameEntryHintUtf8 = "名前を半角10文字以内で入力してください。";
constexpr const char* kColourCaption = "---≪色選択≫---";
constexpr const char* kColourRed = "【赤】";
constexpr const char* kColourGreen = "【緑】";
constexpr const char* kColourBlue = "【青】";
constexpr const char* kColourBrightness = "【明暗】";
constexpr const char* kColourHint1 = "● 【赤/緑/青】のスライダーで目的の色を設定します。 ";
constexpr const char* kColourHint2 = "● 全ての色が明暗どちらかに偏ると、差が表示しにくくなるので";
constexpr const char* kColourHint3 = "【明暗】で調整してください";
constexpr const char* kCancel = "ｷｬﾝｾﾙ";
constexpr const char* kClose = "閉じる";

// The system menu.
constexpr const char* kMenuSystem = "システム";
constexpr const char* kMenuAutoMode = "シナリオの自動送り";
constexpr const char* kMenuSettings = "設定";
constexpr const char* kMenuSpeed = "メッセージ速度";
constexpr const char* kMenuSpeedLine = "行表示";
constexpr const char* kMenuSpeedFast = "快速";
constexpr const char* kMenuSpeedNormal = "普通";
constexpr const char* kMenuSpeedSlowish = "やや遅い";
constexpr const char* kMenuSpeedSlow = "遅い";
constexpr const char* kMenuForcedSkip = "強制スキップする";
constexpr const char* kMenuFullScreen = "フルスクリーン";
constexpr const char* kMenuScreenEffects = "画面エフェクト";
constexpr const char* kMenuSeVolume = "SE音量";
constexpr const char* kMenuBgmVolume = "BGM音量";
constexpr const char* kMenuVolumeOff = "0%（OFF）";
constexpr const char* kMenuReturnToTitle = "タイトル画面へ戻る";
constexpr const char* kMenuExit = "システム終了";
constexpr const char* kMenuVersion = "システム確認";

// Notices.
constexpr const char* kSpeechOn = "読み上げ：オン";
constexpr const char* kSpeechOff = "読み上げ：オフ";
constexpr const char* kClipboardOn = "クリップボードへのコピー：オン";
constexpr const char* kClipboardOff = "クリップボードへのコピー：オフ";
constexpr const char* kQuickSaved = "クイックセーブしました";
constexpr const char* kNoQuickSave = "クイックセーブがありません";
constexpr const char* kNoAutoSave = "オートセーブがありません";
constexpr const char* kLoaded = "ロードしました";
}  // namespace textreel::msg
