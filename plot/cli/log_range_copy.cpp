#include "log_range_copy.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <string_view>
#include <vector>

#include "plot/reader/log_reader.h"

namespace vemtora::plot {

namespace {

struct SampleCounter final : LogSink {
    std::size_t samples = 0;
    void append(const LogSample&) override { ++samples; }
    void shiftTimes(std::int64_t) override {}
};

std::string failure(const char* what, const std::string& path) {
    return std::string(what) + " " + path + ": " + std::strerror(errno);
}

}  // namespace

std::string copyLogSamples(const std::string& source, const std::string& target, std::size_t begin, std::size_t end) {
    std::ifstream in(source, std::ios::binary);
    if (!in) return failure("cannot read", source);
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    if (!out) return failure("cannot write", target);

    // Each line goes through the reader on its own, so the sample it gives (if any) is known.
    SampleCounter counter;
    LogReader reader(counter);
    std::vector<char> chunk(1 << 20);
    std::string line;
    auto take = [&](std::string_view bytes, bool last) {
        const std::size_t before = counter.samples;
        reader.feed(bytes);
        if (last) reader.finish();
        if (counter.samples > before && before >= begin && before < end) out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    };
    while (counter.samples < end && in) {
        in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        std::string_view bytes(chunk.data(), static_cast<std::size_t>(in.gcount()));
        while (!bytes.empty() && counter.samples < end) {
            const std::size_t feed = bytes.find('\n');
            const std::size_t length = feed == std::string_view::npos ? bytes.size() : feed + 1;
            if (feed == std::string_view::npos && line.size() + length <= kMaxLineBytes + 1) {
                line.append(bytes.substr(0, length));
            } else if (feed != std::string_view::npos) {
                if (line.empty()) {
                    take(bytes.substr(0, length), false);
                } else {
                    line.append(bytes.substr(0, length));
                    take(line, false);
                    line.clear();
                }
            } else {
                // Longer than any log line: the reader skips it, and so does the copy.
                reader.feed(line);
                reader.feed(bytes);
                line.clear();
            }
            bytes.remove_prefix(length);
        }
    }
    if (in.bad()) return failure("cannot read", source);
    if (!line.empty() && counter.samples < end) take(line, true);
    out.flush();
    if (!out) return failure("cannot write", target);
    return {};
}

}  // namespace vemtora::plot
