#include "io/metrics/exposition.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "core/interval_energy.h"
#include "io/posix/utf8_path.h"

namespace vemtora::metrics {

namespace {

// The shortest text that reads back the same double, whatever the locale.
std::string number(double value) {
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value > 0 ? "+Inf" : "-Inf";
    char digits[32];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    return {digits, result.ptr};
}

std::optional<double> valueOf(MetricId id, const MeterTotals& totals) {
    switch (id) {
        case MetricId::Frames: return static_cast<double>(totals.frames);
        case MetricId::Intervals: return static_cast<double>(totals.intervals);
        case MetricId::Energy: return totals.energyJoules;
        case MetricId::Connected: return totals.connected ? 1.0 : 0.0;
        default: break;
    }
    if (!totals.last) return std::nullopt;
    switch (id) {
        case MetricId::Volts: return totals.last->volts;
        case MetricId::Amperes: return totals.last->amperes;
        case MetricId::Watts: return totals.last->watts;
        default: return totals.last->unixSeconds;
    }
}

}  // namespace

void addReading(MeterTotals& totals, const IntervalReading& reading, double unixSeconds) {
    totals.last = LastReading{reading.volts, reading.amperes, reading.watts, unixSeconds};
    totals.frames += static_cast<std::uint64_t>(std::max(reading.frameCount, 0));
    ++totals.intervals;
    totals.energyJoules += intervalEnergyJoules(reading);
}

std::string labelValue(std::string_view text) {
    const bool utf8 = posix::fromUtf8Path(text).has_value();
    std::string escaped;
    for (const char c : text) {
        if (c == '\\' || c == '"') {
            escaped += '\\';
            escaped += c;
        } else if (c == '\n') {
            escaped += "\\n";
        } else {
            escaped += c == '\0' || (!utf8 && static_cast<unsigned char>(c) >= 0x80) ? '?' : c;
        }
    }
    return escaped;
}

std::string exposition(const MeterTotals& totals, std::string_view device) {
    const std::string labels = "{device=\"" + labelValue(device) + "\"} ";
    std::string text;
    for (const MetricInfo& metric : kMetrics) {
        const auto value = valueOf(metric.id, totals);
        if (!value) continue;
        const std::string name(metric.name);
        text.append("# HELP ").append(name).append(" ").append(metric.help).append("\n");
        text.append("# TYPE ").append(name).append(" ").append(metric.type).append("\n");
        text.append(name).append(labels).append(number(*value)).append("\n");
    }
    return text;
}

}  // namespace vemtora::metrics
