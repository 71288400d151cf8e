// Checks a log written during a soak run: every line whole and well-formed, its time never going back.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vemtora::soak {

struct LogCheck {
    std::size_t lines = 0;
    std::vector<std::string> problems;  // empty when the log is sound
};

// expectedValues: the three averages as the log prints them ("64.6\t1.94\t125.3"),
// which a steady meter gives on every line.
LogCheck checkLog(std::string_view content, std::string_view expectedValues);

// Tenths of a second since midnight of a line's time stamp, or -1.
long tenthsOf(std::string_view line);

}  // namespace vemtora::soak
