// Machine-readable output does not follow the process locale: zefctl run under
// a German locale (decimal comma) writes the same bytes as under the C locale —
// CSV, JSON, parameter values, the FIR text it designs and the tables it
// prints — and reads "." numbers in its arguments and files either way.
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <cmath>
#include <fstream>
#include <iterator>
#include <vector>

#include "ctl_fixture.h"
#include "files/irw_file.h"

namespace zef::test {
namespace {

const Environment kGerman = {{"LANG", "de_DE.UTF-8"}, {"LC_ALL", "de_DE.UTF-8"}};
const Environment kPlainC = {{"LANG", "C"}, {"LC_ALL", "C"}};

// What a C program prints for "%.1f" of 1 under `environment`: "1,0" proves a
// decimal-comma locale is really in force there.
std::string PrintfUnder(const Environment& environment) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const auto& [name, value] : environment)
        env.insert(QString::fromStdString(name), QString::fromStdString(value));
    p.setProcessEnvironment(env);
    p.start("printf", {"%.1f", "1"});
    if (!p.waitForFinished(5000)) return {};
    return p.readAllStandardOutput().toStdString();
}

std::string FileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// "" when the texts are equal; otherwise the first line where they differ, both ways.
std::string FirstDifference(const std::string& expected, const std::string& actual) {
    if (expected == actual) return "";
    const std::vector<std::string> a = Lines(expected);
    const std::vector<std::string> b = Lines(actual);
    std::size_t i = 0;
    while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
    return "line " + std::to_string(i + 1) + ": \"" + (i < a.size() ? a[i] : "(end)") + "\" became \"" +
           (i < b.size() ? b[i] : "(end)") + "\"";
}

// A decaying, slightly coloured impulse response: something for the FIR designer to correct.
std::vector<double> RoomImpulse() {
    std::vector<double> ir(4800, 0.0);
    for (std::size_t n = 0; n < ir.size(); ++n)
        ir[n] = std::exp(-static_cast<double>(n) / 300.0) * std::cos(0.07 * static_cast<double>(n)) * 0.5;
    return ir;
}

class CtlLocaleTest : public CtlTest {
protected:
    void SetUp() override {
        if (PrintfUnder(kGerman) != "1,0")
            GTEST_SKIP()
                << "the locale de_DE.UTF-8 is not installed (./zef deps generates it when run as root)";
        ASSERT_EQ(PrintfUnder(kPlainC), "1.0");
    }

    // One run under each locale; both must succeed, print the same bytes on the standard output
    // and write `file` (if given) with the same bytes. Returns the C-locale output and file.
    std::string SameUnderBoth(const std::vector<std::string>& args, const std::string& file = {}) {
        environment = kPlainC;
        const CtlResult plain = Run(args);
        const std::string plainFile = file.empty() ? std::string() : FileText(file);
        environment = kGerman;
        const CtlResult german = Run(args);
        const std::string germanFile = file.empty() ? std::string() : FileText(file);
        environment.clear();
        EXPECT_EQ(plain.exitCode, 0) << plain.err;
        EXPECT_EQ(german.exitCode, 0) << german.err;
        EXPECT_EQ(FirstDifference(plain.out, german.out), "");
        EXPECT_EQ(FirstDifference(plainFile, germanFile), "");
        return plain.out + plainFile;
    }
};

TEST_F(CtlLocaleTest, MachineOutputIsTheSameUnderAGermanLocale) {
    Start({Config("Locale", 1)});
    ASSERT_EQ(Run({"demo", "127.0.0.2", "main"}).exitCode, 0);
    // Decimal values set under the German locale are read with a point.
    environment = kGerman;
    ASSERT_EQ(Run({"set", "127.0.0.2", "out1.gain", "-7.5"}).exitCode, 0);
    environment.clear();

    const std::string irw = folder.file("room.irw");
    ASSERT_EQ(WriteIrwFile(irw, RoomImpulse()), "");
    const std::string fir = folder.file("fir.txt");
    std::string levels = "1.5";
    for (int b = 1; b < 30; ++b) levels += "," + std::to_string(b % 7) + ".25";

    const std::vector<std::vector<std::string>> runs = {
        {"response", "127.0.0.2", "out1", "--csv"},
        {"--json", "response", "127.0.0.2", "out1"},
        {"get", "127.0.0.2", "out1.gain"},
        {"--json", "get", "127.0.0.2", "out1.gain"},
        {"params"},
        {"autoeq", "fit", "--levels", levels},
        {"--json", "autoeq", "fit", "--levels", levels},
    };
    for (const auto& args : runs) {
        std::string command;
        for (const std::string& word : args) command += word + " ";
        SCOPED_TRACE(command);
        const std::string out = SameUnderBoth(args);
        EXPECT_NE(out.find('.'), std::string::npos) << "no decimals to compare";
    }
    {
        SCOPED_TRACE("fir design");
        const std::string out =
            SameUnderBoth({"fir", "design", irw, "--mode", "1", "--latency-ms", "2.5", "--out", fir}, fir);
        EXPECT_NE(out.find('.'), std::string::npos) << "no decimals to compare";
    }
    // The designed FIR text goes back in under the German locale.
    environment = kGerman;
    const CtlResult imported = Run({"fir", "import", "127.0.0.2", "1", fir});
    EXPECT_EQ(imported.exitCode, 0) << imported.err;
}

}  // namespace
}  // namespace zef::test
