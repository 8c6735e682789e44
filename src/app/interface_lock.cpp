#include "app/interface_lock.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QPasswordDigestor>
#include <QRandomGenerator>
#include <QString>
#include <QStringList>
#include <filesystem>
#include <optional>
#include <utility>

#include "base/utf8_path.h"
#include "files/binary_io.h"
#include "base/input_file.h"

namespace zef {
namespace {

constexpr int kKeyLength = 32;
// One line per device: a few hundred devices at most.
constexpr std::size_t kMaxLockFileBytes = 1u << 20;

QByteArray Derive(const std::string& password, const QByteArray& salt, int iterations) {
    return QPasswordDigestor::deriveKeyPbkdf2(QCryptographicHash::Sha256, QByteArray::fromStdString(password),
                                              salt, iterations, kKeyLength);
}

// One line of the file; nullopt for a malformed one.
std::optional<std::pair<std::string, PasswordRecord>> ParseLine(const QString& line) {
    const QStringList parts = line.split(' ', Qt::SkipEmptyParts);
    if (parts.size() != 4 && parts.size() != 5) return std::nullopt;
    bool ok = false;
    const int n = parts[2].toInt(&ok);
    if (!ok || n <= 0) return std::nullopt;
    if (parts.size() == 5 && parts[4] != "0" && parts[4] != "1") return std::nullopt;
    PasswordRecord r{parts[1].toStdString(), n, parts[3].toStdString(), parts.size() == 5 && parts[4] == "1"};
    return std::make_pair(parts[0].toStdString(), r);
}

}  // namespace

PasswordStore::PasswordStore(std::string dataFolder, int iterations)
    : folder_(std::move(dataFolder)), iterations_(iterations) {
    const FileBytes file = ReadWholeFile(path(), kMaxLockFileBytes);
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(file.bytes.data()),
                                           static_cast<qsizetype>(file.bytes.size()));
    for (const QString& line : text.split('\n'))
        if (const auto parsed = ParseLine(line.trimmed())) records_[parsed->first] = parsed->second;
}

std::string PasswordStore::path() const { return Utf8Join(folder_, kLockFileName); }

bool PasswordStore::has(const std::string& uniqueId) const {
    const auto it = records_.find(uniqueId);
    return it != records_.end() && it->second.iterations >= iterations_;
}

std::string PasswordStore::problem(const std::string& uniqueId) const {
    const auto it = records_.find(uniqueId);
    if (it == records_.end() || has(uniqueId)) return {};
    return "The password of this device was kept with " + std::to_string(it->second.iterations) +
           " PBKDF2 iterations, fewer than the " + std::to_string(iterations_) +
           " this program requires: set a new password.";
}

bool PasswordStore::Check(const std::string& uniqueId, const std::string& password) const {
    if (!has(uniqueId)) return false;
    const PasswordRecord& r = records_.at(uniqueId);
    const QByteArray salt = QByteArray::fromHex(QByteArray::fromStdString(r.saltHex));
    const QByteArray key = Derive(password, salt, r.iterations);
    const QByteArray expected = QByteArray::fromHex(QByteArray::fromStdString(r.keyHex));
    if (key.size() != expected.size()) return false;
    unsigned char diff = 0;  // compare every byte, whatever the first difference
    for (int i = 0; i < key.size(); ++i) diff |= static_cast<unsigned char>(key[i] ^ expected[i]);
    return diff == 0;
}

bool PasswordStore::Set(const std::string& uniqueId, const std::string& password) {
    QByteArray salt(16, '\0');
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32*>(salt.data()), salt.size() / 4);
    const auto before = records_;
    PasswordRecord& r = records_[uniqueId];
    r.saltHex = salt.toHex().toStdString();
    r.iterations = iterations_;
    r.keyHex = Derive(password, salt, iterations_).toHex().toStdString();
    return Keep(before);
}

bool PasswordStore::locked(const std::string& uniqueId) const {
    const auto it = records_.find(uniqueId);
    return it != records_.end() && it->second.locked;
}

bool PasswordStore::SetLocked(const std::string& uniqueId, bool locked) {
    const auto it = records_.find(uniqueId);
    if (it == records_.end()) return false;
    const auto before = records_;
    it->second.locked = locked;
    return Keep(before);
}

bool PasswordStore::Keep(const std::map<std::string, PasswordRecord>& before) {
    if (Save()) return true;
    records_ = before;
    return false;
}

bool PasswordStore::Save() const {
    std::string text;
    for (const auto& [id, r] : records_)
        text += id + ' ' + r.saltHex + ' ' + std::to_string(r.iterations) + ' ' + r.keyHex + ' ' +
                (r.locked ? '1' : '0') + '\n';
    return WritePrivateFileAtomic(path(), std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

LockOutcome ToggleLock(PasswordStore& store, Dialogs& dialogs, const std::string& uniqueId,
                       std::int16_t& lockValue, const std::string& password) {
    if (!store.has(uniqueId)) {
        const std::string problem = store.problem(uniqueId);
        dialogs.Message(kLockTitle, problem.empty() ? kNoPasswordText : problem, Icon::Information);
        return LockOutcome::NoPassword;
    }
    if (!store.Check(uniqueId, password)) {
        dialogs.Message(kLockTitle, kWrongPasswordText, Icon::Critical);
        return LockOutcome::WrongPassword;
    }
    lockValue = lockValue == 1 ? 0 : 1;
    if (!store.SetLocked(uniqueId, lockValue == 1))
        dialogs.Message(kLockTitle, std::string(kCantSavePasswordText) + "\r\n" + kLockNotKeptText, Icon::Critical);
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
