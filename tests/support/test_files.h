// Real files for the tests: a private folder, file contents, and the process's open descriptors.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

namespace vemtora::testing_support {

class TempFolder {
public:
    // parent: where to make it; the user's temporary folder unless a test needs a known one.
    explicit TempFolder(const std::filesystem::path& parent = std::filesystem::temp_directory_path()) {
        path_ = (parent / "vemtora-XXXXXX").string();
        if (::mkdtemp(path_.data()) == nullptr) ADD_FAILURE() << "mkdtemp failed for " << path_;
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

inline std::string fileContents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Test paths are ASCII, so widening byte by byte is exact.
inline std::wstring widened(const std::string& ascii) { return {ascii.begin(), ascii.end()}; }

// Catches a failed open that leaks a descriptor. The iterator's own descriptor is counted
// every time, so counts compare.
inline long openDescriptorCount() {
    return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), std::filesystem::directory_iterator{});
}

}  // namespace vemtora::testing_support
