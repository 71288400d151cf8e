#include "core/report_texts.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace vemtora {
namespace {

IntervalAccumulator totalsOf(std::initializer_list<Reading> readings) {
    IntervalAccumulator totals;
    for (const auto& r : readings) totals.add(r);
    return totals;
}

std::string narrow(std::wstring_view wide) {
    std::string s;
    for (wchar_t c : wide) {
        EXPECT_LT(static_cast<unsigned>(c), 128u);
        s.push_back(static_cast<char>(c));
    }
    return s;
}

struct TimeCase {
    LocalTime time;
    const char* text;
};

class TimeTexts : public ::testing::TestWithParam<TimeCase> {};

TEST_P(TimeTexts, ShowTenthsOfASecond) {
    ReportTexts texts;
    texts.formatTimeText(GetParam().time);
    EXPECT_EQ(narrow(texts.timeText.view()), GetParam().text);
    EXPECT_EQ(texts.timeText.length(), std::char_traits<char>::length(GetParam().text));
    EXPECT_EQ(texts.timeText.c_str()[texts.timeText.length()], L'\0');
}

INSTANTIATE_TEST_SUITE_P(Cases, TimeTexts,
                         ::testing::Values(TimeCase{{9, 5, 7, 300}, "09:05:07.3"}, TimeCase{{0, 0, 0, 0}, "00:00:00.0"},
                                           TimeCase{{23, 59, 59, 999}, "23:59:59.9"},
                                           TimeCase{{12, 30, 1, 99}, "12:30:01.0"},
                                           TimeCase{{12, 30, 1, 100}, "12:30:01.1"},
                                           TimeCase{{65535, 100, 7, 65535}, "65535:100:07.655"}));

TEST(MeasurementText, ShowsAveragesThenTotalsAndCount) {
    ReportTexts texts;
    texts.formatMeasurementText(totalsOf({{64.6, 1.94, 125.324}}));
    EXPECT_EQ(narrow(texts.measurementText.view()), "64.6 1.94 125.3\r\n64.6 1.94 125.3 1");
    EXPECT_EQ(texts.measurementText.length(), 34u);

    texts.formatMeasurementText(totalsOf({{-64.6, 0.0291, -1.0}, {-64.6, 0.0291, -1.0}}));
    EXPECT_EQ(narrow(texts.measurementText.view()), "-64.6 0.03 -1.0\r\n-129.2 0.06 -2.0 2");
}

TEST(MeasurementText, NeverOutgrowsItsBufferAndStaysTrue) {
    // Only enormous scale factors get here: 7 numbers of about 100 digits each.
    ReportTexts texts;
    const IntervalAccumulator totals = totalsOf({{1e100, -2e100, 3e100}});
    texts.formatMeasurementText(totals);
    EXPECT_LE(texts.measurementText.length(), 255u);
    EXPECT_EQ(narrow(texts.measurementText.view()), "1e+100 -2e+100 3e+100\r\n1e+100 -2e+100 3e+100 1");

    const double huge = std::numeric_limits<double>::max();
    texts.formatMeasurementText(totalsOf({{-huge, -huge, -huge}}));
    EXPECT_LE(texts.measurementText.length(), 255u);
    EXPECT_EQ(texts.measurementText.view().substr(0, 24), L"-1.7976931348623157e+308");
}

TEST(LogLine, IsTabSeparatedWithOneLineFeed) {
    const LogLine line = formatLogLine({9, 5, 7, 300}, totalsOf({{64.6, 1.94, 125.324}}));
    EXPECT_EQ(line.view(), "09:05:07.3\t64.6\t1.94\t125.3\n");

    const LogLine average = formatLogLine({0, 0, 0, 50}, totalsOf({{1.0, 0.004, 0.25}, {2.0, 0.006, 0.35}}));
    EXPECT_EQ(average.view(), "00:00:00.0\t1.5\t0.01\t0.3\n");
}

TEST(LogLine, BoundedLineStillEndsWithItsLineFeed) {
    const LogLine line = formatLogLine({1, 2, 3, 400}, totalsOf({{1e200, 1e200, 1e300}}));
    EXPECT_LE(line.length(), 255u);
    EXPECT_EQ(line.view(), "01:02:03.4\t1e+200\t1e+200\t1e+300\n");

    // Just below the limit the fixed form stays.
    const LogLine fits = formatLogLine({1, 2, 3, 400}, totalsOf({{1e70, 1e70, 1e70}}));
    EXPECT_EQ(fits.length(), 234u);
    EXPECT_EQ(fits.view().back(), '\n');
}

// Outputs that write the values apart give them the log line's digits, in either notation.
TEST(ReadingFields, AreTheLogLinesOwnDigits) {
    const LocalTime time{2, 30, 0, 0, 2026, 10, 25, 120, true};
    for (const LogTimeStamp stamp : {LogTimeStamp::TimeOfDay, LogTimeStamp::LocalDateTime}) {
        // 1e72 fits the short stamp's line in fixed notation and not the dated one's.
        for (const Reading& value : {Reading{64.6, 1.94, 125.324}, Reading{-0.04, -0.005, 0.05},
                                     Reading{1e72, 1e72, 1e72}, Reading{1e200, 2e200, 1e300}}) {
            const IntervalAccumulator totals = totalsOf({value, value});
            const std::string line(formatLogLine(time, totals, stamp).view());
            const ReadingFields fields = formatReadingFields(makeIntervalReading(time, totals, 100), stamp);
            const std::string joined = std::string("\t")
                                           .append(fields.volts.view())
                                           .append("\t")
                                           .append(fields.amperes.view())
                                           .append("\t")
                                           .append(fields.watts.view())
                                           .append("\n");
            EXPECT_EQ(line.substr(line.find('\t')), joined) << value.voltage;
        }
    }
    const IntervalReading reading = makeIntervalReading(time, totalsOf({{1.0, 2.0, 3.0}, {2.0, 4.0, 6.0}}), 500);
    EXPECT_EQ(reading.frameCount, 2);
    EXPECT_EQ(reading.intervalMs, 500);
    EXPECT_DOUBLE_EQ(reading.watts, 4.5);
}

struct StampCase {
    LogTimeStamp stamp;
    LocalTime time;
    const char* line;
};

class LogLineStamps : public ::testing::TestWithParam<StampCase> {};

TEST_P(LogLineStamps, LeadTheLineInTheChosenForm) {
    const auto& c = GetParam();
    EXPECT_EQ(formatLogLine(c.time, totalsOf({{64.6, 1.94, 125.324}}), c.stamp).view(), c.line);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LogLineStamps,
    ::testing::Values(
        // The window edition's form ignores the date, so its files stay byte for byte the same.
        StampCase{LogTimeStamp::TimeOfDay, {9, 5, 7, 300, 2026, 12, 8}, "09:05:07.3\t64.6\t1.94\t125.3\n"},
        StampCase{
            LogTimeStamp::LocalDateTime, {9, 5, 7, 300, 2026, 12, 8}, "2026-12-08T09:05:07.3\t64.6\t1.94\t125.3\n"},
        StampCase{
            LogTimeStamp::LocalDateTime, {23, 59, 59, 999, 2026, 12, 31}, "2026-12-31T23:59:59.9\t64.6\t1.94\t125.3\n"},
        StampCase{LogTimeStamp::LocalDateTime, {0, 0, 0, 0, 987, 1, 1}, "0987-01-01T00:00:00.0\t64.6\t1.94\t125.3\n"},
        // With the clock's offset from UTC: the first and the repeated 02:30 at the end of summer time.
        StampCase{LogTimeStamp::LocalDateTime,
                  {2, 30, 0, 0, 2026, 10, 25, 120, true},
                  "2026-10-25T02:30:00.0+02:00\t64.6\t1.94\t125.3\n"},
        StampCase{LogTimeStamp::LocalDateTime,
                  {2, 30, 0, 0, 2026, 10, 25, 60, true},
                  "2026-10-25T02:30:00.0+01:00\t64.6\t1.94\t125.3\n"},
        StampCase{LogTimeStamp::LocalDateTime,
                  {9, 5, 7, 300, 2026, 12, 8, -210, true},
                  "2026-12-08T09:05:07.3-03:30\t64.6\t1.94\t125.3\n"},
        StampCase{LogTimeStamp::LocalDateTime,
                  {9, 5, 7, 300, 2026, 12, 8, 0, true},
                  "2026-12-08T09:05:07.3+00:00\t64.6\t1.94\t125.3\n"},
        StampCase{LogTimeStamp::LocalDateTime,
                  {9, 5, 7, 300, 2026, 12, 8, 345, true},
                  "2026-12-08T09:05:07.3+05:45\t64.6\t1.94\t125.3\n"},
        // The plain form never writes it: the window editions' files stay byte for byte the same.
        StampCase{LogTimeStamp::TimeOfDay, {9, 5, 7, 300, 2026, 12, 8, 120, true}, "09:05:07.3\t64.6\t1.94\t125.3\n"},
        StampCase{LogTimeStamp::LocalDateTime,
                  {65535, 65535, 65535, 65535, 65535, 65535, 65535},
                  "65535-65535-65535T65535:65535:65535.655\t64.6\t1.94\t125.3\n"}));

TEST(LogLine, DatedBoundedLineStillEndsWithItsLineFeed) {
    const LocalTime time{1, 2, 3, 400, 2026, 12, 8};
    const LogLine line = formatLogLine(time, totalsOf({{1e200, 1e200, 1e300}}), LogTimeStamp::LocalDateTime);
    EXPECT_EQ(line.view(), "2026-12-08T01:02:03.4\t1e+200\t1e+200\t1e+300\n");

    // The date takes 11 characters: 1e74 (74 digits as a double) still fits in fixed notation,
    // 1e75 no longer does, though without the date it would.
    EXPECT_EQ(formatLogLine(time, totalsOf({{1e74, 1e74, 1e74}}), LogTimeStamp::LocalDateTime).length(), 254u);
    EXPECT_EQ(formatLogLine(time, totalsOf({{1e75, 1e75, 1e75}})).length(), 246u);
    const LogLine over = formatLogLine(time, totalsOf({{1e75, 1e75, 1e75}}), LogTimeStamp::LocalDateTime);
    EXPECT_EQ(over.view(), "2026-12-08T01:02:03.4\t1e+75\t1e+75\t1e+75\n");
}

struct StatusCase {
    AcquisitionSettings settings;
    bool collecting;
    bool logging;
    const char* text;
};

class StatusLines : public ::testing::TestWithParam<StatusCase> {};

TEST_P(StatusLines, ShowPortSpeedIntervalAndMarkers) {
    const auto& c = GetParam();
    ReportTexts texts;
    texts.formatStatusLine(c.settings, c.collecting, c.logging);
    EXPECT_EQ(narrow(texts.statusText.view()), c.text);
}

AcquisitionSettings settingsOf(std::uint32_t port, std::int32_t baud, std::int32_t interval) {
    AcquisitionSettings s;
    s.portIndex = port;
    s.baudRate = baud;
    s.reportIntervalMs = interval;
    return s;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StatusLines,
    ::testing::Values(StatusCase{{}, false, false, "COM5 9600bps 0.5sec  "},
                      StatusCase{settingsOf(0, 38400, 30000), true, true, "COM1 38400bps 30sec Xfer Save"},
                      StatusCase{settingsOf(15, 300, 100), false, true, "COM16 300bps 0.1sec  Save"},
                      StatusCase{settingsOf(2, 1200, 200), true, false, "COM3 1200bps 0.2sec Xfer "},
                      StatusCase{settingsOf(2, 1200, 1000), false, false, "COM3 1200bps 1sec  "},
                      StatusCase{settingsOf(2, 1200, 2000), false, false, "COM3 1200bps 2sec  "},
                      StatusCase{settingsOf(2, 1200, 10000), false, false, "COM3 1200bps 10sec  "}));

}  // namespace
}  // namespace vemtora
