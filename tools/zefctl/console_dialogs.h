#pragma once
// The dialogs of a program without windows: questions are answered Yes when
// the user said --yes and No otherwise; messages are kept so that the
// command line can report them (the last one usually explains a failure).

#include <string>
#include <vector>

#include "app/dialogs.h"

namespace zefctl {

class ConsoleDialogs final : public zef::Dialogs {
public:
    explicit ConsoleDialogs(bool yes) : yes_(yes) {}

    void Message(const std::string& title, const std::string& text, zef::Icon icon) override;
    zef::Answer Ask(const std::string& title, const std::string& text, zef::Buttons buttons,
                    zef::Icon icon) override;
    std::optional<std::string> OpenFile(const std::string&, const std::string&, const std::string&) override {
        return std::nullopt;
    }
    std::optional<std::string> SaveFile(const std::string&, const std::string&, const std::string&) override {
        return std::nullopt;
    }

    // "Title: text" on one line (line breaks become blanks).
    static std::string OneLine(const std::string& title, const std::string& text);

    const std::vector<std::string>& messages() const { return messages_; }
    // The last message, or the last refused question; empty when there was none.
    std::string lastNote() const { return last_; }

private:
    bool yes_;
    std::vector<std::string> messages_;
    std::string last_;
};

}  // namespace zefctl
