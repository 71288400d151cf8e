// How many file descriptors the test process holds, to catch a failed open that leaks one.
#pragma once

#include <cstddef>
#include <filesystem>
#include <iterator>

namespace vemtora::testing_support {

inline std::size_t openDescriptorCount() {
    // The directory iterator holds one descriptor of its own, the same one every time.
    const std::filesystem::directory_iterator entries("/proc/self/fd");
    return static_cast<std::size_t>(std::distance(entries, std::filesystem::directory_iterator{}));
}

}  // namespace vemtora::testing_support
