// zefedit: the ZEF amplifier editor.
#include <QApplication>
#include <cstdio>
#include <memory>

#include "app/qt_locale.h"
#include "build_version.h"
#include "geometry_dump.h"
#include "ui/application_look.h"
#include "ui/device_list_window.h"
#include "app/editor_options.h"
#include "app/editor_session.h"
#include "app/first_start.h"
#include "device/traffic_log_file.h"
#include "ui/main_window.h"
#include "ui/reconnecting_window.h"
#include "ui/qt_dialogs.h"
#include "ui/window_geometry.h"
#include "ui/splash_window.h"

int main(int argc, char** argv) {
    // The command line first: --help and a wrong option need no display.
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
    const zef::ParsedOptions parsed = zef::ParseEditorOptions(args);
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "zefedit: %s\n\n%s", parsed.error.c_str(), zef::EditorUsage().c_str());
        return 2;
    }
    const zef::EditorOptions& options = parsed.options;
    if (options.help) {
        std::fputs(zef::EditorUsage().c_str(), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("zefedit %s\n", zef::kBuildVersion);
        return 0;
    }

    QApplication app(argc, argv);
    zef::SetEditorApplicationLook();
    zef::StartGeometryDumpFromEnvironment();
    const auto opened = zef::OpenDataFolder(options.dataFolder);
    if (!opened) {
        std::fprintf(stderr, "zefedit: cannot create the data folder '%s'\n", options.dataFolder.c_str());
        return 1;
    }
    if (!opened->problem.empty()) std::fprintf(stderr, "zefedit: %s\n", opened->problem.c_str());
    const std::optional<std::string> folder = opened->path;

    zef::SetWindowGeometryFile(QString::fromStdString(*folder + "/windows.ini"));
    zef::QtDialogs dialogs;
    zef::ReconnectingWindow reconnecting;
    zef::EditorSession session(options, *folder, dialogs, {}, &reconnecting);
    session.setDecimalComma(zef::DecimalCommaFrom(zef::QtLocaleSource()));
    std::unique_ptr<zef::TrafficLogFile> trafficLog;
    if (!options.logFile.empty()) {
        trafficLog = std::make_unique<zef::TrafficLogFile>(session.exchange().monitor(), options.logFile);
        if (!trafficLog->ok()) std::fprintf(stderr, "zefedit: cannot write the traffic log '%s'\n", options.logFile.c_str());
    }

    std::unique_ptr<zef::MainWindow> main;
    zef::SplashWindow splash(zef::MeasurePrimaryScreen());
    splash.Run(dialogs, [&] {
        main = std::make_unique<zef::MainWindow>(session);
        dialogs.SetParent(main.get());
        main->show();
        if (!session.Start()) {
            // Without the transport nothing works: end at once, keeping tmpPrj.plt as it is.
            QApplication::exit(1);
            return;
        }
        main->RestorePosition();
        main->ShowDeviceList();
        if (!session.announcementProblem().empty())
            main->ShowStatus(session.announcementProblem());
        main->StartTimers();
    });
    return QApplication::exec();
}
