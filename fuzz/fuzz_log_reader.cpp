// Arbitrary bytes as a log file: whatever the chunks a growing file arrives in, the reader takes
// the same samples and skips the same lines as from the whole file at once.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

#include "plot/reader/log_reader.h"
#include "split_input.h"

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
    const vemtora::fuzzing::SplitInput input(data, size);
    const std::string_view file = input.stream;

    Recorded whole;
    LogReader wholeReader(whole);
    wholeReader.feed(file);
    wholeReader.finish();

    Recorded chunked;
    LogReader chunkedReader(chunked);
    input.forEachPiece(256, [&](std::string_view chunk) { chunkedReader.feed(chunk); });
    chunkedReader.finish();

    if (!same(whole.samples, chunked.samples)) std::abort();
    if (wholeReader.skippedLines() != chunkedReader.skippedLines()) std::abort();
    if (wholeReader.samples() != whole.samples.size()) std::abort();
    return 0;
}
