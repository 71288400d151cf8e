#include "plot_command_line.h"

#include <charconv>
#include <cmath>
#include <string_view>
#include <utility>

#include "core/toolkit_options.h"
#include "plot/reader/log_stamp.h"

namespace vemtora::plot {

namespace {

constexpr int kSmallestSide = 200;
constexpr int kLargestSide = 10000;

// A whole number written as the log writes them: a point for decimals, whatever the locale.
std::optional<double> decimalNumber(std::string_view text) {
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<int> side(std::string_view text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || value < kSmallestSide || value > kLargestSide) {
        return std::nullopt;
    }
    return value;
}

bool parseSize(std::string_view text, PlotCommandLine& result) {
    const std::size_t x = text.find('x');
    if (x == std::string_view::npos) return false;
    const auto width = side(text.substr(0, x));
    const auto height = side(text.substr(x + 1));
    if (!width || !height) return false;
    result.width = *width;
    result.height = *height;
    return true;
}

std::optional<ValueRange> valueRange(std::string_view text) {
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos) return std::nullopt;
    const auto low = decimalNumber(text.substr(0, colon));
    const auto high = decimalNumber(text.substr(colon + 1));
    if (!low || !high || !(*low < *high)) return std::nullopt;
    return ValueRange{*low, *high};
}

std::optional<Period> period(std::string_view text) {
    if (text == "hour") return Period::Hour;
    if (text == "day") return Period::Day;
    if (text == "week") return Period::Week;
    return std::nullopt;
}

// Where a time lies among others of its kind, so --to before --from is a mistake seen at once.
std::optional<std::pair<bool, std::int64_t>> orderOf(const TimeOfLog& time) {
    switch (time.day) {
        case TimeOfLog::Day::First: return std::pair{false, time.tenthsOfDay};
        case TimeOfLog::Day::Numbered: return std::pair{false, (time.dayNumber - 1) * kTenthsPerDay + time.tenthsOfDay};
        case TimeOfLog::Day::Dated: break;
    }
    if (time.utcOffsetMinutes) return std::nullopt;
    return std::pair{true, time.dayNumber * kTenthsPerDay + time.tenthsOfDay};
}

PlotCommandLine helpOrVersion(PlotCommandLine::Action action) {
    PlotCommandLine result;
    result.action = action;
    return result;
}

constexpr const char* kQuantityOptions[] = {"--volts", "--amperes", "--watts"};  // by Quantity

}  // namespace

PlotCommandLine parsePlotCommandLine(const std::vector<std::string>& arguments) {
    PlotCommandLine result;
    bool optionsEnded = false;
    bool summary = false;
    bool exporting = false;
    bool pictureOnly = false;
    const auto fail = [&](const std::string& error) {
        if (result.error.empty()) result.error = error;
    };
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        // "--export OUT" or "--export=OUT"; a value that looks like an option is refused.
        const auto value = [&](const std::string& option) -> std::optional<std::string> {
            if (argument.starts_with(option + "=")) return argument.substr(option.size() + 1);
            if (argument != option) return std::nullopt;
            if (i + 1 < arguments.size() && !arguments[i + 1].starts_with("--")) return arguments[++i];
            fail("option '" + option + "' requires an argument");
            return std::string();
        };
        const auto time = [&](const std::string& option, const std::string& text, std::optional<TimeOfLog>& into) {
            into = parseTimeOfLog(text);
            if (!into) fail("invalid time '" + text + "' for " + option + ": " + std::string(kTimeOfLogForms));
        };
        const std::size_t qt = optionsEnded ? 0 : qtOptionLength(arguments[i], i + 1 < arguments.size());
        if (qt > 0) {
            result.qtArguments.insert(result.qtArguments.end(), arguments.begin() + static_cast<std::ptrdiff_t>(i),
                                      arguments.begin() + static_cast<std::ptrdiff_t>(i + qt));
            i += qt - 1;
            continue;
        }
        if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
            result.files.push_back(argument);
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "--help" || argument == "-h") {
            return helpOrVersion(PlotCommandLine::Action::Help);
        } else if (argument == "--version") {
            return helpOrVersion(PlotCommandLine::Action::Version);
        } else if (argument == "--summary") {
            summary = true;
        } else if (argument == "--csv") {
            result.csv = true;
        } else if (const auto out = value("--export")) {
            exporting = true;
            result.exportPath = *out;
            if (out->ends_with(".csv")) {
                result.picture = PlotCommandLine::Picture::Csv;
            } else if (out->ends_with(".svg")) {
                result.picture = PlotCommandLine::Picture::Svg;
            } else if (!out->empty() && !out->ends_with(".png")) {
                fail("'" + *out + "': not a .png, .svg or .csv name");
            }
        } else if (const auto from = value("--from")) {
            result.from = *from;
            if (!from->empty()) time("--from", *from, result.fromTime);
        } else if (const auto to = value("--to")) {
            result.to = *to;
            if (!to->empty()) time("--to", *to, result.toTime);
        } else if (const auto by = value("--by")) {
            result.by = period(*by);
            if (!result.by && !by->empty()) fail("invalid period '" + *by + "' for --by: hour, day or week");
        } else if (const auto price = value("--price")) {
            result.price = decimalNumber(*price);
            if ((!result.price || *result.price < 0) && !price->empty()) {
                fail("invalid price '" + *price + "': a number of 0 or more with a decimal point, such as 0.30");
            }
        } else if (const auto size = value("--size")) {
            pictureOnly = true;
            if (!size->empty() && !parseSize(*size, result))
                fail("invalid size '" + *size + "': WIDTHxHEIGHT, 200 to 10000 each");
        } else {
            bool known = false;
            for (std::size_t q = 0; q < std::size(kQuantityOptions) && !known; ++q) {
                const auto range = value(kQuantityOptions[q]);
                if (!range) continue;
                known = pictureOnly = true;
                result.valueRanges[q] = valueRange(*range);
                if (!result.valueRanges[q] && !range->empty()) {
                    fail("invalid range '" + *range + "' for " + kQuantityOptions[q] +
                         ": LOW:HIGH, LOW below HIGH, such as 0:2500");
                }
            }
            if (!known) fail("unrecognized option '" + argument + "'");
        }
    }
    if (summary && exporting) fail("--summary and --export exclude each other");
    if ((summary || exporting) && result.files.empty()) fail("missing FILE after --summary or --export");
    if (!summary && !exporting && (!result.from.empty() || !result.to.empty()))
        fail("--from and --to need --summary or --export");
    if (!summary && (result.by || result.price || result.csv)) fail("--by, --price and --csv need --summary");
    if (pictureOnly && (!exporting || result.picture == PlotCommandLine::Picture::Csv)) {
        fail("--size, --volts, --amperes and --watts need --export of a .png or .svg picture");
    }
    if (result.fromTime && result.toTime) {
        const auto from = orderOf(*result.fromTime);
        const auto to = orderOf(*result.toTime);
        if (from && to && from->first == to->first && to->second <= from->second) {
            fail("--to '" + result.to + "' is not after --from '" + result.from + "'");
        }
    }
    if (!result.error.empty()) {
        result.action = PlotCommandLine::Action::UsageError;
        result.files.clear();
        return result;
    }
    if (summary) result.action = PlotCommandLine::Action::Summary;
    if (exporting) result.action = PlotCommandLine::Action::Export;
    return result;
}

std::string plotHelpText() {
    return "Usage: vemtora-plot [OPTION]... [FILE]...\n"
           "  or:  vemtora-plot --summary [--from T] [--to T] [--by hour|day|week] [--price P] [--csv] FILE...\n"
           "  or:  vemtora-plot --export OUT.png|OUT.svg|OUT.csv [--from T] [--to T] [--size WxH]\n"
           "                    [--volts LOW:HIGH] [--amperes LOW:HIGH] [--watts LOW:HIGH] FILE...\n"
           "Draw a Vemtora log as a graph of volts, amperes and watts against time,\n"
           "and follow it while it grows. Several files are read as one log, in the order\n"
           "given (today.log.1 today.log); the last one is followed.\n"
           "\n"
           "      --summary       print the statistics of FILE as 'key: value' lines and exit\n"
           "      --by PERIOD     with --summary: a row per hour, day or week\n"
           "      --price P       with --summary: the cost of the energy at P per kWh\n"
           "      --csv           with --summary: comma-separated, with a header\n"
           "      --export OUT    write the graph (PNG or SVG) or the samples (CSV) to OUT and exit\n"
           "      --from T        from T on, T included: 09:05, 09:05:07.3, 'day 2 09:05',\n"
           "                      2026-12-08T09:05:07 or 2026-12-08T09:05+01:00\n"
           "      --to T          up to T, T left out; a time of day alone is on the log's first day\n"
           "      --size WxH      the picture's size in pixels, 200 to 10000 each (default 1200x800)\n"
           "      --volts, --amperes, --watts LOW:HIGH\n"
           "                      the picture's value axis from LOW to HIGH\n"
           "  -h, --help          display this help and exit\n"
           "      --version       output version information and exit\n"
           "\n"
           "Qt's own options (for example -platform offscreen) are accepted as well.\n"
           "\n"
           "In the window: mouse wheel or + and - zoom, dragging or the arrow keys pan,\n"
           "Ctrl+wheel zooms a value axis, V fits them again, Home, 0 or R shows the whole log;\n"
           "File > Export saves the view as PNG, SVG or CSV.\n"
           "\n"
           "Exit status: 0 if OK, 1 if FILE cannot be opened or read as a log or holds no\n"
           "samples in the range, or OUT cannot be written, 2 for a wrong command line.\n";
}

std::string plotVersionText(const std::string& version) { return "vemtora-plot (Vemtora) " + version + "\n"; }

}  // namespace vemtora::plot
