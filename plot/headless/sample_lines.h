// Samples written out by the very lines they were read from: a stretch saved as a log of its
// own, byte for byte, or as comma-separated values for a spreadsheet.
#pragma once

#include <span>
#include <string>

#include "log_files.h"
#include "plot/series/statistics.h"

namespace vemtora::plot {

enum class LineFormat {
    AsLogged,  // each line as it is, a last one without its line feed too
    Csv,       // a header, then "time,volts,amperes,watts" with the fields as the log wrote them
};

// Writes to `target` the lines of `sources` that gave the samples of `runs`, numbered as the
// store numbers them; lines that did not read are left out. `target` may be none of the sources.
// Returns the reason of a failure, or "".
std::string writeSampleLines(std::span<const LogSource> sources, std::span<const SampleSpan> runs,
                             const std::string& target, LineFormat format);

}  // namespace vemtora::plot
