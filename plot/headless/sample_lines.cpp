#include "sample_lines.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <limits>
#include <string_view>
#include <vector>

#include "io/posix/owned_descriptor.h"

namespace vemtora::plot {

namespace {

struct SampleCounter final : LogSink {
    std::size_t samples = 0;
    void append(const LogSample&) override { ++samples; }
    void shiftTimes(std::int64_t) override {}
};

std::string failure(const char* what, const std::string& path, int error) {
    return std::string(what) + " " + path + ": " + std::strerror(error);
}

// Whether sample `index` lies in one of the ascending runs, from `run` on; `run` moves along.
bool inRuns(std::span<const SampleSpan> runs, std::size_t& run, std::size_t index) {
    while (run < runs.size() && runs[run].end <= index) ++run;
    return run < runs.size() && runs[run].begin <= index;
}

void writeLine(std::ofstream& out, std::string_view line, LineFormat format) {
    if (format == LineFormat::AsLogged) {
        out.write(line.data(), static_cast<std::streamsize>(line.size()));
        return;
    }
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    std::string row(line);
    std::replace(row.begin(), row.end(), '\t', ',');
    row += '\n';
    out.write(row.data(), static_cast<std::streamsize>(row.size()));
}

// Goes through one file's lines, counting its samples from `first` as the reader does.
class SourceLines {
public:
    SourceLines(int fd, std::size_t first) : fd_(fd) { counter_.samples = first; }

    template <typename Take>
    int forEachSampleLine(std::size_t stopAt, Take take) {
        std::vector<char> chunk(1 << 20);
        std::string line;
        bool overlong = false;
        off_t offset = 0;
        while (counter_.samples < stopAt) {
            const ssize_t got = ::pread(fd_, chunk.data(), chunk.size(), offset);
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) return errno;
            if (got == 0) break;
            offset += got;
            std::string_view bytes(chunk.data(), static_cast<std::size_t>(got));
            while (!bytes.empty() && counter_.samples < stopAt) {
                const std::size_t feed = bytes.find('\n');
                const std::size_t length = feed == std::string_view::npos ? bytes.size() : feed + 1;
                // Longer than any log line: never a sample, so never kept.
                overlong = overlong || line.size() + length > kMaxLineBytes + 2;
                if (!overlong) line.append(bytes.substr(0, length));
                if (feed != std::string_view::npos) {
                    if (!overlong) offer(line, false, take);
                    line.clear();
                    overlong = false;
                }
                bytes.remove_prefix(length);
            }
        }
        if (!line.empty() && !overlong && counter_.samples < stopAt) offer(line, true, take);
        return 0;
    }

private:
    template <typename Take>
    void offer(std::string_view line, bool last, Take& take) {
        const std::size_t before = counter_.samples;
        reader_.feed(line);
        if (last) reader_.finish();
        if (counter_.samples > before) take(before, line);
    }

    int fd_;
    SampleCounter counter_;
    LogReader reader_{counter_};
};

}  // namespace

std::string writeSampleLines(std::span<const LogSource> sources, std::span<const SampleSpan> runs,
                             const std::string& target, LineFormat format) {
    std::vector<posix::OwnedDescriptor> opened(sources.size());
    std::vector<int> fds;
    for (std::size_t k = 0; k < sources.size(); ++k) {
        if (sources[k].descriptor < 0) {
            opened[k].reset(::open(sources[k].path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
            if (!opened[k].isOpen()) return failure("cannot read", sources[k].path, errno);
        }
        fds.push_back(sources[k].descriptor < 0 ? opened[k].get() : sources[k].descriptor);
    }
    struct stat wanted {};
    if (::stat(target.c_str(), &wanted) == 0) {
        for (std::size_t k = 0; k < sources.size(); ++k) {
            struct stat source {};
            if (::fstat(fds[k], &source) == 0 && source.st_dev == wanted.st_dev && source.st_ino == wanted.st_ino) {
                return target + " is the log itself";
            }
        }
    }
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    if (!out) return failure("cannot write", target, errno);
    if (format == LineFormat::Csv) out << "time,volts,amperes,watts\n";
    std::size_t run = 0;
    const std::size_t lastSample = runs.empty() ? 0 : runs.back().end;
    for (std::size_t k = 0; k < sources.size() && sources[k].firstSample < lastSample; ++k) {
        const std::size_t stopAt =
            k + 1 < sources.size() ? sources[k + 1].firstSample : std::numeric_limits<std::size_t>::max();
        SourceLines lines(fds[k], sources[k].firstSample);
        const int error =
            lines.forEachSampleLine(std::min(stopAt, lastSample), [&](std::size_t sample, std::string_view line) {
                if (inRuns(runs, run, sample)) writeLine(out, line, format);
            });
        if (error != 0) return failure("cannot read", sources[k].path, error);
    }
    out.flush();
    if (!out) return failure("cannot write", target, errno);
    return {};
}

}  // namespace vemtora::plot
