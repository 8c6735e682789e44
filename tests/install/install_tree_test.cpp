// The tree `cmake --install` makes, in a temporary prefix: every file the
// menu entry, the AppStream description and the manual pages name is there,
// and zefctl's completion completes the program's own names.
#include <gtest/gtest.h>

#include <QFile>
#include <QXmlStreamReader>
#include <filesystem>
#include <map>
#include <memory>
#include <regex>
#include <set>

#include "file_bytes.h"
#include "run_program.h"
#include "temp_folder.h"

namespace zef::test {
namespace {

namespace fs = std::filesystem;

// Width and height from a PNG file's header; {0, 0} when it is no PNG.
std::pair<int, int> PngSize(const fs::path& path) {
    const std::string b = ReadFileText(path);
    if (b.size() < 24 || b.compare(1, 3, "PNG") != 0 || b.compare(12, 4, "IHDR") != 0) return {0, 0};
    const auto be32 = [&](std::size_t at) {
        int v = 0;
        for (std::size_t i = 0; i < 4; ++i) v = (v << 8) | static_cast<unsigned char>(b[at + i]);
        return v;
    };
    return {be32(16), be32(20)};
}

bool IsExecutable(const fs::path& path) {
    std::error_code ec;
    const auto perms = fs::status(path, ec).permissions();
    return !ec && fs::is_regular_file(path) && (perms & fs::perms::owner_exec) != fs::perms::none;
}

class InstalledTree : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        prefix_ = std::make_unique<TempFolder>();
        install_ = RunProgram(ZEF_CMAKE, {"--install", ZEF_BINARY_DIR, "--prefix", prefix_->path().string()},
                              120000);
    }
    static void TearDownTestSuite() { prefix_.reset(); }
    void SetUp() override { ASSERT_EQ(install_.exitCode, 0) << install_.out << install_.err; }
    static fs::path At(const std::string& relative) { return prefix_->path() / relative; }

    // The one installed menu entry as key -> value.
    static std::map<std::string, std::string> DesktopEntry(fs::path* where = nullptr) {
        std::map<std::string, std::string> keys;
        for (const auto& f : fs::directory_iterator(At("share/applications"))) {
            if (where) *where = f.path();
            for (const std::string& line : Lines(ReadFileText(f.path()))) {
                const auto eq = line.find('=');
                if (eq != std::string::npos && line[0] != '#') keys[line.substr(0, eq)] = line.substr(eq + 1);
            }
        }
        return keys;
    }

    static std::unique_ptr<TempFolder> prefix_;
    static ProgramRun install_;
};
std::unique_ptr<TempFolder> InstalledTree::prefix_;
ProgramRun InstalledTree::install_;

const std::vector<std::string> kPrograms = {"zefedit", "zefctl", "zefsim", "zefd"};
const std::vector<int> kIconSizes = {16, 22, 24, 32, 48, 64, 128, 256};

TEST_F(InstalledTree, ProgramsAreInBin) {
    for (const std::string& p : kPrograms) EXPECT_TRUE(IsExecutable(At("bin/" + p))) << p;
}

TEST_F(InstalledTree, MenuEntryNamesItsProgramAndEveryIconSize) {
    fs::path file;
    const auto entry = DesktopEntry(&file);
    ASSERT_FALSE(entry.empty()) << "no menu entry in share/applications";
    EXPECT_EQ(entry.at("Type"), "Application");
    EXPECT_EQ(entry.at("Name"), "ZEF Editor");
    // Exec and TryExec name a program that is installed next to it.
    const std::string exec = entry.at("Exec").substr(0, entry.at("Exec").find(' '));
    EXPECT_TRUE(IsExecutable(At("bin/" + exec))) << exec;
    EXPECT_TRUE(IsExecutable(At("bin/" + entry.at("TryExec")))) << entry.at("TryExec");
    // The icon theme finds the icon by name: scalable and every fixed size,
    // each PNG really that size.
    const std::string icon = entry.at("Icon");
    EXPECT_TRUE(fs::exists(At("share/icons/hicolor/scalable/apps/" + icon + ".svg"))) << icon;
    for (int size : kIconSizes) {
        const std::string dim = std::to_string(size) + "x" + std::to_string(size);
        const fs::path png = At("share/icons/hicolor/" + dim + "/apps/" + icon + ".png");
        EXPECT_EQ(PngSize(png), std::make_pair(size, size)) << png;
    }
    // The entry's file name is its desktop id, which the metainfo launches.
    EXPECT_EQ(file.stem().string(), icon);
}

TEST_F(InstalledTree, MetainfoLaunchesTheMenuEntryAndProvidesThePrograms) {
    QFile file;
    for (const auto& f : fs::directory_iterator(At("share/metainfo")))
        file.setFileName(QString::fromStdString(f.path().string()));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << "no metainfo file";
    QXmlStreamReader xml(&file);
    std::string launchable, release;
    std::set<std::string> binaries;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) continue;
        if (xml.name() == QLatin1String("release"))
            release = xml.attributes().value("version").toString().toStdString();
        else if (xml.name() == QLatin1String("launchable"))
            launchable = xml.readElementText().toStdString();
        else if (xml.name() == QLatin1String("binary"))
            binaries.insert(xml.readElementText().toStdString());
    }
    ASSERT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_TRUE(fs::exists(At("share/applications/" + launchable))) << launchable;
    EXPECT_EQ(binaries, std::set<std::string>(kPrograms.begin(), kPrograms.end()));
    for (const std::string& b : binaries) EXPECT_TRUE(IsExecutable(At("bin/" + b))) << b;
    EXPECT_EQ(release, ZEF_PROJECT_VERSION);
    // Software centres accept it (where the AppStream tool is installed).
    const ProgramRun check =
        RunProgram("appstreamcli", {"validate", "--no-net", file.fileName().toStdString()});
    if (check.exitCode != -1) {
        EXPECT_EQ(check.exitCode, 0) << check.out << check.err;
    }
}

TEST_F(InstalledTree, ManualPagesNameOnlyInstalledFilesAndRender) {
    static const std::regex seeAlso(R"(^\.BR\s+(\S+)\s+\(1\))");
    static const std::regex systemFile(R"(^\.I\s+(/(lib|usr)/\S+))");
    for (const std::string& program : kPrograms) {
        const fs::path page = At("share/man/man1/" + program + ".1");
        ASSERT_TRUE(fs::exists(page)) << page;
        const std::string text = ReadFileText(page);
        EXPECT_EQ(text.find('@'), std::string::npos) << program << ": a placeholder was left";
        for (const std::string& line : Lines(text)) {
            std::smatch m;
            if (std::regex_search(line, m, seeAlso)) {
                EXPECT_TRUE(fs::exists(At("share/man/man1/" + m[1].str() + ".1"))) << program << ": " << line;
            }
            // A system path in the page is where the package puts it under /usr.
            if (std::regex_search(line, m, systemFile)) {
                std::string path = m[1].str();
                if (path.rfind("/usr/", 0) == 0)
                    path = path.substr(5);
                else
                    path = path.substr(1);
                EXPECT_TRUE(fs::exists(At(path))) << program << ": " << line;
            }
        }
        // man formats the page without a warning.
        const ProgramRun man = RunProgram("man", {"--warnings", "-l", page.string()}, 30000, "",
                                          {"MANWIDTH=80", "MANPAGER=cat", "PAGER=cat"});
        if (man.exitCode == -1) GTEST_SKIP() << "man is not available";
        EXPECT_EQ(man.exitCode, 0) << man.err;
        EXPECT_EQ(man.err, "") << program;
        EXPECT_NE(man.out.find("NAME"), std::string::npos);
    }
}

TEST_F(InstalledTree, ZefctlManualListsEverySubCommand) {
    const ProgramRun list = RunProgram(ZEFCTL_PATH, {"--list-commands"});
    ASSERT_EQ(list.exitCode, 0);
    const std::string page = ReadFileText(At("share/man/man1/zefctl.1"));
    for (const std::string& line : Lines(list.out)) {
        std::string command;  // as the page spells it, "-" escaped
        for (char c : line.substr(0, line.find(' ')))
            command += c == '-' ? std::string("\\-") : std::string(1, c);
        EXPECT_NE(page.find("\n.B " + command), std::string::npos) << command;
    }
}

// What `_zefctl` offers for the command line `words` (the last one being
// completed), one entry per line.
std::set<std::string> Complete(const fs::path& script, const std::vector<std::string>& words) {
    std::string array;
    for (const std::string& w : words) array += " '" + w + "'";
    const std::string program = "source '" + script.string() + "'; COMP_WORDS=(" + array +
                                "); COMP_CWORD=" + std::to_string(words.size() - 1) +
                                "; _zefctl; printf '%s\\n' \"${COMPREPLY[@]}\"";
    const ProgramRun run = RunProgram("bash", {"--norc", "--noprofile", "-c", program});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    std::set<std::string> offered;
    for (const std::string& l : Lines(run.out))
        if (!l.empty()) offered.insert(l);
    return offered;
}

TEST_F(InstalledTree, CompletionOffersTheProgramsOwnNames) {
    const fs::path script = At("share/bash-completion/completions/zefctl");
    ASSERT_TRUE(fs::exists(script));
    const ProgramRun params = RunProgram(ZEFCTL_PATH, {"--list-parameters"});
    ASSERT_EQ(params.exitCode, 0);
    const std::vector<std::string> names = Lines(params.out);
    ASSERT_GT(names.size(), 100u);

    // Every parameter, at the parameter's place after HOST or with --serial.
    EXPECT_EQ(Complete(script, {"zefctl", "get", "127.0.0.2", ""}),
              std::set<std::string>(names.begin(), names.end()));
    EXPECT_EQ(Complete(script, {"zefctl", "--serial", "/dev/ttyUSB0", "set", ""}).size(), names.size());

    struct Case {
        std::vector<std::string> words;
        std::set<std::string> mustOffer;
        std::size_t atMost;  // how many may be offered in all
    };
    const std::vector<Case> cases = {
        {{"zefctl", "pa"}, {"params"}, 1},
        {{"zefctl", "se"}, {"search", "set"}, 2},
        {{"zefctl", "--json", "ge"}, {"get"}, 1},
        {{"zefctl", "get", "127.0.0.2", "out1.eq.5.ga"}, {"out1.eq.5.gain"}, 1},
        {{"zefctl", "--port", "10001", "set", "127.0.0.2", "inL.gai"}, {"inL.gain"}, 1},
        {{"zefctl", "fir", ""}, {"import", "design"}, 2},
        {{"zefctl", "preset", "s"}, {"store", "save"}, 2},
        {{"zefctl", "record", "x.wav", "--ca"}, {"--card", "--card-cal"}, 2},  // options of every command
        {{"zefctl", "get", "127.0.0.2", "nonsense"}, {}, 0},
        {{"zefctl", "--ver"}, {"--version"}, 1},
    };
    for (const Case& c : cases) {
        const std::set<std::string> offered = Complete(script, c.words);
        std::string line;
        for (const std::string& w : c.words) line += w + " ";
        for (const std::string& m : c.mustOffer) EXPECT_EQ(offered.count(m), 1u) << line << "lacks " << m;
        EXPECT_LE(offered.size(), c.atMost) << line;
        const std::string& cur = c.words.back();
        for (const std::string& o : offered) EXPECT_EQ(o.rfind(cur, 0), 0u) << line << "offers " << o;
    }
    // A value after the parameter is no parameter name.
    for (const std::string& o : Complete(script, {"zefctl", "set", "127.0.0.2", names[0], ""}))
        EXPECT_EQ(std::count(names.begin(), names.end(), o), 0) << o;
}

}  // namespace
}  // namespace zef::test
