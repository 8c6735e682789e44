#include "program_info.h"

#include <algorithm>
#include <sstream>

#include "build_version.h"
#include "model/parameters.h"

namespace zefctl {
namespace {

// The words of a sub-command of its own that follow the command's name in
// `usage` ("preset store|recall HOST ... | preset save ..." gives store,
// recall and save); placeholders (HOST) and options (--usb) are none.
std::vector<std::string> SubWords(const std::string& name, const std::string& usage) {
    std::vector<std::string> words;
    std::istringstream tokens(usage);
    std::string previous, token;
    while (tokens >> token) {
        if (previous == name) {
            std::istringstream parts(token);
            std::string part;
            while (std::getline(parts, part, '|')) {
                const bool word = !part.empty() && part[0] != '-' &&
                                  std::all_of(part.begin(), part.end(),
                                              [](char c) { return (c >= 'a' && c <= 'z') || c == '-'; });
                if (word) words.push_back(part);
            }
        }
        previous = token;
    }
    return words;
}

}  // namespace

std::vector<std::string> CompletionCommands(const SubCommandTable& table) {
    std::vector<std::string> lines;
    const auto add = [&](const std::string& line) {
        if (std::find(lines.begin(), lines.end(), line) == lines.end()) lines.push_back(line);
    };
    for (const SubCommand& c : table) {
        const std::vector<std::string> subs = SubWords(c.name, c.usage);
        if (subs.empty()) add(c.name);
        for (const std::string& sub : subs) add(c.name + " " + sub);
    }
    return lines;
}

std::vector<std::string> CompletionOptions(const SubCommandTable& table) {
    std::vector<std::string> names;
    for (const SubCommand& c : table)
        for (const OptionSpec& o : c.options)
            if (std::find(names.begin(), names.end(), o.name) == names.end()) names.push_back(o.name);
    return names;
}

std::optional<int> AnswerProgramInfo(const SubCommandTable& table, const std::vector<std::string>& args,
                                     std::ostream& out) {
    if (args.size() != 1) return std::nullopt;
    if (args[0] == "--version") {
        out << "zefctl " << zef::kBuildVersion << "\n";
    } else if (args[0] == "--list-commands") {
        for (const std::string& line : CompletionCommands(table)) out << line << "\n";
    } else if (args[0] == "--list-options") {
        for (const std::string& name : CompletionOptions(table)) out << name << "\n";
    } else if (args[0] == "--list-parameters") {
        for (const zef::Parameter& p : zef::AllParameters()) out << p.name << "\n";
    } else {
        return std::nullopt;
    }
    return kExitOk;
}

}  // namespace zefctl
