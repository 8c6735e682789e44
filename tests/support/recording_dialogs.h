#pragma once
// The dialogs double of the tests: answers questions from a script and
// records every call (title, text, icon, buttons).

#include <deque>
#include <functional>
#include <utility>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/dialogs.h"

namespace zef {

// Test double: answers from a script, records everything.
class RecordingDialogs : public Dialogs {
public:
    struct Call {
        std::string kind;  // "message", "ask", "open", "save", "withdraw"
        std::string title;
        std::string text;
        Icon icon = Icon::None;
        Buttons buttons = Buttons::Ok;
    };

    std::vector<Call> calls;
    std::deque<Answer> answers;              // consumed by Ask; empty script answers `defaultAnswer`
    Answer defaultAnswer = Answer::No;
    std::deque<std::optional<std::string>> files;  // consumed by OpenFile/SaveFile
    // Runs inside Message after it is recorded (a test can stand for a box
    // the user leaves open: a nested event loop until it is withdrawn).
    std::function<void()> whileMessageOpen;
    // Runs inside every Ask after it is recorded, before it answers (a test
    // looks at what the windows show while the question is open).
    std::function<void()> whileAsking;

    void Message(const std::string& title, const std::string& text, Icon icon) override {
        calls.push_back({"message", title, text, icon, Buttons::Ok});
        if (whileMessageOpen) std::exchange(whileMessageOpen, {})();
    }
    Answer Ask(const std::string& title, const std::string& text, Buttons buttons, Icon icon) override {
        calls.push_back({"ask", title, text, icon, buttons});
        if (whileAsking) whileAsking();
        if (answers.empty()) return defaultAnswer;
        Answer a = answers.front();
        answers.pop_front();
        return a;
    }
    std::optional<std::string> OpenFile(const std::string& title, const std::string& filter,
                                        const std::string& folder) override {
        calls.push_back({"open", title, filter + "\n" + folder, Icon::None, Buttons::Ok});
        return nextFile();
    }
    std::optional<std::string> SaveFile(const std::string& title, const std::string& filter,
                                        const std::string& folder) override {
        calls.push_back({"save", title, filter + "\n" + folder, Icon::None, Buttons::Ok});
        return nextFile();
    }

    void Withdraw(const std::string& title, const std::string& text) override {
        calls.push_back({"withdraw", title, text, Icon::None, Buttons::Ok});
    }

    // Messages only (kind "message"), in order.
    std::vector<Call> messages() const {
        std::vector<Call> out;
        for (const auto& c : calls)
            if (c.kind == "message") out.push_back(c);
        return out;
    }

private:
    std::optional<std::string> nextFile() {
        if (files.empty()) return std::nullopt;
        auto f = files.front();
        files.pop_front();
        return f;
    }
};

// A confirmation's question (its first line) and the lines that say what
// Yes does (empty when it says nothing more).
inline std::pair<std::string, std::string> SplitQuestion(const std::string& text) {
    const std::size_t end = text.find('\n');
    if (end == std::string::npos) return {text, ""};
    return {text.substr(0, end), text.substr(end + 1)};
}

}  // namespace zef
