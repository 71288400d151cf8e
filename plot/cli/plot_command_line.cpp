#include "plot_command_line.h"

#include <charconv>
#include <optional>

namespace vemtora::plot {

namespace {

constexpr int kSmallestSide = 200;
constexpr int kLargestSide = 10000;

std::optional<int> side(std::string_view text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || value < kSmallestSide || value > kLargestSide) {
        return std::nullopt;
    }
    return value;
}

bool parseSize(const std::string& text, PlotCommandLine& result) {
    const std::size_t x = text.find('x');
    if (x == std::string::npos) return false;
    const auto width = side(std::string_view(text).substr(0, x));
    const auto height = side(std::string_view(text).substr(x + 1));
    if (!width || !height) return false;
    result.width = *width;
    result.height = *height;
    return true;
}

PlotCommandLine helpOrVersion(PlotCommandLine::Action action) {
    PlotCommandLine result;
    result.action = action;
    return result;
}

}  // namespace

PlotCommandLine parsePlotCommandLine(const std::vector<std::string>& arguments) {
    PlotCommandLine result;
    bool optionsEnded = false;
    bool summary = false;
    bool exporting = false;
    std::vector<std::string> files;
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
        if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
            files.push_back(argument);
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "--help" || argument == "-h") {
            return helpOrVersion(PlotCommandLine::Action::Help);
        } else if (argument == "--version") {
            return helpOrVersion(PlotCommandLine::Action::Version);
        } else if (argument == "--summary") {
            summary = true;
        } else if (const auto out = value("--export")) {
            exporting = true;
            result.exportPath = *out;
            if (!out->empty() && !out->ends_with(".png") && !out->ends_with(".svg")) fail("'" + *out + "': not a .png or .svg name");
        } else if (const auto from = value("--from")) {
            result.from = *from;
        } else if (const auto to = value("--to")) {
            result.to = *to;
        } else if (const auto size = value("--size")) {
            if (!size->empty() && !parseSize(*size, result)) fail("invalid size '" + *size + "': WIDTHxHEIGHT, 200 to 10000 each");
        } else {
            fail("unrecognized option '" + argument + "'");
        }
    }
    if (files.size() > 1) fail("extra operand '" + files[1] + "'");
    if (summary && exporting) fail("--summary and --export exclude each other");
    if ((summary || exporting) && files.empty()) fail("missing FILE after --summary or --export");
    if (!summary && !exporting && (!result.from.empty() || !result.to.empty())) fail("--from and --to need --summary or --export");
    if (!result.error.empty()) {
        result.action = PlotCommandLine::Action::UsageError;
        return result;
    }
    if (!files.empty()) result.file = files[0];
    if (summary) result.action = PlotCommandLine::Action::Summary;
    if (exporting) result.action = PlotCommandLine::Action::Export;
    return result;
}

std::string plotHelpText() {
    return "Usage: vemtora-plot [OPTION]... [FILE]\n"
           "  or:  vemtora-plot --summary [--from T] [--to T] FILE\n"
           "  or:  vemtora-plot --export OUT.png|OUT.svg [--from T] [--to T] [--size WxH] FILE\n"
           "Draw a Vemtora log as a graph of volts, amperes and watts against time,\n"
           "and follow it while it grows.\n"
           "\n"
           "      --summary      print the statistics of FILE as 'key: value' lines and exit\n"
           "      --export OUT   write the graph of FILE to OUT (PNG or SVG) and exit\n"
           "      --from T       start at T: 09:05:07, 09:05:07.3 or 2026-12-08T09:05:07\n"
           "      --to T         end at T (a time of day without a date is on the log's first day)\n"
           "      --size WxH     the picture's size in pixels (default 1200x800)\n"
           "  -h, --help         display this help and exit\n"
           "      --version      output version information and exit\n"
           "\n"
           "Qt's own options (for example -platform offscreen) are accepted as well.\n"
           "\n"
           "In the window: mouse wheel or + and - zoom, dragging or the arrow keys pan,\n"
           "Home, 0 or R shows the whole log; File > Export saves the view as PNG or SVG.\n"
           "\n"
           "Exit status: 0 if OK, 1 if FILE cannot be opened or read as a log,\n"
           "2 for a wrong command line.\n";
}

std::string plotVersionText(const std::string& version) { return "vemtora-plot (Vemtora) " + version + "\n"; }

}  // namespace vemtora::plot
