#include "script/menu_lines.h"

#include <optional>

#include "script/byte_text.h"
#include "script/title_string.h"

namespace textreel {

namespace {

// Walks a line field by field: each field is the text up to the next stop character, which is
// passed over.
class FieldCursor {
  public:
    explicit FieldCursor(std::string_view rest) : rest_(rest) {}

    std::optional<std::string_view> Next(char stop) {
        size_t at = rest_.find(stop);
        if (at == std::string_view::npos) {
            return std::nullopt;
        }
        std::string_view field = rest_.substr(0, at);
        rest_.remove_prefix(at + 1);
        return field;
    }
    std::string_view Rest() const { return rest_; }

  private:
    std::string_view rest_;
};

bool ShortNumber(const std::optional<std::string_view>& field) {
    return field && !field->empty() && field->size() <= 4;
}

int32_t Number(std::string_view field) {
    return ReadDecimal(std::string(field).c_str());
}

}  // namespace

std::string CutText(std::string_view text, size_t max, TextEncoding encoding) {
    return TitleString(text, encoding).CutTo(max).Bytes();
}

bool ParseAreaItem(std::string_view line, bool flagEndsAtComma, TextEncoding encoding, MenuItemLine& out) {
    out = MenuItemLine{};
    if (line.empty()) {
        return true;
    }
    size_t open = line.find('(');
    if (open == std::string_view::npos) {
        return false;
    }
    FieldCursor fields(line.substr(open + 1));
    int32_t edges[4] = {};
    for (int32_t& edge : edges) {
        auto field = fields.Next(',');
        if (!ShortNumber(field)) {
            return false;
        }
        edge = Number(*field);
    }
    auto label = fields.Next(',');
    auto flag = fields.Next(flagEndsAtComma ? ',' : ')');
    if (!label || !ShortNumber(flag)) {
        return false;
    }
    out.entry.left = static_cast<int16_t>(edges[0]);
    out.entry.top = static_cast<int16_t>(edges[1]);
    out.entry.right = static_cast<int16_t>(edges[2]);
    out.entry.bottom = static_cast<int16_t>(edges[3]);
    out.entry.label = CutText(*label, kMenuLabelMax, encoding);
    out.flag = Number(*flag);
    return true;
}

bool ParseWordItem(std::string_view line, TextEncoding encoding, MenuItemLine& out) {
    out = MenuItemLine{};
    size_t open = line.find('(');
    if (open == std::string_view::npos) {
        return false;
    }
    FieldCursor fields(line.substr(open + 1));
    auto label = fields.Next(',');
    auto flag = fields.Next(',');
    if (!label || !ShortNumber(flag)) {
        return false;
    }
    auto text = fields.Next(')');
    out.entry.label = CutText(*label, kMenuLabelMax, encoding);
    out.flag = Number(*flag);
    out.text = CutText(text ? *text : fields.Rest(), kMenuTextMax, encoding);
    return true;
}

}  // namespace textreel
