// zefctl's fir design and autoeq fit, run in-process.

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <sstream>

#include "cli.h"
#include "files/fir_import.h"
#include "files/irw_file.h"
#include "loudspeaker_ir.h"
#include "measure/autoeq_fit.h"
#include "measure/fir_design_io.h"
#include "measure/measurement_exports.h"
#include "measure/third_octave.h"
#include "files/frequency_curve.h"
#include "room_curves.h"
#include "temp_folder.h"

namespace zef {
namespace {

struct CtlRun {
    int code;
    std::string out;
    std::string err;
};

CtlRun Ctl(std::vector<std::string> args) {
    zefctl::SubCommandTable table;
    zefctl::AddFileCommands(table);  // its "fir import" shares the name
    zefctl::AddDesignCommands(table);
    std::ostringstream out, err;
    const int code = zefctl::RunCli(table, args, out, err);
    return {code, out.str(), err.str()};
}

QJsonObject Json(const std::string& text) {
    return QJsonDocument::fromJson(QByteArray::fromStdString(text)).object();
}

TEST(CtlDesign, FirDesignWritesTheFirAndReportsIt) {
    test::TempFolder folder;
    const std::string ir = folder.file("speaker.irw");
    const std::string fir = folder.file("fir.txt");
    ASSERT_EQ(WriteIrwFile(ir, test::TwoWayLoudspeakerIr()), "");

    const CtlRun text = Ctl({"fir", "design", ir, "--mode", "0", "--latency-ms", "2.5", "--out", fir});
    ASSERT_EQ(text.code, 0) << text.err;
    EXPECT_NE(text.out.find("taps 384\n"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("gain not reduced"), std::string::npos) << text.out;
    const auto imported = fir::ImportFirFile(fir, false);
    ASSERT_TRUE(imported.ok());
    EXPECT_EQ(imported.coefficients.size(), 384u);

    const CtlRun json = Ctl({"--json", "fir", "design", ir, "--mode", "1", "--window-ms", "3", "--smoothing",
                             "2,3,4", "--precision", "7", "--out", fir});
    ASSERT_EQ(json.code, 0) << json.err;
    const QJsonObject j = Json(json.out);
    EXPECT_EQ(j["taps"].toInt(), 384);
    EXPECT_DOUBLE_EQ(j["min_hz"].toDouble(), 334);  // 1000 / 3 ms, rounded up
    EXPECT_NEAR(j["latency_ms"].toDouble(), j["main_tap"].toInt() * 0.0208, 1e-9);
}

TEST(CtlDesign, BadCommandLinesAndFilesAreRefused) {
    test::TempFolder folder;
    const std::string ir = folder.file("speaker.irw");
    ASSERT_EQ(WriteIrwFile(ir, test::TwoWayLoudspeakerIr()), "");
    const std::string junk = folder.file("junk.irw");
    ASSERT_EQ(WriteIrwFile(junk, std::vector<double>(64, 0.0)), "");
    const struct {
        std::vector<std::string> args;
        int code;
        const char* says;
    } cases[] = {
        {{"fir", "design", ir, "--out", "x.txt"}, 2, "--mode"},
        {{"fir", "design", ir, "--mode", "2", "--out", "x.txt"}, 2, "--mode"},
        {{"fir", "design", ir, "--mode", "0"}, 2, "--out"},
        {{"fir", "design", ir, "--mode", "0", "--smoothing", "1,9,2", "--out", "x.txt"}, 2, "width"},
        {{"fir", "design", ir, "--mode", "0", "--window-ms", "2", "--min-hz", "300", "--out", "x.txt"},
         2,
         "1000 / window"},
        {{"fir", "design", folder.file("none.irw"), "--mode", "0", "--out", "x.txt"}, 1, "no such file"},
        {{"fir", "design", junk, "--mode", "0", "--out", folder.file("x.txt")}, 1, "silent"},
        {{"fir", "import", "--mode", "0"}, 2, "does not apply"},  // the import row, not the design row
        {{"autoeq", "fit", "--levels", "1,2,3"}, 2, "30 band levels"},
        {{"autoeq", "fit", "--levels", std::string(29, ',')}, 2, "not a number"},
        {{"autoeq", "fit"}, 2, "--levels"},
    };
    for (const auto& c : cases) {
        const CtlRun r = Ctl(c.args);
        EXPECT_EQ(r.code, c.code) << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    }
}

TEST(CtlDesign, AutoEqFitPrintsTheFitOfTheLevels) {
    const test::RoomCurve c = test::RandomRoomCurves(31, 2)[1];
    std::string levels;
    for (double v : c.levelsDb) levels += (levels.empty() ? "" : ",") + std::to_string(v);
    const std::string bands = std::to_string(c.minBand) + "-" + std::to_string(c.maxBand);
    const std::string gain = std::to_string(c.maxGainHalfDb / 2);
    const CtlRun r =
        Ctl({"--json", "autoeq", "fit", "--levels", levels, "--max-gain", gain, "--bands", bands});
    ASSERT_EQ(r.code, 0) << r.err;
    const QJsonObject j = Json(r.out);
    BandSpectrum parsed{};
    for (std::size_t k = 0; k < parsed.size(); ++k) parsed[k] = std::stod(std::to_string(c.levelsDb[k]));
    const measure::AutoEqFit direct = measure::FitAutoEq(parsed, c.maxGainHalfDb, c.minBand, c.maxBand);
    const QJsonArray filters = j["filters"].toArray();
    ASSERT_EQ(filters.size(), 30);
    for (int k = 0; k < 30; ++k) {
        const QJsonObject f = filters[k].toObject();
        const measure::AutoEqFilter& d = direct.filters[static_cast<std::size_t>(k)];
        EXPECT_EQ(f["gain_code"].toInt(), d.gainCode);
        EXPECT_EQ(f["q_index"].toInt(), d.qIndex);
        EXPECT_EQ(f["type"].toInt(), d.type);
        EXPECT_EQ(f["frequency_hz"].toInt(), d.frequencyHz);
    }
    EXPECT_LE(j["residual_rms_db"].toDouble(), 0.15);

    const CtlRun table = Ctl({"autoeq", "fit", "--levels", levels, "--max-gain", gain, "--bands", bands});
    ASSERT_EQ(table.code, 0) << table.err;
    EXPECT_NE(
        table.out.find("residual over bands " + std::to_string(c.minBand) + ".." + std::to_string(c.maxBand)),
        std::string::npos);
    EXPECT_EQ(std::count(table.out.begin(), table.out.end(), '\n'), 32);
}

TEST(CtlDesign, AutoEqFitAimsAtATargetAndReadsLevelsFromCsv) {
    // A flat room aimed at a -1 dB/octave house curve: the predicted levels
    // take the tilt's shape, whether the tilt is named or read from a file.
    test::TempFolder folder;
    BandSpectrum flat{};
    flat.fill(-40.0);
    ASSERT_EQ(measure::WriteBandLevelsCsv(folder.file("room.csv"), flat), "");
    ASSERT_EQ(WriteFrequencyCurve(folder.file("house.txt"), TiltCurve(-1.0)), "");
    for (const std::string& target : {std::string("tilt:-1"), folder.file("house.txt")}) {
        const CtlRun r = Ctl({"--json", "autoeq", "fit", "--levels-file", folder.file("room.csv"), "--target", target,
                              "--bands", "2-27"});
        ASSERT_EQ(r.code, 0) << r.err;
        const QJsonArray bands = Json(r.out)["bands"].toArray();
        ASSERT_EQ(bands.size(), 30);
        const double at1k = bands[16].toObject()["predicted_db"].toDouble();
        for (int k = 4; k <= 25; ++k) {
            const QJsonObject b = bands[k].toObject();
            const double tilt = -std::log2(measure::BandCentreHz(std::size_t(k)) / 1000.0);
            EXPECT_NEAR(b["predicted_db"].toDouble() - at1k, tilt, 0.6) << target << " band " << k;
            EXPECT_EQ(b["measured_db"].toDouble(), -40.0);
        }
    }
    const struct {
        std::vector<std::string> args;
        std::string says;
    } refusals[] = {
        {{"autoeq", "fit", "--levels-file", folder.file("house.txt")}, "line 1: expected \"band_hz,level_db\""},
        {{"autoeq", "fit", "--levels-file", folder.file("room.csv"), "--target", folder.file("room.csv")},
         "--target: " + folder.file("room.csv") + " line 1: \"band_hz\" is not a number"},
        {{"autoeq", "fit", "--levels-file", folder.file("room.csv"), "--target", "tilt:-9"}, "-6..6 dB per octave"},
    };
    for (const auto& c : refusals) {
        const CtlRun r = Ctl(c.args);
        EXPECT_NE(r.code, 0);
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    }
}

}  // namespace
}  // namespace zef
