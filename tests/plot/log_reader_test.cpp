// The log reader against lines the core itself writes, both time-stamp forms, the midnight rule,
// malformed, partial and Windows-edited lines, and any split of the bytes.
#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "case_name.h"
#include "core/report_texts.h"
#include "plot/headless/sample_lines.h"
#include "plot/reader/log_line.h"
#include "plot/reader/log_reader.h"

namespace vemtora::plot {
namespace {

constexpr std::int64_t kDec8 = 20795;  // 2026-12-08, days since 1970-01-01

std::int64_t clock(int h, int m, int s, int tenth) { return ((h * 60 + m) * 60 + s) * 10 + tenth; }

struct RecordingSink final : LogSink {
    std::vector<LogSample> samples;
    void append(const LogSample& sample) override { samples.push_back(sample); }
    void shiftTimes(std::int64_t tenths) override {
        for (LogSample& s : samples) s.tenths += tenths;
    }
};

struct LineCase {
    const char* name;
    std::string line;
    bool valid;
    std::int64_t tenthsOfDay = 0;
    std::optional<std::int64_t> day = std::nullopt;
    double volts = 0, amperes = 0, watts = 0;
    std::optional<std::int32_t> offset = std::nullopt;
};

class LogLines : public ::testing::TestWithParam<LineCase> {};

TEST_P(LogLines, ParseExactlyWhatTheLogHolds) {
    const LineCase& c = GetParam();
    const auto record = parseLogLine(c.line);
    ASSERT_EQ(record.has_value(), c.valid);
    if (!c.valid) return;
    EXPECT_EQ(record->stamp.tenthsOfDay, c.tenthsOfDay);
    EXPECT_EQ(record->stamp.day, c.day);
    EXPECT_EQ(record->stamp.utcOffsetMinutes, c.offset);
    EXPECT_EQ(record->volts, c.volts);
    EXPECT_EQ(record->amperes, c.amperes);
    EXPECT_EQ(record->watts, c.watts);
}

INSTANTIATE_TEST_SUITE_P(
    Valid, LogLines,
    ::testing::Values(
        LineCase{"plain", "09:05:07.3\t64.6\t1.94\t125.3", true, clock(9, 5, 7, 3), {}, 64.6, 1.94, 125.3},
        LineCase{"iso", "2026-12-08T09:05:07.3\t64.6\t1.94\t125.3", true, clock(9, 5, 7, 3), kDec8, 64.6, 1.94, 125.3},
        LineCase{"crlf", "09:05:07.3\t64.6\t1.94\t125.3\r", true, clock(9, 5, 7, 3), {}, 64.6, 1.94, 125.3},
        LineCase{"negative", "23:59:59.9\t-64.6\t-0.01\t-0.6", true, clock(23, 59, 59, 9), {}, -64.6, -0.01, -0.6},
        LineCase{"midnight", "00:00:00.0\t0.0\t0.00\t0.0", true, 0, {}, 0, 0, 0},
        LineCase{"scientific",
                 "12:00:00.0\t1.5e+20\t-2e+20\t3.0000000000000003e+40",
                 true,
                 clock(12, 0, 0, 0),
                 {},
                 1.5e20,
                 -2e20,
                 3.0000000000000003e40},
        LineCase{"leap day", "2024-02-29T00:00:00.1\t1.0\t1.00\t1.0", true, 1, 19782, 1, 1, 1},
        LineCase{"before 1970", "1969-12-31T23:59:59.9\t1.0\t1.00\t1.0", true, clock(23, 59, 59, 9), -1, 1, 1, 1},
        LineCase{"iso with offset", "2026-12-08T09:05:07.3+02:00\t64.6\t1.94\t125.3", true, clock(9, 5, 7, 3), kDec8,
                 64.6, 1.94, 125.3, 120},
        LineCase{"iso with negative offset", "2026-12-08T09:05:07.3-03:30\t1.0\t1.00\t1.0", true, clock(9, 5, 7, 3),
                 kDec8, 1, 1, 1, -210},
        LineCase{"iso at UTC", "2026-12-08T09:05:07.3+00:00\t1.0\t1.00\t1.0", true, clock(9, 5, 7, 3), kDec8, 1, 1, 1,
                 0}),
    [](const auto& info) {
        std::string name = info.param.name;
        for (char& ch : name)
            if (ch == ' ') ch = '_';
        return name;
    });

INSTANTIATE_TEST_SUITE_P(
    Malformed, LogLines,
    ::testing::Values(LineCase{"empty", "", false}, LineCase{"only CR", "\r", false},
                      LineCase{"two CRs", "09:05:07.3\t64.6\t1.94\t125.3\r\r", false},
                      LineCase{"hour 24", "24:00:00.0\t1.0\t1.00\t1.0", false},
                      LineCase{"minute 60", "09:60:00.0\t1.0\t1.00\t1.0", false},
                      LineCase{"second 60", "09:05:60.0\t1.0\t1.00\t1.0", false},
                      LineCase{"one hour digit", "9:05:07.3\t1.0\t1.00\t1.0", false},
                      LineCase{"no tenths", "09:05:07\t1.0\t1.00\t1.0", false},
                      LineCase{"two tenths", "09:05:07.35\t1.0\t1.00\t1.0", false},
                      LineCase{"signed hour", "+9:05:07.3\t1.0\t1.00\t1.0", false},
                      LineCase{"blank after stamp", "09:05:07.3 \t1.0\t1.00\t1.0", false},
                      LineCase{"three fields", "09:05:07.3\t1.0\t1.00", false},
                      LineCase{"five fields", "09:05:07.3\t1.0\t1.00\t1.0\t1.0", false},
                      LineCase{"trailing tab", "09:05:07.3\t1.0\t1.00\t1.0\t", false},
                      LineCase{"empty value", "09:05:07.3\t\t1.00\t1.0", false},
                      LineCase{"decimal comma", "09:05:07.3\t64,6\t1.94\t125.3", false},
                      LineCase{"leading blank", "09:05:07.3\t 64.6\t1.94\t125.3", false},
                      LineCase{"plus sign", "09:05:07.3\t+64.6\t1.94\t125.3", false},
                      LineCase{"unit after number", "09:05:07.3\t64.6V\t1.94\t125.3", false},
                      LineCase{"beyond double", "09:05:07.3\t1e999\t1.94\t125.3", false},
                      LineCase{"blanks for tabs", "09:05:07.3 64.6 1.94 125.3", false},
                      LineCase{"iso with blank", "2026-12-08 09:05:07.3\t1.0\t1.00\t1.0", false},
                      LineCase{"iso with zone", "2026-12-08T09:05:07.3Z\t1.0\t1.00\t1.0", false},
                      LineCase{"offset without colon", "2026-12-08T09:05:07.3+0200\t1.0\t1.00\t1.0", false},
                      LineCase{"offset of a day", "2026-12-08T09:05:07.3+24:00\t1.0\t1.00\t1.0", false},
                      LineCase{"offset minute 60", "2026-12-08T09:05:07.3-01:60\t1.0\t1.00\t1.0", false},
                      LineCase{"offset without sign", "2026-12-08T09:05:07.3 02:00\t1.0\t1.00\t1.0", false},
                      LineCase{"offset on a plain stamp", "09:05:07.3+02:00\t1.0\t1.00\t1.0", false},
                      LineCase{"month 13", "2026-13-01T09:05:07.3\t1.0\t1.00\t1.0", false},
                      LineCase{"month 0", "2026-00-10T09:05:07.3\t1.0\t1.00\t1.0", false},
                      LineCase{"April 31", "2026-04-31T09:05:07.3\t1.0\t1.00\t1.0", false},
                      LineCase{"not a leap year", "2026-02-29T09:05:07.3\t1.0\t1.00\t1.0", false},
                      LineCase{"century no leap year", "2100-02-29T09:05:07.3\t1.0\t1.00\t1.0", false},
                      LineCase{"nul inside", std::string("09:05:07.3\t64.6\0\t1.94\t125.3", 27), false}),
    [](const auto& info) {
        std::string name = info.param.name;
        for (char& ch : name)
            if (ch == ' ') ch = '_';
        return name;
    });

IntervalAccumulator averageOf(double v, double a, double w) {
    IntervalAccumulator totals;
    totals.add({v, a, w});
    return totals;
}

// Whatever the core writes reads back: the time exactly, each value as the log rounded it.
TEST(LogLinesFromTheCore, ReadBackInBothStampForms) {
    const struct {
        LocalTime time;
        double v, a, w;
    } rows[] = {{{9, 5, 7, 300}, 64.6, 1.94, 125.324},      {{0, 0, 0, 0}, 0, 0, 0},
                {{23, 59, 59, 999}, -64.6, -1.94, 125.3},   {{12, 0, 1, 50}, 231.27, 0.004, 0.96},
                {{6, 30, 0, 100}, 1.5e20, 2.5e19, 3.75e39}, {{18, 0, 0, 900}, 1e100, -2e100, 3e100}};
    for (const auto& row : rows) {
        const std::string line(formatLogLine(row.time, averageOf(row.v, row.a, row.w)).view());
        ASSERT_EQ(line.back(), '\n');
        const std::string body = line.substr(0, line.size() - 1);
        const std::int64_t tenths = clock(row.time.hour, row.time.minute, row.time.second, row.time.millisecond / 100);
        for (const std::string& text : {body, "2026-12-08T" + body, body + "\r"}) {
            SCOPED_TRACE(text);
            const auto record = parseLogLine(text);
            ASSERT_TRUE(record.has_value());
            EXPECT_EQ(record->stamp.tenthsOfDay, tenths);
            EXPECT_EQ(record->stamp.day.has_value(), text.starts_with("2026"));
            // Fixed notation rounds to the log's decimals; scientific keeps every digit.
            const bool scientific = body.find('e') != std::string::npos;
            EXPECT_NEAR(record->volts, row.v, scientific ? 0.0 : 0.05);
            EXPECT_NEAR(record->amperes, row.a, scientific ? 0.0 : 0.005);
            EXPECT_NEAR(record->watts, row.w, scientific ? 0.0 : 0.05);
        }
    }
}

struct StreamCase {
    const char* name;
    std::string text;
    std::vector<std::int64_t> tenths;  // of every sample, in order
    std::uint64_t skipped;
    bool partial = false;
    std::uint64_t clockSteps = 0;
};

class LogStreams : public ::testing::TestWithParam<StreamCase> {};

TEST_P(LogStreams, GiveTheirSamplesInOrder) {
    const StreamCase& c = GetParam();
    RecordingSink sink;
    LogReader reader(sink);
    reader.feed(c.text);
    std::vector<std::int64_t> tenths;
    for (const LogSample& s : sink.samples) tenths.push_back(s.tenths);
    EXPECT_EQ(tenths, c.tenths);
    EXPECT_EQ(reader.samples(), c.tenths.size());
    EXPECT_EQ(reader.skippedLines(), c.skipped);
    EXPECT_EQ(reader.hasPartialLine(), c.partial);
    EXPECT_EQ(reader.clockSteps(), c.clockSteps);
}

constexpr std::int64_t kDay = kTenthsPerDay;
const std::int64_t kOct25 = daysFromCivil({2026, 10, 25});
const std::string kValues = "\t230.1\t1.90\t437.2\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, LogStreams,
    ::testing::Values(
        StreamCase{"plain", "09:00:00.0" + kValues + "09:00:00.5" + kValues, {clock(9, 0, 0, 0), clock(9, 0, 0, 5)}, 0},
        StreamCase{"same stamp twice stays on its day",
                   "10:00:00.0" + kValues + "10:00:00.0" + kValues,
                   {clock(10, 0, 0, 0), clock(10, 0, 0, 0)},
                   0},
        StreamCase{"midnight wrap starts the next day, twice",
                   "23:59:59.9" + kValues + "00:00:00.1" + kValues + "20:00:00.0" + kValues + "07:59:59.9" + kValues,
                   {clock(23, 59, 59, 9), kDay + 1, kDay + clock(20, 0, 0, 0), 2 * kDay + clock(7, 59, 59, 9)},
                   0},
        StreamCase{"a clock set back 5 s stays on its day",
                   "09:00:00.0" + kValues + "09:00:01.0" + kValues + "08:59:57.0" + kValues + "08:59:58.0" + kValues,
                   {clock(9, 0, 0, 0), clock(9, 0, 1, 0), clock(8, 59, 57, 0), clock(8, 59, 58, 0)},
                   0,
                   false,
                   1},
        StreamCase{"the repeated hour at the end of summer time",
                   "02:59:59.0" + kValues + "02:00:00.0" + kValues + "02:59:59.0" + kValues + "03:00:00.0" + kValues,
                   {clock(2, 59, 59, 0), clock(2, 0, 0, 0), clock(2, 59, 59, 0), clock(3, 0, 0, 0)},
                   0,
                   false,
                   1},
        StreamCase{"a step back of exactly 12 hours is a clock step, just over is a new day",
                   "20:00:00.0" + kValues + "08:00:00.0" + kValues + "20:00:00.1" + kValues + "08:00:00.0" + kValues,
                   {clock(20, 0, 0, 0), clock(8, 0, 0, 0), clock(20, 0, 0, 1), kDay + clock(8, 0, 0, 0)},
                   0,
                   false,
                   1},
        StreamCase{"a clock step and a midnight wrap in one night",
                   "23:59:58.0" + kValues + "23:59:50.0" + kValues + "00:00:02.0" + kValues,
                   {clock(23, 59, 58, 0), clock(23, 59, 50, 0), kDay + clock(0, 0, 2, 0)},
                   0,
                   false,
                   1},
        StreamCase{"iso dates; plain after it continues on that date",
                   "2026-12-08T23:59:59.0" + kValues + "23:59:59.5" + kValues + "00:00:00.5" + kValues,
                   {kDec8 * kDay + clock(23, 59, 59, 0), kDec8* kDay + clock(23, 59, 59, 5), (kDec8 + 1) * kDay + 5},
                   0},
        StreamCase{"iso going back in time is taken as written, a clock step",
                   "2026-12-08T02:59:59.9" + kValues + "2026-12-08T02:00:00.0" + kValues,
                   {kDec8 * kDay + clock(2, 59, 59, 9), kDec8* kDay + clock(2, 0, 0, 0)},
                   0,
                   false,
                   1},
        StreamCase{
            "offsets place the repeated hour after the first, on the first offset's clock",
            "2026-10-25T02:59:59.0+02:00" + kValues + "2026-10-25T02:00:00.0+01:00" + kValues +
                "2026-10-25T02:30:00.0+01:00" + kValues,
            {kOct25 * kDay + clock(2, 59, 59, 0), kOct25* kDay + clock(3, 0, 0, 0), kOct25* kDay + clock(3, 30, 0, 0)},
            0},
        StreamCase{"the same hour without offsets is a clock step",
                   "2026-10-25T02:59:59.0" + kValues + "2026-10-25T02:00:00.0" + kValues,
                   {kOct25 * kDay + clock(2, 59, 59, 0), kOct25* kDay + clock(2, 0, 0, 0)},
                   0,
                   false,
                   1},
        StreamCase{"an offset moving the time past midnight, before 1970 too",
                   "1970-01-01T00:30:00.0+01:00" + kValues + "1970-01-01T00:40:00.0+02:00" + kValues,
                   {clock(0, 30, 0, 0), -kDay + clock(23, 40, 0, 0)},
                   0,
                   false,
                   1},
        StreamCase{
            "first date after a clock step keeps the plain lines on its day",
            "10:00:00.0" + kValues + "09:59:00.0" + kValues + "2026-12-08T09:59:30.0" + kValues,
            {kDec8 * kDay + clock(10, 0, 0, 0), kDec8* kDay + clock(9, 59, 0, 0), kDec8* kDay + clock(9, 59, 30, 0)},
            0,
            false,
            1},
        StreamCase{
            "first date dates the plain lines before it, same day",
            "08:00:00.0" + kValues + "09:00:00.0" + kValues + "2026-12-08T10:00:00.0" + kValues,
            {kDec8 * kDay + clock(8, 0, 0, 0), kDec8* kDay + clock(9, 0, 0, 0), kDec8* kDay + clock(10, 0, 0, 0)},
            0},
        StreamCase{"first date dates the plain lines before it, across midnight",
                   "22:00:00.0" + kValues + "23:00:00.0" + kValues + "00:30:00.0" + kValues + "2026-12-08T14:10:00.0" +
                       kValues,
                   {(kDec8 - 1) * kDay + clock(22, 0, 0, 0), (kDec8 - 1) * kDay + clock(23, 0, 0, 0),
                    kDec8* kDay + clock(0, 30, 0, 0), kDec8* kDay + clock(14, 10, 0, 0)},
                   0},
        StreamCase{"first date just past midnight dates the evening before it",
                   "22:00:00.0" + kValues + "23:00:00.0" + kValues + "2026-12-08T00:30:00.0" + kValues,
                   {(kDec8 - 1) * kDay + clock(22, 0, 0, 0), (kDec8 - 1) * kDay + clock(23, 0, 0, 0),
                    kDec8* kDay + clock(0, 30, 0, 0)},
                   0},
        StreamCase{"first date a little earlier than the plain line before it: a clock step, same day",
                   "23:00:00.0" + kValues + "00:30:00.0" + kValues + "2026-12-08T00:10:00.0" + kValues,
                   {(kDec8 - 1) * kDay + clock(23, 0, 0, 0), kDec8* kDay + clock(0, 30, 0, 0),
                    kDec8* kDay + clock(0, 10, 0, 0)},
                   0,
                   false,
                   1},
        StreamCase{"malformed lines are counted and skipped",
                   "garbage\n\n09:00:00.0" + kValues + "09:00:00.1\t1\n\x01\xff\xfe\n09:00:00.2" + kValues,
                   {clock(9, 0, 0, 0), clock(9, 0, 0, 2)},
                   4},
        StreamCase{"a malformed stamp does not advance the day",
                   "12:00:00.0" + kValues + "99:00:00.0" + kValues + "13:00:00.0" + kValues,
                   {clock(12, 0, 0, 0), clock(13, 0, 0, 0)},
                   1},
        StreamCase{"crlf file",
                   "09:00:00.0\t1.0\t1.00\t1.0\r\n09:00:00.1\t1.0\t1.00\t1.0\r\n",
                   {clock(9, 0, 0, 0), clock(9, 0, 0, 1)},
                   0},
        StreamCase{
            "partial last line waits", "09:00:00.0" + kValues + "09:00:00.1\t230.1\t1.9", {clock(9, 0, 0, 0)}, 0, true},
        StreamCase{"partial crlf line waits", "09:00:00.0\t1.0\t1.00\t1.0\r", {}, 0, true},
        StreamCase{"overlong line is one skipped line",
                   std::string(100000, 'x') + "\n09:00:00.0" + kValues,
                   {clock(9, 0, 0, 0)},
                   1},
        StreamCase{"overlong line still open",
                   "09:00:00.0" + kValues + std::string(100000, '7'),
                   {clock(9, 0, 0, 0)},
                   0,
                   true}),
    testing::CaseName());

TEST(LogReader, PartialLineCompletesOnTheNextFeed) {
    RecordingSink sink;
    LogReader reader(sink);
    reader.feed("09:00:00.0\t230.1\t1.9");
    EXPECT_TRUE(sink.samples.empty());
    EXPECT_TRUE(reader.hasPartialLine());
    reader.feed("4\t437.2\r");
    reader.feed("\n");
    ASSERT_EQ(sink.samples.size(), 1u);
    EXPECT_EQ(sink.samples[0].amperes, 1.94);
    EXPECT_EQ(reader.skippedLines(), 0u);
    EXPECT_FALSE(reader.hasPartialLine());
}

TEST(LogReader, FinishTakesALastLineWithoutLineFeed) {
    RecordingSink sink;
    LogReader reader(sink);
    reader.feed("09:00:00.0\t1.0\t1.00\t1.0\r\n09:00:00.1\t2.0\t2.00\t4.0");
    reader.finish();
    ASSERT_EQ(sink.samples.size(), 2u);
    EXPECT_EQ(sink.samples[1].watts, 4.0);
    reader.finish();  // nothing left: no empty line to count
    EXPECT_EQ(reader.skippedLines(), 0u);

    reader.feed("09:00:00.2\t2.0");
    reader.finish();
    EXPECT_EQ(reader.skippedLines(), 1u);
}

// A last line settled while the file stood still, then whatever the writer adds after all.
TEST(LogReader, SettledLineCountsOnceWhateverFollowsIt) {
    const struct {
        const char* name;
        std::vector<std::string> later;  // chunks fed after settling
        std::vector<double> watts;       // of every sample, in order
        bool partial;
    } rows[] = {
        {"nothing more", {}, {1.0, 4.0}, false},
        {"its line feed", {"\n"}, {1.0, 4.0}, false},
        {"its crlf, split", {"\r", "\n"}, {1.0, 4.0}, false},
        {"its line feed and the next line", {"\n09:00:00.2\t3.0\t3.00\t9.0\n"}, {1.0, 4.0, 9.0}, false},
        {"the next line's start only", {"\n09:00:00.2\t3.0"}, {1.0, 4.0}, true},
        {"the rest of a cut line is dropped, not read as a line",
         {"5\t0.1\n09:00:00.2\t3.0\t3.00\t9.0\n"},
         {1.0, 4.0, 9.0},
         false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        RecordingSink sink;
        LogReader reader(sink);
        reader.feed("09:00:00.0\t1.0\t1.00\t1.0\n09:00:00.1\t2.0\t2.00\t4.0");
        EXPECT_TRUE(reader.settlePartialLine());
        EXPECT_FALSE(reader.hasPartialLine());
        EXPECT_FALSE(reader.settlePartialLine());  // nothing left to settle
        for (const std::string& chunk : row.later) reader.feed(chunk);
        std::vector<double> watts;
        for (const LogSample& s : sink.samples) watts.push_back(s.watts);
        EXPECT_EQ(watts, row.watts);
        EXPECT_EQ(reader.skippedLines(), 0u);
        EXPECT_EQ(reader.hasPartialLine(), row.partial);
    }
    // A line cut inside its last number waits for the rest instead of drawing a value that never was.
    for (const char* cut : {"09:00:00.1\t2.0\t2.00\t28", "09:00:00.1\t2.0\t2.00\t283.", "09:00:00.1\t2.0\t2.0"}) {
        SCOPED_TRACE(cut);
        RecordingSink sink;
        LogReader reader(sink);
        reader.feed(cut);
        EXPECT_FALSE(reader.settlePartialLine());
        EXPECT_TRUE(reader.hasPartialLine());
        reader.feed(std::string("09:00:00.1\t2.0\t2.00\t283.4\n").substr(std::string_view(cut).size()));
        ASSERT_EQ(sink.samples.size(), 1u);
        EXPECT_EQ(sink.samples[0].watts, 283.4);
    }
    // An overlong line stays what it is: skipped once its line feed comes, never a sample.
    RecordingSink sink;
    LogReader reader(sink);
    reader.feed(std::string(kMaxLineBytes + 10, '7'));
    EXPECT_FALSE(reader.settlePartialLine());
    reader.feed("\n");
    EXPECT_TRUE(sink.samples.empty());
    EXPECT_EQ(reader.skippedLines(), 1u);
}

TEST(LogReader, ResetForgetsDaysCountsAndThePartialLine) {
    RecordingSink sink;
    LogReader reader(sink);
    reader.feed("2026-12-08T23:00:00.0\t1.0\t1.00\t1.0\nbad\n01:00:00.0\t1.0\t1.00\t1.0\n02:00");
    reader.reset();
    EXPECT_EQ(reader.samples(), 0u);
    EXPECT_EQ(reader.skippedLines(), 0u);
    EXPECT_FALSE(reader.hasPartialLine());
    EXPECT_FALSE(reader.dated());
    sink.samples.clear();
    reader.feed("01:00:00.0\t1.0\t1.00\t1.0\n");
    ASSERT_EQ(sink.samples.size(), 1u);
    EXPECT_EQ(sink.samples[0].tenths, clock(1, 0, 0, 0));
}

struct Outcome {
    std::vector<LogSample> samples;
    std::uint64_t skipped;
    bool partial;

    bool operator==(const Outcome& other) const {
        if (skipped != other.skipped || partial != other.partial || samples.size() != other.samples.size())
            return false;
        for (std::size_t i = 0; i < samples.size(); ++i) {
            const LogSample& a = samples[i];
            const LogSample& b = other.samples[i];
            if (a.tenths != b.tenths || a.volts != b.volts || a.amperes != b.amperes || a.watts != b.watts)
                return false;
        }
        return true;
    }
};

Outcome readInChunks(const std::string& text, const std::vector<std::size_t>& cuts) {
    RecordingSink sink;
    LogReader reader(sink);
    std::size_t at = 0;
    for (std::size_t cut : cuts) {
        reader.feed(std::string_view(text).substr(at, cut - at));
        at = cut;
    }
    reader.feed(std::string_view(text).substr(at));
    return {sink.samples, reader.skippedLines(), reader.hasPartialLine()};
}

// A growing file hands over its bytes split anywhere; the result must not depend on where.
TEST(LogReader, AnySplitOfTheBytesReadsTheSame) {
    std::string text = "23:59:59.9\t1.0\t1.00\t1.0\r\nbad line\n\n00:00:00.1\t-2.5\t0.10\t-0.3\n" +
                       std::string(5000, 'z') + "\n2026-12-08T10:00:00.0\t1.5e+20\t1.00\t1.5e+20\n09:00:00.0\t3";
    const Outcome whole = readInChunks(text, {});
    ASSERT_EQ(whole.samples.size(), 3u);
    EXPECT_EQ(whole.skipped, 3u);
    for (std::size_t cut = 0; cut <= text.size(); ++cut) {
        ASSERT_EQ(readInChunks(text, {cut}), whole) << "cut at " << cut;
    }

    std::mt19937 random(12345);
    for (int round = 0; round < 200; ++round) {
        std::vector<std::size_t> cuts;
        std::size_t at = 0;
        while ((at += random() % 40) < text.size()) cuts.push_back(at);
        ASSERT_EQ(readInChunks(text, cuts), whole) << "round " << round;
    }
}

// Untrusted bytes: random garbage with a sprinkling of line feeds, tabs and digits.
TEST(LogReader, RandomBytesNeverCrashAndSplitsAgree) {
    std::mt19937 random(777);
    const char alphabet[] = "\n\t\r0123456789.:-eT+x\xff";
    for (int round = 0; round < 100; ++round) {
        std::string text(random() % 6000, '\0');
        for (char& ch : text)
            ch = random() % 4 == 0 ? static_cast<char>(random()) : alphabet[random() % (sizeof alphabet - 1)];
        const Outcome whole = readInChunks(text, {});
        std::vector<std::size_t> cuts;
        std::size_t at = 0;
        while ((at += 1 + random() % 300) < text.size()) cuts.push_back(at);
        ASSERT_EQ(readInChunks(text, cuts), whole) << "round " << round;
    }
}

}  // namespace
}  // namespace vemtora::plot

namespace vemtora::plot {
namespace {

std::string copyLogSamples(const std::string& source, const std::string& target, std::size_t begin, std::size_t end) {
    const LogSource sources[] = {{source, 0}};
    const SampleSpan run{begin, end};
    return writeSampleLines(sources, std::span(&run, 1), target, LineFormat::AsLogged);
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Copies of sample ranges from a file bigger than the copier's read size, so lines straddle its
// reads: a malformed line, an overlong one, Windows line ends and a last line without line feed.
TEST(LogRangeCopy, CopiesTheLinesOfTheSamplesByteForByte) {
    std::vector<std::string> sampleLines;
    std::string text;
    for (int i = 0; i < 50000; ++i) {
        std::string line = std::string(
            formatLogLine({9, static_cast<std::uint16_t>(i / 600 % 60), static_cast<std::uint16_t>(i / 10 % 60),
                           static_cast<std::uint16_t>(i % 10 * 100)},
                          [&] {
                              IntervalAccumulator totals;
                              totals.add({230.0 + i % 7, 1.0, 230.0 + i % 7});
                              return totals;
                          }())
                .view());
        if (i % 1000 == 7) line.insert(line.size() - 1, "\r");
        sampleLines.push_back(line);
        text += line;
        if (i == 20000) text += "not a log line\n";
        if (i == 30000) text += std::string(9000, 'x') + "\n";
    }
    const std::string last = "10:30:00.0\t231.0\t2.00\t462.0";
    sampleLines.push_back(last);
    text += last;
    ASSERT_GT(text.size(), std::size_t{1} << 20);
    const std::string dir = ::testing::TempDir();
    const std::string source = dir + "/range-source.log", target = dir + "/range-target.log";
    std::ofstream(source, std::ios::binary) << text;

    const struct {
        std::size_t begin, end;
    } rows[] = {{0, 50001},     {0, 1},         {19990, 20010}, {29999, 30002}, {38000, 42000},
                {49990, 50001}, {50000, 50001}, {10, 10},       {49000, 99999}};
    for (const auto& row : rows) {
        SCOPED_TRACE(std::to_string(row.begin) + ".." + std::to_string(row.end));
        std::string expected;
        for (std::size_t i = row.begin; i < std::min(row.end, sampleLines.size()); ++i) expected += sampleLines[i];
        EXPECT_EQ(copyLogSamples(source, target, row.begin, row.end), "");
        const std::string copied = readFile(target);
        EXPECT_EQ(copied.size(), expected.size());
        EXPECT_TRUE(copied == expected);
    }
    EXPECT_NE(copyLogSamples(dir + "/no-such.log", target, 0, 1).find("No such file"), std::string::npos);
    EXPECT_NE(copyLogSamples(source, dir + "/no-such-folder/x.log", 0, 1).find("No such file"), std::string::npos);
}

}  // namespace
}  // namespace vemtora::plot
