#pragma once
// The dialogs seam: every message box, question and file dialog the program
// shows goes through this interface. The windows get the Qt implementation;
// tests get RecordingDialogs, which answers scripted questions and records
// every call. Texts are UTF-8 and are shown exactly as given.

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace zef {

enum class Icon { None, Information, Exclamation, Critical, Question };
enum class Buttons { Ok, YesNo, YesNoCancel };
enum class Answer { Ok, Yes, No, Cancel };

class Dialogs {
public:
    virtual ~Dialogs() = default;

    // A message box with one OK button.
    virtual void Message(const std::string& title, const std::string& text, Icon icon) = 0;

    // A question; returns the button pressed (Cancel when the box was closed).
    virtual Answer Ask(const std::string& title, const std::string& text, Buttons buttons,
                       Icon icon = Icon::Question) = 0;

    // File dialogs. `filter` is "Description (*.Ext)|*.ext[|...]"; `folder` is
    // the initial folder. An empty optional means the user cancelled.
    virtual std::optional<std::string> OpenFile(const std::string& title, const std::string& filter,
                                                const std::string& folder) = 0;
    virtual std::optional<std::string> SaveFile(const std::string& title, const std::string& filter,
                                                const std::string& folder) = 0;
};

// Test double: answers from a script, records everything.
class RecordingDialogs : public Dialogs {
public:
    struct Call {
        std::string kind;  // "message", "ask", "open", "save"
        std::string title;
        std::string text;
        Icon icon = Icon::None;
        Buttons buttons = Buttons::Ok;
    };

    std::vector<Call> calls;
    std::deque<Answer> answers;              // consumed by Ask; empty script answers `defaultAnswer`
    Answer defaultAnswer = Answer::No;
    std::deque<std::optional<std::string>> files;  // consumed by OpenFile/SaveFile

    void Message(const std::string& title, const std::string& text, Icon icon) override {
        calls.push_back({"message", title, text, icon, Buttons::Ok});
    }
    Answer Ask(const std::string& title, const std::string& text, Buttons buttons, Icon icon) override {
        calls.push_back({"ask", title, text, icon, buttons});
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

}  // namespace zef
