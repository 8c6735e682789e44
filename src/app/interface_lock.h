#pragma once
// The interface lock of the channel editor. A device's editor can be locked
// with a password: while locked (EditorValues::lock = 1) it shows the values
// but none of its controls sends. Passwords are never kept in clear: for each
// device unique ID the file "locks.cfg" in the data folder holds one line
//   <unique ID> <salt, hex> <iterations> <PBKDF2-HMAC-SHA256 key, hex>
// and is rewritten atomically.

#include <map>
#include <string>

#include "app/dialogs.h"
#include "model/device_model.h"

namespace zef {

inline constexpr const char* kLockFileName = "locks.cfg";
inline constexpr const char* kLockTitle = "Lock Interface with password";
inline constexpr const char* kNewPasswordTitle = "Set new Password";
inline constexpr const char* kWrongPasswordText = "Wrong password";
inline constexpr const char* kNoPasswordText = "No password is set for this device: set a new password first.";
inline constexpr const char* kPasswordMismatchText = "The two passwords differ.";
inline constexpr const char* kEmptyPasswordText = "The password must not be empty.";
inline constexpr const char* kPasswordSetText = "The new password is set.";
inline constexpr const char* kCantSavePasswordText = "Can't save the password file.";

struct PasswordRecord {
    std::string saltHex;
    int iterations = 0;
    std::string keyHex;
};

class PasswordStore {
public:
    // Reads the file in `dataFolder` (a missing or unreadable line is skipped).
    explicit PasswordStore(std::string dataFolder, int iterations = 20000);

    bool has(const std::string& uniqueId) const;
    bool Check(const std::string& uniqueId, const std::string& password) const;
    // Stores a new salted hash for the device; false when the file could not be written.
    bool Set(const std::string& uniqueId, const std::string& password);

    std::string path() const;
    const std::map<std::string, PasswordRecord>& records() const { return records_; }

private:
    bool Save() const;

    std::string folder_;
    int iterations_;
    std::map<std::string, PasswordRecord> records_;
};

enum class LockOutcome { Locked, Unlocked, WrongPassword, NoPassword };

// The lock window's confirm: with the right password the device's lock value
// flips (1 = locked); a wrong one shows "Wrong password".
LockOutcome ToggleLock(PasswordStore& store, Dialogs& dialogs, const std::string& uniqueId,
                       std::int16_t& lockValue, const std::string& password);

enum class NewPasswordOutcome { Set, WrongOld, Empty, Mismatch, NotSaved };

// The new-password window's confirm: the old password must match when one is
// set; the new one must be non-empty and typed twice alike.
NewPasswordOutcome SetNewPassword(PasswordStore& store, Dialogs& dialogs, const std::string& uniqueId,
                                  const std::string& oldPassword, const std::string& newPassword,
                                  const std::string& repeated);

}  // namespace zef
