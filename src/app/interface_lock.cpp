#include "app/interface_lock.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QFile>
#include <QPasswordDigestor>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QTextStream>
#include <filesystem>

namespace zef {
namespace {

constexpr int kKeyLength = 32;

QByteArray Derive(const std::string& password, const QByteArray& salt, int iterations) {
    return QPasswordDigestor::deriveKeyPbkdf2(QCryptographicHash::Sha256, QByteArray::fromStdString(password),
                                              salt, iterations, kKeyLength);
}

}  // namespace

PasswordStore::PasswordStore(std::string dataFolder, int iterations)
    : folder_(std::move(dataFolder)), iterations_(iterations) {
    QFile file(QString::fromStdString(path()));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return;
    QTextStream in(&file);
    while (!in.atEnd()) {
        const QStringList parts = in.readLine().split(' ', Qt::SkipEmptyParts);
        bool ok = false;
        if (parts.size() != 4) continue;
        const int n = parts[2].toInt(&ok);
        if (!ok || n <= 0) continue;
        records_[parts[0].toStdString()] = {parts[1].toStdString(), n, parts[3].toStdString()};
    }
}

std::string PasswordStore::path() const { return (std::filesystem::path(folder_) / kLockFileName).string(); }

bool PasswordStore::has(const std::string& uniqueId) const { return records_.count(uniqueId) != 0; }

bool PasswordStore::Check(const std::string& uniqueId, const std::string& password) const {
    const auto it = records_.find(uniqueId);
    if (it == records_.end()) return false;
    const QByteArray salt = QByteArray::fromHex(QByteArray::fromStdString(it->second.saltHex));
    const QByteArray key = Derive(password, salt, it->second.iterations);
    const QByteArray expected = QByteArray::fromHex(QByteArray::fromStdString(it->second.keyHex));
    if (key.size() != expected.size()) return false;
    unsigned char diff = 0;  // compare every byte, whatever the first difference
    for (int i = 0; i < key.size(); ++i) diff |= static_cast<unsigned char>(key[i] ^ expected[i]);
    return diff == 0;
}

bool PasswordStore::Set(const std::string& uniqueId, const std::string& password) {
    QByteArray salt(16, '\0');
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32*>(salt.data()), salt.size() / 4);
    PasswordRecord record{salt.toHex().toStdString(), iterations_, Derive(password, salt, iterations_).toHex().toStdString()};
    const auto saved = records_;
    records_[uniqueId] = record;
    if (Save()) return true;
    records_ = saved;
    return false;
}

bool PasswordStore::Save() const {
    QSaveFile file(QString::fromStdString(path()));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) return false;
    QTextStream out(&file);
    for (const auto& [id, r] : records_)
        out << QString::fromStdString(id) << ' ' << QString::fromStdString(r.saltHex) << ' ' << r.iterations << ' '
            << QString::fromStdString(r.keyHex) << '\n';
    out.flush();
    return file.commit();
}

LockOutcome ToggleLock(PasswordStore& store, Dialogs& dialogs, const std::string& uniqueId,
                       std::int16_t& lockValue, const std::string& password) {
    if (!store.has(uniqueId)) {
        dialogs.Message(kLockTitle, kNoPasswordText, Icon::Information);
        return LockOutcome::NoPassword;
    }
    if (!store.Check(uniqueId, password)) {
        dialogs.Message(kLockTitle, kWrongPasswordText, Icon::Critical);
        return LockOutcome::WrongPassword;
    }
    lockValue = lockValue == 1 ? 0 : 1;
    return lockValue == 1 ? LockOutcome::Locked : LockOutcome::Unlocked;
}

NewPasswordOutcome SetNewPassword(PasswordStore& store, Dialogs& dialogs, const std::string& uniqueId,
                                  const std::string& oldPassword, const std::string& newPassword,
                                  const std::string& repeated) {
    if (store.has(uniqueId) && !store.Check(uniqueId, oldPassword)) {
        dialogs.Message(kNewPasswordTitle, kWrongPasswordText, Icon::Critical);
        return NewPasswordOutcome::WrongOld;
    }
    if (newPassword.empty()) {
        dialogs.Message(kNewPasswordTitle, kEmptyPasswordText, Icon::Exclamation);
        return NewPasswordOutcome::Empty;
    }
    if (newPassword != repeated) {
        dialogs.Message(kNewPasswordTitle, kPasswordMismatchText, Icon::Exclamation);
        return NewPasswordOutcome::Mismatch;
    }
    if (!store.Set(uniqueId, newPassword)) {
        dialogs.Message(kNewPasswordTitle, kCantSavePasswordText, Icon::Critical);
        return NewPasswordOutcome::NotSaved;
    }
    dialogs.Message(kNewPasswordTitle, kPasswordSetText, Icon::Information);
    return NewPasswordOutcome::Set;
}

}  // namespace zef
