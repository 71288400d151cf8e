// Help rows, written once for every program's --help.
#include "usage_text.h"

#include <charconv>

#include "acquisition_settings.h"

namespace vemtora {

namespace {
constexpr std::size_t kHelpColumn = 27;
constexpr std::size_t kLineWidth = 79;
}  // namespace

void addHelpRow(std::string& text, std::string_view left, std::string_view help) {
    std::string row = "  " + std::string(left);
    row += row.size() < kHelpColumn ? std::string(kHelpColumn - row.size(), ' ') : "\n" + std::string(kHelpColumn, ' ');
    std::size_t column = kHelpColumn;
    while (!help.empty()) {
        const std::size_t blank = help.find(' ');
        const std::string_view word = help.substr(0, blank);
        if (column > kHelpColumn && column + 1 + word.size() > kLineWidth) {
            row += "\n" + std::string(kHelpColumn, ' ');
            column = kHelpColumn;
        } else if (column > kHelpColumn) {
            row += ' ';
            ++column;
        }
        row += word;
        column += word.size();
        help.remove_prefix(blank == std::string_view::npos ? help.size() : blank + 1);
    }
    text += row + "\n";
}

void addPositionalHelpRows(std::string& text) {
    const AcquisitionSettings defaults;
    addHelpRow(text, "port-index",
               "COM port, 0 (" + portNameText(0) + ") to " + std::to_string(kPortCount - 1) + " (" +
                   portNameText(kPortCount - 1) + "); default " + std::to_string(defaults.portIndex) + " (" +
                   portNameText(defaults.portIndex) + ")");
    addHelpRow(text, "voltage-scale current-scale",
               "both or none, each a number above 0 with a decimal point; defaults " +
                   shortestText(defaults.voltageScale) + " " + shortestText(defaults.currentScale));
}

std::string portNameText(std::uint32_t index) {
    const std::wstring_view wide = kPortNames[index];
    return {wide.begin(), wide.end()};
}

std::string shortestText(double value) {
    char digits[32];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    return {digits, result.ptr};
}

std::string devicePathError(std::string_view option, std::string_view value) {
    if (value.empty()) return std::string(option) + " needs a path";
    return std::string(option) + " '" + std::string(value) + "': the path is not valid UTF-8";
}

std::string messageLine(std::string_view program, std::string_view sentence) {
    return std::string(program) + ": " + std::string(sentence) + "\n";
}

std::string usageErrorText(std::string_view program, std::string_view error) {
    return messageLine(program, error) + "Try '" + std::string(program) + " --help' for more information.\n";
}

}  // namespace vemtora
