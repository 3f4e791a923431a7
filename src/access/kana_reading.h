// Readings of Japanese text for a voice that cannot read kanji: MeCab with the IPA dictionary cuts
// the text into words and gives each its reading in katakana. The library is loaded when a line
// first needs it; eSpeak NG's Japanese voice then speaks the kana.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace textreel {

// True when text (UTF-8) holds a kanji (or the repeat mark 々), which only a reading can voice.
bool HoldsKanji(std::string_view utf8);

class KanaReader {
  public:
    KanaReader();
    ~KanaReader();
    KanaReader(const KanaReader&) = delete;
    KanaReader& operator=(const KanaReader&) = delete;

    // The text with every word in its reading (katakana); words the dictionary does not know, and
    // text that is not Japanese, stay as written. false, with the reason in error, when MeCab or
    // its dictionary cannot be loaded. One thread at a time.
    bool Read(std::string_view utf8, std::string& reading, std::string& error);

  private:
    struct Tagger;
    std::unique_ptr<Tagger> tagger_;
};

}  // namespace textreel
