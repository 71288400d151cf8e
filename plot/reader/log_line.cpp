#include "log_line.h"

#include <charconv>
#include <cmath>

namespace vemtora::plot {

namespace {

// Takes the text up to the next tab (or the end, for the last field) off the front of `rest`.
std::string_view nextField(std::string_view& rest, bool last) {
    const std::size_t tab = rest.find('\t');
    if (last ? tab != std::string_view::npos : tab == std::string_view::npos) return {};
    const std::string_view field = rest.substr(0, tab);
    rest.remove_prefix(last ? rest.size() : tab + 1);
    return field;
}

// The whole field must be one finite number; from_chars never looks at the locale. No meter reads
// "nan" or "inf", and taken as values they would poison every sum they enter.
std::optional<double> number(std::string_view field) {
    if (field.empty()) return std::nullopt;
    double value = 0.0;
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (error != std::errc{} || end != field.data() + field.size() || !std::isfinite(value)) return std::nullopt;
    return value;
}

}  // namespace

std::optional<LogRecord> parseLogLine(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const auto stamp = parseLogStamp(nextField(line, false));
    if (!stamp) return std::nullopt;
    const auto volts = number(nextField(line, false));
    const auto amperes = number(nextField(line, false));
    const auto watts = number(nextField(line, true));
    if (!volts || !amperes || !watts) return std::nullopt;
    return LogRecord{*stamp, *volts, *amperes, *watts};
}

}  // namespace vemtora::plot
