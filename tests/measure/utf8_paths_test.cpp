// Files under a folder whose name is not ASCII, through the product's own
// writers and readers: the bytes land in that folder (found again through a
// path built from UTF-8 text, independently of the program's helpers), they
// are the bytes the same writer puts in a plain folder, and the reader gives
// back what was written.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "audio/wav_file.h"
#include "base/utf8_path.h"
#include "files/fir_import.h"
#include "files/preset_file.h"
#include "files/project_file.h"
#include "measure/fir_design_io.h"
#include "model/device_model.h"
#include "temp_folder.h"

namespace zef {
namespace {

namespace fs = std::filesystem;

// What a reader gave back, as text to compare; "error: ..." when it refused.
using ReadBack = std::function<std::string(const std::string& path)>;
using Write = std::function<bool(const std::string& path)>;

struct FileCase {
    const char* what;
    const char8_t* unicodeName;  // the file's name in the non-ASCII folder
    const char* plainName;       // and in the plain one
    Write write;
    ReadBack read;
};

std::vector<double> Ramp(std::size_t n, double scale) {
    std::vector<double> v(n);
    for (std::size_t i = 0; i < n; ++i) v[i] = scale * (static_cast<double>(i % 17) - 8.0) / 9.0;
    return v;
}

std::string Join(const std::vector<double>& values) {
    std::ostringstream out;
    out.precision(17);
    for (double v : values) out << v << ' ';
    return out.str();
}

DeviceModel Patterned() {
    DeviceModel d;
    for (std::size_t i = 0; i < kPresetSize; ++i) d.preset[i] = static_cast<std::uint8_t>(i * 11 + 5);
    for (std::size_t o = 0; o < 2; ++o)
        for (std::size_t t = 0; t < kFirTapCount; ++t)
            d.firTaps[o][t] = static_cast<std::uint32_t>((t * 7919u + o * 31u) & 0xFFFFFF);
    return d;
}

std::vector<FileCase> Cases() {
    return {
        {"project", u8"Bühne – Größe.prp", "stage.prp",
         [](const std::string& path) {
             auto m = std::make_unique<Model>();
             m->windowValueA = 321;
             m->windowValueB = -12;
             return SaveProject(path, *m);
         },
         [](const std::string& path) {
             auto m = std::make_unique<Model>();
             const LoadProjectResult r = LoadProject(path, *m);
             if (!r.ok) return "error: " + r.problem;
             return std::to_string(m->windowValueA) + " " + std::to_string(m->windowValueB);
         }},
        {"preset", u8"Préréglage ÆØ.prs", "preset.prs", [](const std::string& path) { return SavePresetFile(path, Patterned()); },
         [](const std::string& path) {
             const PresetFileResult r = LoadPresetFile(path);
             if (!r.ok()) return "error: " + r.problem;
             const DeviceModel expected = Patterned();
             const bool same = r.data.firTaps == expected.firTaps &&
                               r.data.preset.bytes == expected.preset.bytes;
             return std::string(same ? "same preset and taps" : "different");
         }},
        {"WAV", u8"Messung 東京.wav", "sweep.wav",
         [](const std::string& path) { return audio::WriteWavAtomic(path, Ramp(4800, 0.5), 48000).empty(); },
         [](const std::string& path) {
             audio::WavData data;
             const std::string error = audio::ReadWav(path, data);
             if (!error.empty()) return "error: " + error;
             return std::to_string(data.sampleRate) + " " + Join(data.Channel(0));
         }},
        {"FIR text", u8"Fenêtre ñ.txt", "fir.txt",
         [](const std::string& path) { return measure::WriteDesignedFirFile(path, Ramp(384, 0.01)); },
         [](const std::string& path) {
             const fir::FirImportResult r = fir::ImportFirFile(path, false);
             if (!r.ok()) return "error: " + r.problem;
             return Join(r.coefficients);
         }},
    };
}

std::vector<char> BytesAt(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(Utf8Paths, FilesUnderANonAsciiFolderAreWrittenThereAndReadBack) {
    test::TempFolder root;
    const fs::path unicodeFolder = root.path() / fs::path(u8"José") / fs::path(u8"Ångström");
    const fs::path plainFolder = root.path() / "plain";
    fs::create_directories(unicodeFolder);
    fs::create_directories(plainFolder);

    for (const FileCase& c : Cases()) {
        SCOPED_TRACE(c.what);
        const fs::path unicodeFile = unicodeFolder / fs::path(c.unicodeName);
        const std::string unicodePath = Utf8FromPath(unicodeFile);
        const std::string plainPath = Utf8FromPath(plainFolder / c.plainName);

        ASSERT_TRUE(c.write(plainPath));
        ASSERT_TRUE(c.write(unicodePath));
        ASSERT_TRUE(fs::is_regular_file(unicodeFile)) << unicodePath;
        EXPECT_EQ(BytesAt(unicodeFile), BytesAt(plainFolder / c.plainName));

        const std::string expected = c.read(plainPath);
        ASSERT_EQ(expected.rfind("error", 0), std::string::npos) << expected;
        EXPECT_EQ(c.read(unicodePath), expected);
    }
    // Nothing was written anywhere else (a mangled name would be a sibling).
    EXPECT_EQ(std::distance(fs::directory_iterator(root.path()), fs::directory_iterator()), 2);
    EXPECT_EQ(std::distance(fs::directory_iterator(unicodeFolder), fs::directory_iterator()),
              static_cast<long>(Cases().size()));
}

TEST(Utf8Paths, TheHelpersKeepTheTextOfAPath) {
    struct Case {
        std::string utf8;
        std::string fileName;
    };
    const std::vector<Case> cases = {
        {"José/Ångström/show.prp", "show.prp"},
        {"/data/Bühne/Größe.prs", "Größe.prs"},
        {"東京/測定.wav", "測定.wav"},
        {"plain.txt", "plain.txt"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.utf8);
        const fs::path p = PathFromUtf8(c.utf8);
        const std::u8string u8 = p.u8string();
        EXPECT_EQ(std::string(u8.begin(), u8.end()), c.utf8);
        EXPECT_EQ(Utf8FromPath(p), c.utf8);
        EXPECT_EQ(Utf8FileName(c.utf8), c.fileName);
    }
    EXPECT_EQ(Utf8Join("José", "Ångström"), Utf8FromPath(fs::path(u8"José") / fs::path(u8"Ångström")));
}

}  // namespace
}  // namespace zef
