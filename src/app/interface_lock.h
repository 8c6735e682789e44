#pragma once
// The interface lock of a device. A device's editor can be locked with a
// password: while locked (EditorValues::lock = 1) it shows the values but
// none of its controls sends, and zefctl writes to it only when given the
// password. Passwords are never kept in clear: for each device unique ID the
// file "locks.cfg" in the data folder holds one line
//   <unique ID> <salt, hex> <iterations> <PBKDF2-HMAC-SHA256 key, hex> <locked: 0 or 1>
// (a line without the last field is unlocked). The file is rewritten
// atomically, readable and writable by its owner only (mode 0600).
//
// A key derived with fewer iterations than the store's count is not trusted:
// the device counts as having no password (problem() says why) until a new
// one is set, which the editor then allows without the old one. Its lock
// state is kept.

#include <cstdint>
#include <map>
#include <string>

#include "app/dialogs.h"
#include "model/device_model.h"

namespace zef {

// PBKDF2-HMAC-SHA256 iterations of every new key, and the fewest a kept key
// may have: the count the OWASP Password Storage Cheat Sheet gives for
// PBKDF2-HMAC-SHA256 (600 000).
inline constexpr int kPasswordIterations = 600000;

inline constexpr const char* kLockFileName = "locks.cfg";
inline constexpr const char* kLockTitle = "Lock Interface with password";
inline constexpr const char* kNewPasswordTitle = "Set new Password";
inline constexpr const char* kWrongPasswordText = "Wrong password";
inline constexpr const char* kNoPasswordText = "No password is set for this device: set a new password first.";
inline constexpr const char* kPasswordMismatchText = "The two passwords differ.";
inline constexpr const char* kEmptyPasswordText = "The password must not be empty.";
inline constexpr const char* kPasswordSetText = "The new password is set.";
inline constexpr const char* kCantSavePasswordText = "Can't save the password file.";
inline constexpr const char* kLockNotKeptText = "The lock holds until the program ends, not after a restart.";

struct PasswordRecord {
    std::string saltHex;
    int iterations = 0;
    std::string keyHex;
    bool locked = false;
};

class PasswordStore {
public:
    // Reads the file in `dataFolder` (a malformed line is skipped). New keys
    // get `iterations`; kept keys with fewer are not trusted.
    explicit PasswordStore(std::string dataFolder, int iterations = kPasswordIterations);

    // A trusted password is kept for the device.
    bool has(const std::string& uniqueId) const;
    // Why the device's kept password is not trusted; "" when it is, or when there is none.
    std::string problem(const std::string& uniqueId) const;
    bool Check(const std::string& uniqueId, const std::string& password) const;
    // Stores a new salted hash for the device (its lock state kept); false
    // when the file could not be written.
    bool Set(const std::string& uniqueId, const std::string& password);

    // The device's kept lock state (false without a line for it).
    bool locked(const std::string& uniqueId) const;
    // Keeps the lock state of a device that has a line; false when it has
    // none or the file could not be written.
    bool SetLocked(const std::string& uniqueId, bool locked);

    std::string path() const;

private:
    bool Save() const;
    // Commits a change of records_, or takes it back when the file cannot be written.
    bool Keep(const std::map<std::string, PasswordRecord>& before);

    std::string folder_;
    int iterations_;
    std::map<std::string, PasswordRecord> records_;
};

enum class LockOutcome { Locked, Unlocked, WrongPassword, NoPassword };

// The lock window's confirm: with the right password the device's lock value
// flips (1 = locked) and is kept in the store; a wrong one shows "Wrong
// password". A lock state that cannot be kept is still applied, and the user
// told that it will not survive a restart.
LockOutcome ToggleLock(PasswordStore& store, Dialogs& dialogs, const std::string& uniqueId,
                       std::int16_t& lockValue, const std::string& password);

enum class NewPasswordOutcome { Set, WrongOld, Empty, Mismatch, NotSaved };

// The new-password window's confirm: the old password must match when one is
// set; the new one must be non-empty and typed twice alike.
NewPasswordOutcome SetNewPassword(PasswordStore& store, Dialogs& dialogs, const std::string& uniqueId,
                                  const std::string& oldPassword, const std::string& newPassword,
                                  const std::string& repeated);

}  // namespace zef
