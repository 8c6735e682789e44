#pragma once
// The dialogs seam: every message box, question and file dialog the program
// shows goes through this interface, and only the application layer (use
// cases, presenters) and the windows call it. The windows get the Qt
// implementation; tests get a scripted double. Texts are UTF-8 and are shown
// exactly as given.

#include <optional>
#include <string>

namespace zef {

enum class Icon { None, Information, Exclamation, Critical, Question };
enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
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

    // Closes every open message box showing exactly this title and text:
    // what it reports no longer holds. Nothing when none is open.
    virtual void Withdraw(const std::string& title, const std::string& text) {
        (void)title;
        (void)text;
    }

    // An open dialog that starts on filter pair `filterIndex` (0-based) and
    // writes back the pair the user left it on, so that a window can remember
    // the last filter used. Without an override it is OpenFile.
    virtual std::optional<std::string> OpenFileRemembering(const std::string& title, const std::string& filter,
                                                           const std::string& folder, int& filterIndex) {
        (void)filterIndex;
        return OpenFile(title, filter, folder);
    }

    // The save dialog every save goes through: a file name typed without an
    // extension gets the filter's, so that the file shows in its open dialog.
    std::optional<std::string> SavePath(const std::string& title, const std::string& filter,
                                        const std::string& folder);
};

// `path` with the first extension of `filter` ("...|*.txt" gives ".txt")
// appended when its file name has none; unchanged otherwise.
std::string WithFilterExtension(const std::string& path, const std::string& filter);

}  // namespace zef
