// The interface lock: passwords kept only as salted keys in a file of the
// owner's only, the lock state kept with them, and keys made with too few
// iterations refused.
#include "app/interface_lock.h"

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QPasswordDigestor>
#include <filesystem>

#include "files/binary_io.h"
#include "base/input_file.h"
#include "recording_dialogs.h"
#include "temp_folder.h"

namespace zef {
namespace {

// Few iterations keep the tests quick; the store's own count is the minimum.
constexpr int kTestIterations = 1000;

std::string FileText(const std::string& path) {
    const FileBytes file = ReadWholeFile(path, 1 << 20);
    return std::string(file.bytes.begin(), file.bytes.end());
}

// A locks.cfg line for `password` made with `iterations`, as an older program would have kept it.
std::string LineFor(const std::string& id, const std::string& password, int iterations, const char* locked) {
    const QByteArray salt = QByteArray::fromHex("00112233445566778899aabbccddeeff");
    const QByteArray key = QPasswordDigestor::deriveKeyPbkdf2(QCryptographicHash::Sha256,
                                                              QByteArray::fromStdString(password), salt, iterations, 32);
    return id + " " + salt.toHex().toStdString() + " " + std::to_string(iterations) + " " +
           key.toHex().toStdString() + (*locked ? std::string(" ") + locked : "") + "\n";
}

void WriteText(const std::string& path, const std::string& text) {
    ASSERT_TRUE(WriteFileAtomic(path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size())));
}

TEST(PasswordStore, KeepsOnlyASaltedHashAndChecksIt) {
    test::TempFolder folder;
    RecordingDialogs dialogs;
    {
        PasswordStore store(folder.path().string(), kTestIterations);
        EXPECT_EQ(SetNewPassword(store, dialogs, "UID1", "", "secret-word", "secret-wurd"), NewPasswordOutcome::Mismatch);
        EXPECT_EQ(SetNewPassword(store, dialogs, "UID1", "", "", ""), NewPasswordOutcome::Empty);
        EXPECT_EQ(SetNewPassword(store, dialogs, "UID1", "", "secret-word", "secret-word"), NewPasswordOutcome::Set);
        EXPECT_EQ(SetNewPassword(store, dialogs, "UID1", "wrong", "other", "other"), NewPasswordOutcome::WrongOld);
    }
    const std::string path = (folder.path() / kLockFileName).string();
    EXPECT_EQ(FileText(path).find("secret-word"), std::string::npos);
    // Nobody but its owner may read the keys.
    EXPECT_EQ(std::filesystem::status(path).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);

    PasswordStore again(folder.path().string(), kTestIterations);  // read back from the file
    std::int16_t lock = 0;
    EXPECT_EQ(ToggleLock(again, dialogs, "UID1", lock, "nope"), LockOutcome::WrongPassword);
    EXPECT_EQ(lock, 0);
    EXPECT_EQ(ToggleLock(again, dialogs, "UID2", lock, "secret-word"), LockOutcome::NoPassword);
}

TEST(PasswordStore, TheLockStateOutlivesTheProgram) {
    test::TempFolder folder;
    const std::string dir = folder.path().string();
    RecordingDialogs dialogs;
    std::int16_t lock = 0;
    {
        PasswordStore store(dir, kTestIterations);
        ASSERT_EQ(SetNewPassword(store, dialogs, "UID1", "", "pw", "pw"), NewPasswordOutcome::Set);
        ASSERT_EQ(SetNewPassword(store, dialogs, "UID2", "", "pw2", "pw2"), NewPasswordOutcome::Set);
        EXPECT_EQ(ToggleLock(store, dialogs, "UID1", lock, "pw"), LockOutcome::Locked);
    }
    for (int run = 0; run < 4; ++run) {  // each run is a restart: a new store on the same folder
        SCOPED_TRACE(run);
        PasswordStore store(dir, kTestIterations);
        const bool locked = run % 2 == 0;
        EXPECT_EQ(store.locked("UID1"), locked);
        EXPECT_FALSE(store.locked("UID2"));
        EXPECT_FALSE(store.locked("UID3"));
        std::int16_t value = store.locked("UID1") ? 1 : 0;
        EXPECT_EQ(ToggleLock(store, dialogs, "UID1", value, "pw"), locked ? LockOutcome::Unlocked : LockOutcome::Locked);
    }
    // A new password keeps the device locked.
    PasswordStore store(dir, kTestIterations);
    lock = 0;
    ASSERT_EQ(ToggleLock(store, dialogs, "UID1", lock, "pw"), LockOutcome::Locked);
    ASSERT_EQ(SetNewPassword(store, dialogs, "UID1", "pw", "new", "new"), NewPasswordOutcome::Set);
    EXPECT_TRUE(PasswordStore(dir, kTestIterations).locked("UID1"));
    EXPECT_TRUE(PasswordStore(dir, kTestIterations).Check("UID1", "new"));
}

TEST(PasswordStore, KeysWithTooFewIterationsAreNotTrusted) {
    test::TempFolder folder;
    const std::string dir = folder.path().string();
    const std::string path = (folder.path() / kLockFileName).string();
    // The program's own store: a key of 20000 iterations (the count of earlier
    // versions) is below its minimum, whatever the password.
    WriteText(path, LineFor("OLD", "pw", 20000, "") + LineFor("LOCKED", "pw", 20000, "1"));
    {
        const PasswordStore store(dir);
        EXPECT_FALSE(store.has("OLD"));
        EXPECT_FALSE(store.Check("OLD", "pw"));
        EXPECT_EQ(store.problem("OLD"),
                  "The password of this device was kept with 20000 PBKDF2 iterations, fewer than the 600000 this "
                  "program requires: set a new password.");
        EXPECT_TRUE(store.locked("LOCKED"));  // the lock state is kept
        EXPECT_EQ(store.problem("NONE"), "");
    }
    // One below the minimum is refused, the minimum itself is trusted.
    WriteText(path, LineFor("BELOW", "pw", kTestIterations - 1, "1") + LineFor("AT", "pw", kTestIterations, "0") +
                        "BAD 00 x 00\nSHORT 00 1000\n");
    PasswordStore store(dir, kTestIterations);
    EXPECT_TRUE(store.Check("AT", "pw"));
    EXPECT_FALSE(store.Check("BELOW", "pw"));
    EXPECT_FALSE(store.has("BAD"));
    RecordingDialogs dialogs;
    std::int16_t lock = 1;
    EXPECT_EQ(ToggleLock(store, dialogs, "BELOW", lock, "pw"), LockOutcome::NoPassword);
    EXPECT_EQ(lock, 1);
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_EQ(dialogs.messages()[0].text, store.problem("BELOW"));
    // A new password replaces the refused key; the device stays locked until unlocked with it.
    EXPECT_EQ(SetNewPassword(store, dialogs, "BELOW", "", "fresh", "fresh"), NewPasswordOutcome::Set);
    PasswordStore again(dir, kTestIterations);
    EXPECT_TRUE(again.locked("BELOW"));
    EXPECT_EQ(ToggleLock(again, dialogs, "BELOW", lock, "fresh"), LockOutcome::Unlocked);
}

}  // namespace
}  // namespace zef
