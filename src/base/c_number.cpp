#include "base/c_number.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace zef {
namespace {

// Large enough for any double in fixed notation with 30 decimals ("-1.8e308" spelled out).
constexpr int kBufferSize = 360;

std::string Written(char* first, std::to_chars_result r) {
    if (r.ec != std::errc()) return "nan";  // cannot happen with kBufferSize; loud rather than empty
    return std::string(first, r.ptr);
}

}  // namespace

std::string CNumber(double value) {
    char buf[kBufferSize];
    return Written(buf, std::to_chars(buf, buf + sizeof buf, value));
}

std::string CFixed(double value, int decimals, int width) {
    char buf[kBufferSize];
    std::string text = Written(buf, std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed,
                                                  std::clamp(decimals, 0, 30)));
    if (static_cast<int>(text.size()) < width)
        text.insert(0, static_cast<std::size_t>(width) - text.size(), ' ');
    return text;
}

std::string CGeneral(double value, int significant) {
    char buf[kBufferSize];
    return Written(buf, std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general,
                                      std::clamp(significant, 1, 30)));
}

std::optional<double> ParseCNumber(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    // from_chars would take "inf" and "nan"; a number here starts with a digit or the point.
    if (text.empty() || !((text.front() >= '0' && text.front() <= '9') || text.front() == '.'))
        return std::nullopt;
    double value = 0.0;
    const char* last = text.data() + text.size();
    const auto [end, ec] = std::from_chars(text.data(), last, value, std::chars_format::general);
    if (ec != std::errc() || end != last || !std::isfinite(value)) return std::nullopt;
    return negative ? -value : value;
}

}  // namespace zef
