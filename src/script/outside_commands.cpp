// `URLOpen` and `exit_game`: the commands that reach outside the story.
#include <cstdio>
#include <string>

#include "platform/error_log.h"
#include "script/address_rule.h"
#include "script/byte_text.h"
#include "script/commands.h"
#include "shell/engine.h"
#include "shell/messages.h"

namespace textreel {

namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (size_t i = 0; i < prefix.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
        if (c != prefix[i]) {
            return false;
        }
    }
    return true;
}

}  // namespace

const char* AddressRefusal(std::string_view address) {
    if (address.empty()) {
        return "no address";
    }
    for (char c : address) {
        auto b = static_cast<uint8_t>(c);
        if (b <= 0x20 || b == 0x7F) {
            return "blank or control character in the address";
        }
    }
    if (StartsWithNoCase(address, "http://") || StartsWithNoCase(address, "https://")) {
        std::string_view rest = address.substr(address.find("//") + 2);
        if (rest.empty() || rest[0] == '/') {
            return "web address without a host";
        }
        return nullptr;
    }
    if (StartsWithNoCase(address, "mailto:")) {
        if (address.size() == 7) {
            return "mail address without a recipient";
        }
        return nullptr;
    }
    return "only http, https and mailto addresses are opened";
}

std::string AddressForDesktop(std::string_view address) {
    if (!StartsWithNoCase(address, "mailto:")) {
        return std::string(address);
    }
    const size_t question = address.find('?');
    std::string kept(address.substr(0, question));
    if (question == std::string_view::npos) {
        return kept;
    }
    std::string_view fields = address.substr(question + 1);
    char separator = '?';
    while (!fields.empty()) {
        const size_t amp = fields.find('&');
        const std::string_view field = fields.substr(0, amp);
        fields = amp == std::string_view::npos ? std::string_view() : fields.substr(amp + 1);
        if (StartsWithNoCase(field, "subject=") || StartsWithNoCase(field, "body=")) {
            kept.push_back(separator);
            kept.append(field);
            separator = '&';
        }
    }
    return kept;
}

// $URLOpen ADDRESS
void CmdURLOpen(Engine& e, const char* line, int) {
    if (e.env.windowed == 0) {
        e.Warn(e.Text(msg::kWindowedOnly));
        return;
    }
    std::string address = TextAfterBlank(line);
    while (!address.empty() && (address.back() == ' ' || address.back() == '\t')) {
        address.pop_back();
    }
    std::string utf8 = e.Title(address).ToUtf8();
    const char* reason = AddressRefusal(address);
    // One address per player action: a story that loops over URLOpen cannot fill the desktop with
    // windows. The run's first address needs none (a title may open its page at the start).
    const uint64_t action = e.PlayerActions.load();
    if (reason == nullptr && e.urlAction == action) {
        reason = "one address per click or key";
    }
    if (reason != nullptr) {
        ErrorPrintf("textreel: URLOpen refused \"%s\": %s\n", utf8.c_str(), reason);
        e.trace.Event("refused", {{"path", utf8}, {"reason", std::string(reason)}});
        return;
    }
    e.urlAction = action;
    std::string handed = e.Title(AddressForDesktop(address)).ToUtf8();
    // The desktop's default handler opens it; whether it could is not looked at.
    e.trace.Event("url", {{"path", handed}});
    e.Send([&] { e.platform.OpenUrl(handed); });
}

void CmdExitGame(Engine& e, const char*, int) {
    if (e.MessageBox(e.Text(msg::kConfirmExit), e.Text(msg::kConfirmCaption), MessageBoxKind::kOkCancel) ==
        MessageBoxAnswer::kOk) {
        e.RequestClose();
    }
}

}  // namespace textreel
