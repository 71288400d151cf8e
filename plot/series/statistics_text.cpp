#include "statistics_text.h"

#include <charconv>
#include <cmath>

namespace vemtora::plot {

namespace {

struct QuantityText {
    const char* unit;
    const char* name;
    int decimals;
};

// By Quantity.
constexpr QuantityText kTexts[] = {{"V", "volts", 1}, {"A", "amperes", 2}, {"W", "watts", 1}};

const QuantityText& textOf(Quantity quantity) { return kTexts[static_cast<std::size_t>(quantity)]; }

}  // namespace

int decimalsOf(Quantity quantity) { return textOf(quantity).decimals; }
const char* unitOf(Quantity quantity) { return textOf(quantity).unit; }
const char* nameOf(Quantity quantity) { return textOf(quantity).name; }

std::string fixedText(double value, int decimals) {
    if (std::isnan(value)) return "nan";
    if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
    char text[400];  // room for any double in fixed notation
    const auto result = std::abs(value) < 1e15
                            ? std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals)
                            : std::to_chars(text, text + sizeof text, value, std::chars_format::general, 7);
    return result.ec == std::errc() ? std::string(text, result.ptr) : std::string("?");
}

std::string durationText(std::int64_t tenths) {
    const std::int64_t hours = tenths / 36000;
    const std::int64_t minutes = tenths / 600 % 60;
    const double seconds = static_cast<double>(tenths % 600) / 10.0;
    std::string secondsText = fixedText(seconds, 1);
    if (tenths < 600) return secondsText + " s";
    if (seconds < 10.0) secondsText = "0" + secondsText;
    const std::string minutesText =
        (hours > 0 && minutes < 10 ? "0" : "") + std::to_string(minutes) + " min " + secondsText + " s";
    return hours > 0 ? std::to_string(hours) + " h " + minutesText : minutesText;
}

std::string energyText(double wattHours) {
    const std::string text = fixedText(wattHours, 3);
    // More than four digits before the point reads better as kilowatt-hours.
    const std::size_t digits = text.find('.') - (text.starts_with('-') ? 1 : 0);
    if (digits > 4 && std::abs(wattHours) < 1e15) return fixedText(wattHours / 1000.0, 3) + " kWh";
    return text + " Wh";
}

std::string averagePowerText(const Statistics& statistics) {
    const double watts = statistics.averageWatts();
    return std::isfinite(watts) ? fixedText(watts, decimalsOf(Quantity::Watts)) + " W" : std::string("none");
}

std::string statisticsLine(const Statistics& statistics, const std::string& heading) {
    if (statistics.samples == 0) return heading + ": no samples";
    std::string line = heading + ": " + durationText(statistics.coveredTenths) + " covered";
    if (statistics.gaps > 0) line += ", " + std::to_string(statistics.gaps) + (statistics.gaps == 1 ? " gap" : " gaps");
    line += "  \u00b7  " + energyText(statistics.energyWh) + ", average " + averagePowerText(statistics);
    for (Quantity quantity : kQuantities) {
        const QuantityStatistics& q = statistics.of(quantity);
        if (q.count == 0) continue;
        const int decimals = decimalsOf(quantity);
        line += std::string("  \u00b7  ") + unitOf(quantity) + " " + fixedText(q.min, decimals) + " / " +
                fixedText(q.mean, decimals) + " / " + fixedText(q.max, decimals);
    }
    return line + "  (min / mean / max)";
}

}  // namespace vemtora::plot
