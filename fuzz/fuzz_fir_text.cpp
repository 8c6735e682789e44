// FIR coefficient files (.txt and .csv). The first input byte picks the file
// name's extension and the locale's decimal separator; the rest is the file.
// An accepted file holds 1..384 coefficients strictly inside (-4, +4).

#include <cmath>

#include "files/fir_import.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const char* names[] = {"filter.txt", "filter.csv", "FILTER.TXT", "a very long filter name.csv"};
    const char* name = names[data[0] & 3];
    const bool decimalComma = (data[0] & 4) != 0;
    const zef::fir::FirImportResult r = zef::fir::ParseFirFile(name, FuzzBytes(data + 1, size - 1), decimalComma);
    if (!r.ok()) return 0;
    FUZZ_CHECK(!r.coefficients.empty() && r.coefficients.size() <= 384);
    for (const double c : r.coefficients) FUZZ_CHECK(std::isfinite(c) && c > -4 && c < 4);
    FUZZ_CHECK(r.name.size() <= 16);
    return 0;
}
