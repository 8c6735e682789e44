// zefshots FOLDER [EDITOR OPTIONS]: every window of the editor as PNG files
// in FOLDER (made when missing), then every page of the FIR wizard after a
// real run. The editor options are zefedit's (--data, --device-port,
// --loopback-lan, --rig ...); with a --rig the measuring windows are shot
// from a real run against the amplifier at 127.0.0.2 whose rig that is.
// `./zef shots` runs it on the offscreen platform with a simulated
// amplifier.
#include <QApplication>
#include <QDir>
#include <cstdio>
#include <string>
#include <vector>

#include "app/editor_options.h"
#include "app/first_start.h"
#include "editor_shots.h"
#include "link_shots.h"
#include "shooter.h"
#include "ui/application_look.h"
#include "wizard_shots.h"

namespace {

constexpr const char* kUsage = "usage: zefshots FOLDER [EDITOR OPTIONS]\n";

}  // namespace

int main(int argc, char** argv) {
    const std::string first = argc > 1 ? argv[1] : "";
    if (first == "--help" || first == "-h") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (first.empty() || first[0] == '-') {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const zef::ParsedOptions parsed =
        zef::ParseEditorOptions(std::vector<std::string>(argv + 2, argv + argc));
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "zefshots: %s\n\n%s", parsed.error.c_str(), kUsage);
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    zef::SetEditorApplicationLook();
    const auto opened = zef::OpenDataFolder(parsed.options.dataFolder);
    if (!opened) {
        std::fprintf(stderr, "zefshots: cannot create the data folder '%s'\n",
                     parsed.options.dataFolder.c_str());
        return 1;
    }
    if (!QDir().mkpath(folder)) return 1;
    zef::shots::Shooter shooter(folder);
    if (!zef::shots::RenderEditorShots(parsed.options, opened->path, shooter)) return 1;
    if (!zef::shots::RenderLinkShots(shooter)) return 1;
    return zef::shots::RenderWizardShots(shooter) ? 0 : 1;
}
