// The README and the pages in docs/ name only files that exist: a path into
// src/, tools/, tests/, bench/ or docs/ is a file or folder of the tree, a
// benchmark under build/bench/ has its source in bench/, and a build folder
// is one that ./zef makes. A second test shows that a wrong name is caught.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include "temp_folder.h"

namespace {

namespace fs = std::filesystem;

// Every path a page names that is not in the tree, as "page: path".
std::vector<std::string> MissingPaths(const fs::path& root) {
    static const std::regex path(R"((^|[^A-Za-z0-9_/.-])((src|tools|tests|bench|docs|build[-a-z]*)/[A-Za-z0-9_./*-]+))");
    std::vector<fs::path> pages = {root / "README.md"};
    for (const auto& entry : fs::directory_iterator(root / "docs"))
        if (entry.path().extension() == ".md") pages.push_back(entry.path());
    std::vector<std::string> missing;
    for (const fs::path& page : pages) {
        std::ifstream in(page);
        const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        for (auto it = std::sregex_iterator(text.begin(), text.end(), path); it != std::sregex_iterator(); ++it) {
            std::string p = (*it)[2];
            while (!p.empty() && p.back() == '.') p.pop_back();  // the end of a sentence
            const std::string top = (*it)[3];
            bool ok = true;
            if (p.find('*') != std::string::npos) {
                continue;  // a pattern
            } else if (p.rfind("build/bench/", 0) == 0) {
                ok = fs::exists(root / "bench" / (p.substr(12) + ".cpp"));
            } else if (top.rfind("build", 0) == 0) {
                ok = top == "build" || top == "build-asan" || top == "build-fuzz";  // the folders ./zef makes
            } else {
                ok = fs::exists(root / p);
            }
            if (!ok) missing.push_back(page.filename().string() + ": " + p);
        }
    }
    return missing;
}

TEST(Docs, EveryNamedFileExists) {
    const std::vector<std::string> missing = MissingPaths(ZEF_SOURCE_DIR);
    std::string list;
    for (const std::string& m : missing) list += m + "\n";
    EXPECT_TRUE(missing.empty()) << list;
}

TEST(Docs, AWrongNameIsFound) {
    zef::test::TempFolder tree;
    fs::create_directories(tree.path() / "docs");
    fs::create_directories(tree.path() / "src/files");
    fs::create_directories(tree.path() / "bench");
    std::ofstream(tree.path() / "src/files/sfu_file.h");
    std::ofstream(tree.path() / "bench/bench_firmware.cpp");
    std::ofstream(tree.path() / "README.md") << "See `src/files/sfu_file.h` and `src/ui/*.cpp`.\n";
    std::ofstream(tree.path() / "docs/firmware.md")
        << "Host side: `src/platform/sfu_file.h`. Measured with `build-fw/bench/bench_firmware`, "
           "`build/bench/bench_firmware` and `build/bench/bench_nothing`.\n";
    EXPECT_EQ(MissingPaths(tree.path()), (std::vector<std::string>{"firmware.md: src/platform/sfu_file.h",
                                                                   "firmware.md: build-fw/bench/bench_firmware",
                                                                   "firmware.md: build/bench/bench_nothing"}));
}

}  // namespace
