// `URLOpen` and `exit_game`: the commands that reach outside the story.
#include <cstdio>
#include <string>

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
    if (const char* reason = AddressRefusal(address)) {
        std::fprintf(stderr, "textreel: URLOpen refused \"%s\": %s\n", utf8.c_str(), reason);
        e.trace.Event("refused", {{"path", utf8}, {"reason", std::string(reason)}});
        return;
    }
    // The desktop's default handler opens it; whether it could is not looked at.
    e.trace.Event("url", {{"path", utf8}});
    e.Send([&] { e.platform.OpenUrl(utf8); });
}

void CmdExitGame(Engine& e, const char*, int) {
    if (e.MessageBox(e.Text(msg::kConfirmExit), e.Text(msg::kConfirmCaption), MessageBoxKind::kOkCancel) ==
        MessageBoxAnswer::kOk) {
        e.RequestClose();
    }
}

}  // namespace textreel
