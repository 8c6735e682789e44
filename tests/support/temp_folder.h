#pragma once
// A folder of its own under the system's temporary folder, for one test or
// one benchmark, removed with everything in it at the end.

#include <filesystem>
#include <string>

namespace zef::test {

class TempFolder {
public:
    // Throws std::runtime_error when no folder can be made.
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // The UTF-8 path of `name` (UTF-8) inside the folder; "" gives the folder
    // with a trailing separator.
    std::string file(const std::string& name) const;

private:
    std::filesystem::path path_;
};

}  // namespace zef::test
