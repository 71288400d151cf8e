#include "tools/soak/log_check.h"

namespace vemtora::soak {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

long tenthsOf(std::string_view line) {
    // hh:mm:ss.t
    if (line.size() < 10 || line[2] != ':' || line[5] != ':' || line[8] != '.') return -1;
    for (std::size_t i : {0u, 1u, 3u, 4u, 6u, 7u, 9u}) {
        if (!isDigit(line[i])) return -1;
    }
    const auto two = [&](std::size_t i) { return (line[i] - '0') * 10 + (line[i + 1] - '0'); };
    if (two(0) > 23 || two(3) > 59 || two(6) > 59) return -1;
    return ((two(0) * 60L + two(3)) * 60L + two(6)) * 10L + (line[9] - '0');
}

LogCheck checkLog(std::string_view content, std::string_view expectedValues) {
    LogCheck check;
    if (!content.empty() && content.back() != '\n') check.problems.push_back("the last line is cut off");
    long previous = -1;
    std::size_t start = 0;
    while (start < content.size()) {
        std::size_t end = content.find('\n', start);
        if (end == std::string_view::npos) end = content.size();
        const std::string_view line = content.substr(start, end - start);
        start = end + 1;
        ++check.lines;
        const std::string where = "line " + std::to_string(check.lines) + " \"" + std::string(line) + "\": ";
        const long tenths = tenthsOf(line);
        if (tenths < 0 || line.size() < 11 || line[10] != '\t' || line.substr(11) != expectedValues) {
            check.problems.push_back(where + "not a well-formed line with the meter's values");
            continue;
        }
        // Across midnight the clock starts again from zero. A late report tick and the next one
        // may share a tenth of a second; a line written twice shows in the line count instead.
        if (previous >= 0 && tenths < previous && !(previous > 863000 && tenths < 1000)) {
            check.problems.push_back(where + "time stamp goes back");
        }
        previous = tenths;
    }
    return check;
}

}  // namespace vemtora::soak
