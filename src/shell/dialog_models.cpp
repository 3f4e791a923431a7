#include "shell/dialog_models.h"

#include <algorithm>

#include "platform/encoding.h"
#include "platform/platform.h"
#include "script/utf8_text.h"

namespace textreel {

namespace {

std::vector<std::string> SplitSjis(const std::string& sjis, TextEncoding encoding) {
    std::vector<std::string> out;
    if (encoding == TextEncoding::kUtf8) {
        const auto* bytes = reinterpret_cast<const uint8_t*>(sjis.data());
        for (size_t i = 0; i < sjis.size();) {
            uint32_t code = 0;
            auto n = static_cast<size_t>(DecodeUtf8Char(bytes, sjis.size(), i, code));
            out.push_back(sjis.substr(i, n));
            i += n;
        }
        return out;
    }
    for (size_t i = 0; i < sjis.size();) {
        size_t n = IsSjisLeadByte(static_cast<uint8_t>(sjis[i])) && i + 1 < sjis.size() ? 2 : 1;
        out.push_back(sjis.substr(i, n));
        i += n;
    }
    return out;
}

}  // namespace

std::string EditField::Text() const {
    return Prefix(chars_.size());
}

std::string EditField::Prefix(size_t i) const {
    std::string out;
    for (size_t k = 0; k < std::min(i, chars_.size()); ++k) {
        out += chars_[k];
    }
    return out;
}

size_t EditField::Bytes() const {
    return Text().size();
}

bool EditField::SetText(const std::string& sjis) {
    if (sjis.size() > kCapacity) {
        return false;
    }
    chars_ = SplitSjis(sjis, encoding_);
    caret_ = anchor_ = chars_.size();
    return true;
}

void EditField::SelectAll() {
    anchor_ = 0;
    caret_ = chars_.size();
}

void EditField::DeleteSelection() {
    size_t a = std::min(caret_, anchor_);
    size_t b = std::max(caret_, anchor_);
    chars_.erase(chars_.begin() + static_cast<ptrdiff_t>(a), chars_.begin() + static_cast<ptrdiff_t>(b));
    caret_ = anchor_ = a;
}

EditField::Typed EditField::Type(const std::string& utf8) {
    std::string clean;
    for (char c : utf8) {
        if (static_cast<uint8_t>(c) >= 0x20 && c != 0x7F) {
            clean += c;
        }
    }
    bool ok = true;
    std::string sjis = encoding_ == TextEncoding::kUtf8 ? ValidUtf8(clean) : Utf8ToCp932(clean, &ok);
    if (!ok) {
        return Typed::kNotShiftJis;
    }
    size_t selected = 0;
    for (size_t k = std::min(caret_, anchor_); k < std::max(caret_, anchor_); ++k) {
        selected += chars_[k].size();
    }
    if (Bytes() - selected + sjis.size() > kCapacity) {
        return Typed::kTooLong;
    }
    DeleteSelection();
    std::vector<std::string> typed = SplitSjis(sjis, encoding_);
    chars_.insert(chars_.begin() + static_cast<ptrdiff_t>(caret_), typed.begin(), typed.end());
    caret_ += typed.size();
    anchor_ = caret_;
    return Typed::kOk;
}

void EditField::Backspace() {
    if (HasSelection()) {
        DeleteSelection();
    } else if (caret_ > 0) {
        chars_.erase(chars_.begin() + static_cast<ptrdiff_t>(caret_ - 1));
        anchor_ = --caret_;
    }
}

void EditField::Delete() {
    if (HasSelection()) {
        DeleteSelection();
    } else if (caret_ < chars_.size()) {
        chars_.erase(chars_.begin() + static_cast<ptrdiff_t>(caret_));
    }
}

void EditField::SetCaret(size_t index, bool select) {
    caret_ = std::min(index, chars_.size());
    if (!select) {
        anchor_ = caret_;
    }
}

void EditField::Left(bool select) {
    if (!select && HasSelection()) {
        SetCaret(std::min(caret_, anchor_), false);
        return;
    }
    SetCaret(caret_ > 0 ? caret_ - 1 : 0, select);
}

void EditField::Right(bool select) {
    if (!select && HasSelection()) {
        SetCaret(std::max(caret_, anchor_), false);
        return;
    }
    SetCaret(caret_ + 1, select);
}

void EditField::Home(bool select) {
    SetCaret(0, select);
}

void EditField::End(bool select) {
    SetCaret(chars_.size(), select);
}

void Slider::Set(int v) {
    value = std::clamp(v, kMin, kMax);
}

int Slider::ValueAt(int x, int left, int width) {
    if (width <= 1) {
        return kMin;
    }
    int64_t v = (int64_t{x} - left) * (kMax - kMin) * 2 / (width - 1);
    v = (v + (v >= 0 ? 1 : -1)) / 2;  // to the nearest value
    return static_cast<int>(std::clamp<int64_t>(v + kMin, kMin, kMax));
}

int Slider::PixelOf(int v, int left, int width) {
    return left + static_cast<int>(int64_t{std::clamp(v, kMin, kMax) - kMin} * (width - 1) / (kMax - kMin));
}

bool Slider::Key(int key) {
    switch (key) {
        case vk::kLeft:
        case vk::kUp:
            Step(-1);
            return true;
        case vk::kRight:
        case vk::kDown:
            Step(1);
            return true;
        case vk::kPageUp:
            Step(-kPage);
            return true;
        case vk::kPageDown:
            Step(kPage);
            return true;
        case vk::kHome:
            Set(kMin);
            return true;
        case vk::kEnd:
            Set(kMax);
            return true;
        default:
            return false;
    }
}

void ColourModel::Load(const std::array<int32_t, 4>& counters) {
    for (size_t i = 0; i < 4; ++i) {
        sliders[i].Set(counters[i] & 0xFF);
    }
}

std::array<int32_t, 4> ColourModel::Values() const {
    return {sliders[0].value, sliders[1].value, sliders[2].value, sliders[3].value};
}

uint32_t ColourModel::PreviewRgb() const {
    return (static_cast<uint32_t>(sliders[0].value) << 16) | (static_cast<uint32_t>(sliders[1].value) << 8) |
           static_cast<uint32_t>(sliders[2].value);
}

}  // namespace textreel
