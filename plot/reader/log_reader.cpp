#include "log_reader.h"

#include <algorithm>
#include <cstring>

namespace vemtora::plot {

void LogReader::feed(std::string_view bytes) {
    bytes_ += bytes.size();
    feedLines(bytes);
    sink_.caughtUp();
}

void LogReader::feedLines(std::string_view bytes) {
    if (dropToLineEnd_ && !bytes.empty()) {
        const auto end = bytes.find('\n');
        if (end == std::string_view::npos) return;
        bytes.remove_prefix(end + 1);
        dropToLineEnd_ = false;
    }
    while (!bytes.empty()) {
        const void* found = std::memchr(bytes.data(), '\n', bytes.size());
        const std::size_t length =
            found ? static_cast<std::size_t>(static_cast<const char*>(found) - bytes.data()) : bytes.size();
        const std::string_view piece = bytes.substr(0, length);
        if (overlong_ || partial_.size() + piece.size() > kMaxLineBytes) {
            // Kept no further: garbage without line feeds must not grow memory.
            overlong_ = true;
            partial_.clear();
        }
        if (!found) {
            if (!overlong_) partial_.append(piece);
            return;
        }
        if (overlong_) {
            skipLine();
            overlong_ = false;
        } else if (partial_.empty()) {
            takeLine(piece);  // the common case: parsed where it lies, no copy
        } else {
            partial_.append(piece);
            takeLine(partial_);
            partial_.clear();
        }
        bytes.remove_prefix(length + 1);
    }
}

namespace {

// Vemtora writes the watts with one decimal: a line that stops short of it was cut inside its
// last number ("…\t28" of "…\t283.4"), and taking it would draw a value that never was.
bool endsWithWholeWatts(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (std::count(line.begin(), line.end(), '\t') < 3) return false;
    const std::size_t n = line.size();
    const auto digit = [&](std::size_t i) { return line[i] >= '0' && line[i] <= '9'; };
    return n >= 3 && digit(n - 1) && line[n - 2] == '.' && digit(n - 3);
}

}  // namespace

bool LogReader::settlePartialLine() {
    if (partial_.empty() || overlong_ || !endsWithWholeWatts(partial_)) return false;
    takeLine(partial_);
    partial_.clear();
    dropToLineEnd_ = true;
    sink_.caughtUp();
    return true;
}

// The same rule as settling, so a summary and a window agree on a cut last line: never a sample.
void LogReader::finish() {
    if (overlong_ || (!partial_.empty() && !endsWithWholeWatts(partial_))) {
        skipLine();
    } else if (!partial_.empty()) {
        takeLine(partial_);
    }
    partial_.clear();
    overlong_ = false;
    dropToLineEnd_ = false;
    sink_.caughtUp();
}

void LogReader::reset() {
    partial_.clear();
    overlong_ = false;
    dropToLineEnd_ = false;
    samples_ = 0;
    skipped_ = 0;
    bytes_ = 0;
    clockSteps_ = 0;
    dated_ = false;
    day_ = 0;
    lastTenthsOfDay_ = -1;
    lastTenths_ = 0;
    firstUtcOffset_.reset();
}

void LogReader::takeLine(std::string_view line) {
    const auto record = parseLogLine(line);
    if (record) {
        takeRecord(*record);
    } else {
        skipLine();
    }
}

void LogReader::skipLine() {
    ++skipped_;
    sink_.skippedLine();
}

namespace {

bool passesMidnight(std::int64_t lastTenthsOfDay, std::int64_t tenthsOfDay) {
    return lastTenthsOfDay - tenthsOfDay > kNewDayStepBack;
}

}  // namespace

// A stamp with an offset from UTC moved onto the clock of the log's first offset: the hour repeated
// at the end of summer time then follows the first instead of overlaying it.
LogStamp LogReader::onFirstClock(const LogStamp& stamp) {
    if (!stamp.day || !stamp.utcOffsetMinutes) return stamp;
    if (!firstUtcOffset_) firstUtcOffset_ = stamp.utcOffsetMinutes;
    const std::int64_t placed =
        *stamp.day * kTenthsPerDay + stamp.tenthsOfDay - std::int64_t{*stamp.utcOffsetMinutes - *firstUtcOffset_} * 600;
    const std::int64_t day = placed / kTenthsPerDay - (placed % kTenthsPerDay < 0 ? 1 : 0);
    return {placed - day * kTenthsPerDay, day, stamp.utcOffsetMinutes};
}

void LogReader::takeRecord(const LogRecord& raw) {
    const LogStamp stamp = onFirstClock(raw.stamp);
    const LogRecord record{stamp, raw.volts, raw.amperes, raw.watts};
    const std::int64_t tenthsOfDay = record.stamp.tenthsOfDay;
    const bool first = lastTenthsOfDay_ < 0;
    if (record.stamp.day) {
        if (!dated_ && !first) {
            // The undated lines so far lead up to this one: the midnight rule, run backwards.
            const std::int64_t lastDay = *record.stamp.day - (passesMidnight(lastTenthsOfDay_, tenthsOfDay) ? 1 : 0);
            const std::int64_t shift = (lastDay - day_) * kTenthsPerDay;
            sink_.shiftTimes(shift);
            lastTenths_ += shift;
        }
        dated_ = true;
        day_ = *record.stamp.day;
    } else if (!first && passesMidnight(lastTenthsOfDay_, tenthsOfDay)) {
        ++day_;
    }
    const std::int64_t tenths = day_ * kTenthsPerDay + tenthsOfDay;
    if (!first && tenths < lastTenths_) ++clockSteps_;
    lastTenthsOfDay_ = tenthsOfDay;
    lastTenths_ = tenths;
    ++samples_;
    const std::int64_t clockMinusTenths = raw.stamp.utcOffsetMinutes && firstUtcOffset_
                                              ? std::int64_t{*raw.stamp.utcOffsetMinutes - *firstUtcOffset_} * 600
                                              : 0;
    sink_.append({tenths, record.volts, record.amperes, record.watts, clockMinusTenths, raw.stamp.utcOffsetMinutes});
}

}  // namespace vemtora::plot
