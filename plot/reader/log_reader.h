// Reads a log incrementally from chunks of bytes as they arrive, as a growing file delivers them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "log_line.h"

namespace vemtora::plot {

struct LogSample {
    // Since 1970-01-01 00:00 of the log's own wall clock (no time zone); a stamp with an offset from
    // UTC by its instant, on the clock of the log's first offset.
    std::int64_t tenths = 0;
    double volts = 0.0;
    double amperes = 0.0;
    double watts = 0.0;
    // The stamp as written, less `tenths`: not 0 only where the offset differs from the first.
    std::int64_t clockMinusTenths = 0;
    std::optional<std::int32_t> utcOffsetMinutes;
};

class LogSink {
public:
    virtual ~LogSink() = default;
    virtual void append(const LogSample& sample) = 0;
    // Moves every sample appended so far; a date arriving after undated lines dates them too.
    virtual void shiftTimes(std::int64_t tenths) = 0;
    // A line that gave no sample, after the samples appended so far.
    virtual void skippedLine() {}
    // All bytes given so far are read: what waits on later samples may be judged with what is known.
    virtual void caughtUp() {}
};

// A line that can never be a log line: far longer than any formatLogLine writes.
inline constexpr std::size_t kMaxLineBytes = 4096;

// A plain stamp further back than this from the one before is past midnight; a smaller step back
// is a clock set back (a correction, the hour repeated at the end of summer time) on the same day.
inline constexpr std::int64_t kNewDayStepBack = kTenthsPerDay / 2;

class LogReader {
public:
    explicit LogReader(LogSink& sink) : sink_(sink) {}

    // Any bytes, split anywhere. A last line without its line feed waits for the rest.
    void feed(std::string_view bytes);
    // The input (or one of several files read as one log) has ended: a last line without a line
    // feed is taken as settlePartialLine would take it, and otherwise skipped.
    void finish();
    // The file stopped growing inside a line: that line is taken as it stands, and the rest of it,
    // should it arrive after all (its line feed), is dropped so it counts once. False when there
    // was no such line, only an overlong one (which stays skipped), or one that stops inside its
    // last number (which waits for the rest).
    bool settlePartialLine();
    // Forgets everything, for reading a replaced or cut-back file from its start.
    void reset();

    std::uint64_t samples() const { return samples_; }
    std::uint64_t skippedLines() const { return skipped_; }
    bool hasPartialLine() const { return !partial_.empty() || overlong_; }
    std::uint64_t bytesRead() const { return bytes_; }
    bool dated() const { return dated_; }
    // Samples earlier than the one before them that start no new day.
    std::uint64_t clockSteps() const { return clockSteps_; }

private:
    void feedLines(std::string_view bytes);
    void takeLine(std::string_view line);
    void skipLine();
    void takeRecord(const LogRecord& raw);
    LogStamp onFirstClock(const LogStamp& stamp);

    LogSink& sink_;
    std::string partial_;
    bool overlong_ = false;
    bool dropToLineEnd_ = false;  // after settlePartialLine
    std::uint64_t samples_ = 0;
    std::uint64_t skipped_ = 0;
    std::uint64_t bytes_ = 0;
    std::uint64_t clockSteps_ = 0;
    bool dated_ = false;
    std::int64_t day_ = 0;
    std::int64_t lastTenthsOfDay_ = -1;
    std::int64_t lastTenths_ = 0;                 // of the sample before, as appended (and shifted)
    std::optional<std::int32_t> firstUtcOffset_;  // the clock the log's times are drawn in
};

}  // namespace vemtora::plot
