#pragma once
// The dialogs seam on Qt: QMessageBox for messages and questions, QFileDialog
// for file names. Texts are shown as given, with CR LF line breaks turned
// into the line breaks Qt draws.

#include <QMessageBox>
#include <QPointer>
#include <vector>
#include <QString>
#include <QWidget>

#include "app/dialogs.h"

namespace zef {

// "Desc (*.Ext)|*.ext[|Desc2|*.x;*.y...]" (description and pattern pairs) in
// Qt's form "Desc (*.Ext *.ext);;Desc2 (*.x *.y)": a parenthesised pattern
// list at the end of a description is merged with the pair's own patterns,
// duplicates dropped, so both spellings of an extension match on a
// case-sensitive file system. A lone description without a pattern keeps
// only what its own parentheses list; an empty filter gives "".
QString QtFileFilter(const std::string& filter);

// CR LF and lone CR become "\n".
QString QtMessageText(const std::string& text);

class QtDialogs final : public Dialogs {
public:
    explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}
    // The fallback owner of the boxes; may change once the main window exists.
    void SetParent(QWidget* parent) { parent_ = parent; }
    // The window a box belongs to: the window that asked — the open modal
    // window, else the active window (the one the user clicked in, or the
    // one a timer's message finds in front) — and only without either the
    // fallback. A box owned by the main window would raise it above a
    // separate editor or wizard window, hiding the window that asked.
    QWidget* Owner() const;

    void Message(const std::string& title, const std::string& text, Icon icon) override;
    Answer Ask(const std::string& title, const std::string& text, Buttons buttons, Icon icon) override;
    std::optional<std::string> OpenFile(const std::string& title, const std::string& filter,
                                        const std::string& folder) override;
    std::optional<std::string> SaveFile(const std::string& title, const std::string& filter,
                                        const std::string& folder) override;
    void Withdraw(const std::string& title, const std::string& text) override;
    std::optional<std::string> OpenFileRemembering(const std::string& title, const std::string& filter,
                                                   const std::string& folder, int& filterIndex) override;

private:
    QPointer<QWidget> parent_;
    // The message boxes open now (nested boxes stack up).
    std::vector<QPointer<QMessageBox>> open_;
};

}  // namespace zef
