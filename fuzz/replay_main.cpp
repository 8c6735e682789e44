// Replays a fuzz target's corpus once, as an ordinary test program built by
// any compiler: every file named on the command line, or inside a folder
// named there, goes through the target's entry point. A broken invariant
// aborts (fuzz_check.h); a clean run prints how many inputs passed.

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <vector>

#include "fuzz_check.h"

namespace {

int Replay(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        std::cerr << "cannot read " << file << "\n";
        return 1;
    }
    const std::vector<char> chars((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::uint8_t> bytes(chars.begin(), chars.end());
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    std::vector<fs::path> files;
    for (int i = 1; i < argc; ++i) {
        const fs::path p(argv[i]);
        if (fs::is_directory(p)) {
            for (const auto& entry : fs::directory_iterator(p))
                if (entry.is_regular_file()) files.push_back(entry.path());
        } else {
            files.push_back(p);
        }
    }
    std::sort(files.begin(), files.end());
    if (files.empty()) {
        std::cerr << "no inputs to replay\n";
        return 1;
    }
    int failures = 0;
    for (const auto& f : files) failures += Replay(f);
    std::cout << files.size() - static_cast<std::size_t>(failures) << " passed, " << failures << " failed\n";
    return failures == 0 ? 0 : 1;
}
