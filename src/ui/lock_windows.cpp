#include "ui/lock_windows.h"

#include <QBoxLayout>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

#include "ui/dialog_parts.h"

namespace zef {
namespace {

QLineEdit* PasswordBox(QWidget* parent, const char* name) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setEchoMode(QLineEdit::Password);
    box->setMinimumWidth(180);
    return box;
}

}  // namespace

LockDialog::LockDialog(PasswordStore& store, Dialogs& dialogs, std::string uniqueId, std::int16_t& lockValue, QWidget* parent)
    : QDialog(parent), store_(store), dialogs_(dialogs), uniqueId_(std::move(uniqueId)), lock_(lockValue) {
    setObjectName("FrmLock");
    setWindowTitle(kLockTitle);
    auto* v = new QVBoxLayout(this);
    v->addWidget(new QLabel(lock_ == 1 ? "The editor is locked. Password to unlock:" : "Password to lock the editor:", this));
    password_ = PasswordBox(this, "TxtPassword");
    v->addWidget(password_);
    AddDialogButtons(this, v, {"OK", "BtnOk", true}, [this] { ClickOk(); });
}

LockOutcome LockDialog::ClickOk() {
    const LockOutcome r = ToggleLock(store_, dialogs_, uniqueId_, lock_, password_->text().toStdString());
    password_->clear();
    if (r == LockOutcome::Locked || r == LockOutcome::Unlocked || r == LockOutcome::NoPassword) accept();
    return r;
}

NewPasswordDialog::NewPasswordDialog(PasswordStore& store, Dialogs& dialogs, std::string uniqueId, QWidget* parent)
    : QDialog(parent), store_(store), dialogs_(dialogs), uniqueId_(std::move(uniqueId)) {
    setObjectName("FrmNewPassword");
    setWindowTitle(kNewPasswordTitle);
    auto* v = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    old_ = PasswordBox(this, "TxtOldPassword");
    new_ = PasswordBox(this, "TxtNewPassword");
    repeat_ = PasswordBox(this, "TxtRepeatPassword");
    if (store_.has(uniqueId_)) form->addRow("Old password", old_);
    else old_->hide();
    form->addRow("New password", new_);
    form->addRow("Repeat", repeat_);
    v->addLayout(form);
    AddDialogButtons(this, v, {"OK", "BtnOk", true}, [this] { ClickOk(); });
}

NewPasswordOutcome NewPasswordDialog::ClickOk() {
    const NewPasswordOutcome r = SetNewPassword(store_, dialogs_, uniqueId_, old_->text().toStdString(),
                                                new_->text().toStdString(), repeat_->text().toStdString());
    old_->clear();
    new_->clear();
    repeat_->clear();
    if (r == NewPasswordOutcome::Set) accept();
    return r;
}

}  // namespace zef
