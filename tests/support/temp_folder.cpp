#include "temp_folder.h"

#include <random>
#include <stdexcept>
#include <system_error>

#include "base/utf8_path.h"

namespace zef::test {

// A random name, made exclusively: create_directory is false when the name
// exists already, and another name is tried.
TempFolder::TempFolder() {
    std::random_device seed;
    std::mt19937_64 random(seed());
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = "zef-test-";
        for (int i = 0; i < 10; ++i) name += kDigits[random() % (sizeof kDigits - 1)];
        std::error_code ec;
        if (std::filesystem::create_directory(base / name, ec)) {
            path_ = base / name;
            std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::replace, ec);
            return;
        }
        if (ec) break;
    }
    throw std::runtime_error("cannot make a temporary folder");
}

TempFolder::~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::string TempFolder::file(const std::string& name) const { return Utf8FromPath(path_ / PathFromUtf8(name)); }

}  // namespace zef::test
