#include "app/dialogs.h"

namespace zef {

std::string WithFilterExtension(const std::string& path, const std::string& filter) {
    const std::size_t bar = filter.find('|');
    if (bar == std::string::npos) return path;
    const std::size_t start = filter.find_first_not_of(" ;", bar + 1);
    if (start == std::string::npos) return path;
    const std::string pattern = filter.substr(start, filter.find_first_of(" ;|", start) - start);
    if (pattern.size() < 3 || pattern.compare(0, 2, "*.") != 0 || pattern.find('*', 1) != std::string::npos)
        return path;
    const std::size_t slash = path.find_last_of("/\\");
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.empty() || name.find('.') != std::string::npos) return path;
    return path + pattern.substr(1);
}

std::optional<std::string> Dialogs::SavePath(const std::string& title, const std::string& filter,
                                             const std::string& folder) {
    std::optional<std::string> path = SaveFile(title, filter, folder);
    if (path) *path = WithFilterExtension(*path, filter);
    return path;
}

}  // namespace zef
