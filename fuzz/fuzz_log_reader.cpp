// Arbitrary bytes as a log file: whatever the chunks a growing file arrives in, the reader takes
// the same samples and skips the same lines as from the whole file at once.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

#include "plot/reader/log_reader.h"

using namespace vemtora::plot;

namespace {

struct Recorded : LogSink {
    std::vector<LogSample> samples;
    void append(const LogSample& sample) override { samples.push_back(sample); }
    void shiftTimes(std::int64_t tenths) override {
        for (auto& sample : samples) sample.tenths += tenths;
    }
};

bool same(const std::vector<LogSample>& a, const std::vector<LogSample>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        // Bitwise, so a NaN read the same way compares equal.
        if (a[i].tenths != b[i].tenths || std::memcmp(&a[i].volts, &b[i].volts, sizeof(double)) != 0 ||
            std::memcmp(&a[i].amperes, &b[i].amperes, sizeof(double)) != 0 ||
            std::memcmp(&a[i].watts, &b[i].watts, sizeof(double)) != 0) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The first byte says how many of the following bytes are chunk sizes; the rest is the file.
    if (size == 0) return 0;
    std::size_t cutCount = data[0] % 16;
    if (cutCount > size - 1) cutCount = size - 1;
    const std::uint8_t* cuts = data + 1;
    const std::string_view file(reinterpret_cast<const char*>(cuts + cutCount), size - 1 - cutCount);

    Recorded whole;
    LogReader wholeReader(whole);
    wholeReader.feed(file);
    wholeReader.finish();

    Recorded chunked;
    LogReader chunkedReader(chunked);
    std::size_t next = 0;
    for (std::size_t i = 0; next < file.size(); ++i) {
        std::size_t chunk = cutCount == 0 ? 1 : cuts[i % cutCount] + 1;
        if (chunk > file.size() - next) chunk = file.size() - next;
        chunkedReader.feed(file.substr(next, chunk));
        next += chunk;
    }
    chunkedReader.finish();

    if (!same(whole.samples, chunked.samples)) std::abort();
    if (wholeReader.skippedLines() != chunkedReader.skippedLines()) std::abort();
    if (wholeReader.samples() != whole.samples.size()) std::abort();
    return 0;
}
