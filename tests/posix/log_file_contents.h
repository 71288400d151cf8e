// Reading back what the log writer left in a file.
#pragma once

#include <fstream>
#include <iterator>
#include <string>

namespace vemtora::testing_support {

inline std::string fileContents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeFile(const std::string& path, const std::string& contents) {
    std::ofstream(path, std::ios::binary) << contents;
}

// Test paths are ASCII, so widening byte by byte is exact.
inline std::wstring widened(const std::string& ascii) { return {ascii.begin(), ascii.end()}; }

}  // namespace vemtora::testing_support
