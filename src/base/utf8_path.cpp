#include "base/utf8_path.h"

#ifdef _WIN32
#include <share.h>
#endif

namespace zef {

std::filesystem::path PathFromUtf8(std::string_view utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Utf8FromPath(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::string Utf8FileName(std::string_view utf8) { return Utf8FromPath(PathFromUtf8(utf8).filename()); }

std::string Utf8Join(std::string_view folder, std::string_view name) {
    return Utf8FromPath(PathFromUtf8(folder) / PathFromUtf8(name));
}

std::FILE* OpenCFile(std::string_view utf8, const char* mode) {
    const std::filesystem::path path = PathFromUtf8(utf8);
#ifdef _WIN32
    std::wstring wideMode;
    for (const char* c = mode; *c != '\0'; ++c) wideMode.push_back(static_cast<wchar_t>(*c));
    // Shared like fopen's files (the _s variant would lock other readers out).
    return _wfsopen(path.c_str(), wideMode.c_str(), _SH_DENYNO);
#else
    return std::fopen(path.c_str(), mode);
#endif
}

}  // namespace zef
