#include "app/first_start.h"

#include <QFileInfo>
#include <vector>

#include "app/editor_options.h"
#include "measure/example_firs.h"
#include "measure/fir_design_io.h"
#include "measure/sweep.h"

namespace zef {

std::string SeedDataFolder(const std::string& folder) {
    const std::string ts = folder + "/TS";
    std::vector<double> sweep;
    std::vector<double> inverse;
    if (std::string e = measure::LoadOrCreateSweep(ts + "/SW.wav", sweep); !e.empty()) return e;
    if (std::string e = measure::LoadOrCreateInverseSweep(ts + "/ISW.wav", sweep, inverse); !e.empty())
        return e;
    for (const measure::ExampleFir& fir : measure::ExampleFirs()) {
        const std::string path = folder + "/FIR/" + fir.fileName;
        if (QFileInfo::exists(QString::fromStdString(path))) continue;
        if (!measure::WriteDesignedFirFile(path, fir.coefficients)) return "cannot write " + path;
    }
    return {};
}

std::optional<OpenedDataFolder> OpenDataFolder(const std::string& option) {
    const std::optional<std::string> path = PrepareDataFolder(option);
    if (!path) return std::nullopt;
    return OpenedDataFolder{*path, SeedDataFolder(*path)};
}

}  // namespace zef
