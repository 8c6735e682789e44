#include "measure/fir_design_io.h"

#include "files/binary_io.h"
#include "model/locale.h"

namespace zef::measure {

std::string DesignedFirText(std::span<const double> coefficients) {
    std::string text;
    for (double c : coefficients) {
        if (!(c < 0)) text += ' ';
        text += FormatNumber(c, false);
        text += "\r\n";
    }
    return text;
}

bool WriteDesignedFirFile(const std::string& path, std::span<const double> coefficients) {
    const std::string text = DesignedFirText(coefficients);
    return WriteFileAtomic(path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

}  // namespace zef::measure
