#include "console_dialogs.h"

namespace zefctl {

std::string ConsoleDialogs::OneLine(const std::string& title, const std::string& text) {
    std::string line = title.empty() ? text : title + ": " + text;
    std::string out;
    for (char c : line) {
        if (c == '\r') continue;
        out += c == '\n' ? ' ' : c;
    }
    const auto first = out.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : out.substr(first);
}

void ConsoleDialogs::Message(const std::string& title, const std::string& text, zef::Icon) {
    last_ = OneLine(title, text);
    messages_.push_back(last_);
}

zef::Answer ConsoleDialogs::Ask(const std::string& title, const std::string& text, zef::Buttons, zef::Icon) {
    if (yes_) return zef::Answer::Yes;
    last_ = OneLine(title, text) + " (refused; --yes answers Yes)";
    return zef::Answer::No;
}

}  // namespace zefctl
