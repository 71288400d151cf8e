// Every text the program formats: the window's clock, averages and status line, and the log line.
#pragma once

#include "acquisition_settings.h"
#include "bounded_text.h"
#include "interval_reading.h"
#include "local_time.h"
#include "meter_frame.h"

namespace vemtora {

inline constexpr std::size_t kTextCapacity = 256;  // terminating NUL included

using WindowText = BoundedText<wchar_t, kTextCapacity>;
using LogLine = BoundedText<char, kTextCapacity>;

struct ReportTexts {
    WindowText timeText;
    WindowText measurementText;
    WindowText statusText;

    void formatTimeText(const LocalTime& time);
    // Requires totals.frameCount > 0.
    void formatMeasurementText(const IntervalAccumulator& totals);
    void formatStatusLine(const AcquisitionSettings& settings, bool collecting, bool logging);
};

// Requires totals.frameCount > 0. Always ends with a single line feed.
LogLine formatLogLine(const LocalTime& time, const IntervalAccumulator& totals,
                      LogTimeStamp stamp = LogTimeStamp::TimeOfDay);

// Requires totals.frameCount > 0.
IntervalReading makeIntervalReading(const LocalTime& time, const IntervalAccumulator& totals, std::int32_t intervalMs);

// The three values with the digits the log line gives them, for outputs that write them apart.
struct ReadingFields {
    LogLine volts;
    LogLine amperes;
    LogLine watts;
};
ReadingFields formatReadingFields(const IntervalReading& reading, LogTimeStamp stamp = LogTimeStamp::TimeOfDay);

// The dated log line's first field, "2026-10-25T02:30:00.1+02:00" (no offset where the clock
// gives none), for outputs that need the day as well.
LogLine formatDatedTime(const LocalTime& time);

}  // namespace vemtora
