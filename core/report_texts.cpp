#include "report_texts.h"

#include "number_format.h"

namespace vemtora {

namespace {

template <typename Text>
void appendClock(Text& text, const LocalTime& time) {
    NumberChars n;
    text.append(formatUnsigned(n, time.hour, 2));
    text.append(":");
    text.append(formatUnsigned(n, time.minute, 2));
    text.append(":");
    text.append(formatUnsigned(n, time.second, 2));
    text.append(".");
    text.append(formatUnsigned(n, time.millisecond / 100u));
}

// ISO 8601 date before the clock, as sort and spreadsheet programs read it.
template <typename Text>
void appendDate(Text& text, const LocalTime& time) {
    NumberChars n;
    text.append(formatUnsigned(n, time.year, 4));
    text.append("-");
    text.append(formatUnsigned(n, time.month, 2));
    text.append("-");
    text.append(formatUnsigned(n, time.day, 2));
    text.append("T");
}

// "+02:00" after the clock, as ISO 8601 writes an offset from UTC.
template <typename Text>
void appendUtcOffset(Text& text, const LocalTime& time) {
    const int minutes = time.utcOffsetMinutes;
    const unsigned size = static_cast<unsigned>(minutes < 0 ? -minutes : minutes);
    NumberChars n;
    text.append(minutes < 0 ? "-" : "+");
    text.append(formatUnsigned(n, size / 60, 2));
    text.append(":");
    text.append(formatUnsigned(n, size % 60, 2));
}

// Fixed notation as the log and the window have always shown it. Only enormous scale factors
// make a text outgrow its buffer; then every value switches to scientific notation, which
// stays true to the value where cutting digits off would not.
enum class Notation { Fixed, Scientific };

template <typename Text>
void appendValue(Text& text, double value, int decimals, Notation notation) {
    NumberChars n;
    text.append(notation == Notation::Fixed ? formatFixed(n, value, decimals) : formatScientific(n, value));
}

// Volts, amperes and watts with the decimals the window and the log show.
template <typename Text>
void appendReadings(Text& text, double voltage, double current, double power, std::string_view separator,
                    Notation notation) {
    appendValue(text, voltage, 1, notation);
    text.append(separator);
    appendValue(text, current, 2, notation);
    text.append(separator);
    appendValue(text, power, 1, notation);
}

template <typename Text, typename Format>
Text formatWithFallback(Format format) {
    Text text;
    if (format(text, Notation::Fixed)) return text;
    text.clear();
    format(text, Notation::Scientific);
    return text;
}

struct Averages {
    double voltage;
    double current;
    double power;
};

Averages averagesOf(const IntervalAccumulator& totals) {
    const double n = totals.frameCount;
    return {totals.voltageTotal / n, totals.currentTotal / n, totals.powerTotal / n};
}

void appendStamp(LogLine& text, const LocalTime& time, LogTimeStamp stamp) {
    if (stamp == LogTimeStamp::LocalDateTime) appendDate(text, time);
    appendClock(text, time);
    if (stamp == LogTimeStamp::LocalDateTime && time.hasUtcOffset) appendUtcOffset(text, time);
}

bool appendLogLine(LogLine& text, const IntervalReading& reading, LogTimeStamp stamp, Notation notation) {
    appendStamp(text, reading.time, stamp);
    text.append("\t");
    appendReadings(text, reading.volts, reading.amperes, reading.watts, "\t", notation);
    return text.append("\n");
}

}  // namespace

void ReportTexts::formatTimeText(const LocalTime& time) {
    timeText.clear();
    appendClock(timeText, time);
}

void ReportTexts::formatMeasurementText(const IntervalAccumulator& totals) {
    const Averages average = averagesOf(totals);
    // Formatted as single-byte text, as the log is; the ASCII result widens unchanged.
    const auto narrow = formatWithFallback<LogLine>([&](LogLine& text, Notation notation) {
        appendReadings(text, average.voltage, average.current, average.power, " ", notation);
        text.append("\r\n");
        appendReadings(text, totals.voltageTotal, totals.currentTotal, totals.powerTotal, " ", notation);
        text.append(" ");
        NumberChars n;
        return text.append(formatSigned(n, totals.frameCount));
    });
    measurementText.clear();
    measurementText.append(narrow.view());
}

void ReportTexts::formatStatusLine(const AcquisitionSettings& settings, bool collecting, bool logging) {
    NumberChars n;
    statusText.clear();
    if (settings.device) {
        statusText.appendText(settings.device->shortName);
    } else {
        statusText.append("COM");
        statusText.append(formatUnsigned(n, std::uint64_t{settings.portIndex} + 1));
    }
    statusText.append(" ");
    statusText.append(formatSigned(n, settings.baudRate));
    statusText.append("bps ");
    if (settings.reportIntervalMs >= 1000) {
        statusText.append(formatSigned(n, settings.reportIntervalMs / 1000));
    } else {
        statusText.append("0.");
        statusText.append(formatSigned(n, settings.reportIntervalMs / 100));
    }
    statusText.append("sec ");
    statusText.append(collecting ? "Xfer" : "");
    statusText.append(" ");
    statusText.append(logging ? "Save" : "");
}

IntervalReading makeIntervalReading(const LocalTime& time, const IntervalAccumulator& totals, std::int32_t intervalMs) {
    const Averages average = averagesOf(totals);
    return {time, average.voltage, average.current, average.power, totals.frameCount, intervalMs};
}

LogLine formatLogLine(const LocalTime& time, const IntervalAccumulator& totals, LogTimeStamp stamp) {
    const IntervalReading reading = makeIntervalReading(time, totals, 0);
    return formatWithFallback<LogLine>(
        [&](LogLine& text, Notation notation) { return appendLogLine(text, reading, stamp, notation); });
}

ReadingFields formatReadingFields(const IntervalReading& reading, LogTimeStamp stamp) {
    // The notation the whole log line fits in, so each value reads as it does there.
    LogLine probe;
    const Notation notation =
        appendLogLine(probe, reading, stamp, Notation::Fixed) ? Notation::Fixed : Notation::Scientific;
    ReadingFields fields;
    appendValue(fields.volts, reading.volts, 1, notation);
    appendValue(fields.amperes, reading.amperes, 2, notation);
    appendValue(fields.watts, reading.watts, 1, notation);
    return fields;
}

LogLine formatDatedTime(const LocalTime& time) {
    LogLine text;
    appendStamp(text, time, LogTimeStamp::LocalDateTime);
    return text;
}

}  // namespace vemtora
