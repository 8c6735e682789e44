#pragma once
// The designed FIR as a text file (the impulse response files are
// files/irw_file.h).
//
// Designed FIR (.txt): one coefficient per line, "." as the decimal point
// whatever the locale, non-negative values with a leading blank, each line
// closed by CR LF; the FIR import reads it back.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace zef::measure {

std::string DesignedFirText(std::span<const double> coefficients);
// Atomic; false on any failure.
bool WriteDesignedFirFile(const std::string& path, std::span<const double> coefficients);

}  // namespace zef::measure
