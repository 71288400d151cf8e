#include "log_summary.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "plot/series/decimation.h"
#include "plot/series/statistics.h"
#include "plot/series/statistics_text.h"
#include "plot/series/time_axis.h"

namespace vemtora::plot {

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// "09:05:07" or "2026-12-08T09:05:07", with or without tenths, as a log stamp.
std::optional<std::int64_t> rangeTime(const std::string& text, std::int64_t firstDay) {
    std::string stamp = text;
    if (stamp.size() == 8 || stamp.size() == 19) stamp += ".0";
    const auto parsed = parseLogStamp(stamp);
    if (!parsed) return std::nullopt;
    return parsed->day.value_or(firstDay) * kTenthsPerDay + parsed->tenthsOfDay;
}

}  // namespace

std::string logProblem(const LogReader& reader) {
    if (reader.samples() > 0) return {};
    return reader.skippedLines() > 0 ? "not a Vemtora log" : "empty log";
}

std::string loadLog(const std::string& path, LoadedLog& log) {
    errno = 0;
    const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) return std::strerror(errno != 0 ? errno : ENOENT);
    std::vector<char> chunk(1 << 20);
    while (true) {
        const std::size_t got = std::fread(chunk.data(), 1, chunk.size(), file.get());
        log.reader.feed(std::string_view(chunk.data(), got));
        if (got < chunk.size()) break;
    }
    if (std::ferror(file.get())) return std::strerror(errno != 0 ? errno : EIO);
    log.reader.finish();
    return logProblem(log.reader);
}

std::optional<TimeRange> rangeOf(const SampleStore& store, bool dated, const std::string& from, const std::string& to,
                                 std::string& error) {
    const auto times = store.tenths();
    if (times.empty()) {
        error = "no samples";
        return std::nullopt;
    }
    const auto [low, high] = std::minmax_element(times.begin(), times.end());
    const std::int64_t firstDay = times.front() / kTenthsPerDay - (times.front() % kTenthsPerDay < 0 ? 1 : 0);
    std::int64_t begin = *low;
    std::int64_t end = *high;
    for (const auto& [text, bound] : {std::pair{&from, &begin}, std::pair{&to, &end}}) {
        if (text->empty()) continue;
        const auto tenths = rangeTime(*text, firstDay);
        if (!tenths) {
            error = "invalid time '" + *text + "': hh:mm:ss[.t]" + (dated ? " or YYYY-MM-DDThh:mm:ss[.t]" : "");
            return std::nullopt;
        }
        *bound = *tenths;
    }
    if (end < begin) {
        error = "--to is before --from";
        return std::nullopt;
    }
    return TimeRange{begin, end};
}

std::string summaryText(const LoadedLog& log, const TimeRange& range) {
    const SampleStore& store = log.store;
    const bool dated = log.reader.dated();
    const Statistics s = statisticsOf(store, firstIndexAtOrAfter(store.tenths(), range.from),
                                      firstIndexAtOrAfter(store.tenths(), range.to + 1));
    std::string text;
    const auto line = [&text](const std::string& key, const std::string& value) { text += key + ": " + value + "\n"; };
    line("start", stampLabel(range.from, dated));
    line("end", stampLabel(range.to, dated));
    line("duration", durationText(s.coveredTenths));
    line("samples", std::to_string(s.samples));
    line("gaps", std::to_string(s.gaps));
    line("skipped lines", std::to_string(log.reader.skippedLines()));
    line("clock steps", std::to_string(log.reader.clockSteps()));
    for (Quantity quantity : kQuantities) {
        const QuantityStatistics& q = s.of(quantity);
        const std::string unit = std::string(" ") + unitOf(quantity);
        const int decimals = decimalsOf(quantity);
        const auto value = [&](double v) { return q.count > 0 ? fixedText(v, decimals) + unit : std::string("none"); };
        line(std::string(nameOf(quantity)) + " min", value(q.min));
        line(std::string(nameOf(quantity)) + " mean", value(q.mean));
        line(std::string(nameOf(quantity)) + " max", value(q.max));
    }
    line("energy", energyText(s.energyWh));
    return text;
}

}  // namespace vemtora::plot
