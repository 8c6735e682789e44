#pragma once
// The interface-lock windows of the channel editor: "Lock Interface with
// password" (one password box; the right password locks an unlocked
// editor and unlocks a locked one) and "Set new Password" (old password
// when one is set, the new one twice).

#include <QDialog>
#include <string>

#include "app/interface_lock.h"

class QLineEdit;

namespace zef {

class LockDialog final : public QDialog {
    Q_OBJECT
public:
    LockDialog(PasswordStore& store, Dialogs& dialogs, std::string uniqueId, std::int16_t& lockValue,
            QWidget* parent = nullptr);
    QLineEdit* password() const { return password_; }
    LockOutcome ClickOk();

private:
    PasswordStore& store_;
    Dialogs& dialogs_;
    std::string uniqueId_;
    std::int16_t& lock_;
    QLineEdit* password_ = nullptr;
};

class NewPasswordDialog final : public QDialog {
    Q_OBJECT
public:
    NewPasswordDialog(PasswordStore& store, Dialogs& dialogs, std::string uniqueId, QWidget* parent = nullptr);
    QLineEdit* oldPassword() const { return old_; }
    QLineEdit* newPassword() const { return new_; }
    QLineEdit* repeated() const { return repeat_; }
    NewPasswordOutcome ClickOk();

private:
    PasswordStore& store_;
    Dialogs& dialogs_;
    std::string uniqueId_;
    QLineEdit* old_ = nullptr;
    QLineEdit* new_ = nullptr;
    QLineEdit* repeat_ = nullptr;
};

}  // namespace zef
