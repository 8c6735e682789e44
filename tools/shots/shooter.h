#pragma once
// What every set of screenshots uses: the PNG writer and the dialogs that
// answer every question alike while the windows are shot.

#include <QString>
#include <optional>
#include <string>
#include <vector>

#include "app/dialogs.h"
#include "model/slots.h"

class QWidget;

namespace zef {

class EditorSession;

namespace shots {

// Writes windows as FOLDER/NAME.png and prints each path written; a file
// that cannot be written is reported on stderr and makes ok() false.
class Shooter {
public:
    explicit Shooter(QString folder) : folder_(std::move(folder)) {}

    // Shows `window`, lets it paint and writes it; then hides it unless `keepShown`.
    void Save(QWidget& window, const QString& name, bool keepShown = false);
    bool ok() const { return ok_; }

private:
    QString folder_;
    bool ok_ = true;
};

// Rendering windows asks nobody: every question gets `answer`, file dialogs
// are cancelled, and messages are kept (title, text) for a report.
class ShotDialogs final : public Dialogs {
public:
    explicit ShotDialogs(Answer answer) : answer_(answer) {}

    void Message(const std::string& title, const std::string& text, Icon) override {
        messages_.push_back({title, text});
    }
    Answer Ask(const std::string&, const std::string&, Buttons, Icon) override { return answer_; }
    std::optional<std::string> OpenFile(const std::string&, const std::string&, const std::string&) override {
        return std::nullopt;
    }
    std::optional<std::string> SaveFile(const std::string&, const std::string&, const std::string&) override {
        return std::nullopt;
    }

    // The messages shown, one line each on stderr.
    void Report() const;

private:
    Answer answer_;
    std::vector<std::pair<std::string, std::string>> messages_;
};

// Lists "Stage Left" at `ip` in `slot` as a LAN device and connects to it
// (reading its settings). False, with a line on stderr, when it does not answer.
bool ConnectStageLeft(EditorSession& session, DeviceSlot slot, const std::string& ip);

// A line "zefshots: WHAT" on stderr; false.
bool Fail(const std::string& what);

}  // namespace shots
}  // namespace zef
