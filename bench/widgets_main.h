#pragma once
// The main of a benchmark program that builds windows: offscreen unless a
// platform is chosen, one QApplication, then every registered benchmark.

#include <benchmark/benchmark.h>

#include <QApplication>

namespace zefbench {

inline int RunWidgetBenchmarks(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

}  // namespace zefbench
