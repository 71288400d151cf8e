// A stretch of a log saved as a log of its own: the very lines it was read from, byte for byte.
#pragma once

#include <cstddef>
#include <string>

namespace vemtora::plot {

// Copies to `target` the lines of `source` that gave samples [begin, end) when read from its start
// (as the plot's store numbers them); malformed lines between them are left out. A last line
// without a line feed is copied as it is. Returns the reason of a failure, or "".
std::string copyLogSamples(const std::string& source, const std::string& target, std::size_t begin, std::size_t end);

}  // namespace vemtora::plot
