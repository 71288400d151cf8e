#include "log_files.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace vemtora::plot {

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// The shortest line that reads as a sample: "00:00:00.0\t0.0\t0.00\t0.0\n".
constexpr std::size_t kShortestLine = 24;

std::string readInto(const std::string& path, LogReader& reader) {
    errno = 0;
    const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) return std::strerror(errno != 0 ? errno : ENOENT);
    struct stat status {};
    if (::fstat(fileno(file.get()), &status) == 0 && S_ISDIR(status.st_mode)) return std::strerror(EISDIR);
    std::vector<char> chunk(1 << 20);
    while (true) {
        const std::size_t got = std::fread(chunk.data(), 1, chunk.size(), file.get());
        reader.feed(std::string_view(chunk.data(), got));
        if (got < chunk.size()) break;
    }
    if (std::ferror(file.get())) return std::strerror(errno != 0 ? errno : EIO);
    reader.finish();
    return {};
}

}  // namespace

std::string logProblem(const LogReader& reader) {
    if (reader.samples() > 0) return {};
    return reader.bytesRead() > 0 ? "not a Vemtora log" : "empty log";
}

std::string loadLogs(std::span<const std::string> paths, LoadedLog& log) {
    // Room for every line at once: growing by doubling would briefly hold a week's samples twice.
    std::size_t bytes = 0;
    for (const std::string& path : paths) {
        struct stat status {};
        if (::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode))
            bytes += static_cast<std::size_t>(status.st_size);
    }
    log.store.reserve(bytes / kShortestLine + 1);
    for (const std::string& path : paths) {
        log.sources.push_back({path, log.store.size()});
        if (std::string error = readInto(path, log.reader); !error.empty()) return path + ": " + error;
    }
    const std::string problem = logProblem(log.reader);
    if (problem.empty()) return problem;
    std::string names;
    for (const std::string& path : paths) names += (names.empty() ? "" : ", ") + path;
    return names + ": " + problem;
}

}  // namespace vemtora::plot
