// The sample store, its min/max pyramid, the decimation for drawing, the visible range and the time axis.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "case_name.h"
#include "plot/series/decimation.h"
#include "plot/series/sample_store.h"
#include "plot/series/statistics.h"
#include "plot/series/statistics_text.h"
#include "plot/series/time_axis.h"
#include "plot/series/value_ticks.h"
#include "plot/series/view_range.h"

namespace vemtora::plot {
namespace {

LogSample sampleAt(std::int64_t tenths, double volts, double amperes, double watts) {
    LogSample sample;
    sample.tenths = tenths;
    sample.volts = volts;
    sample.amperes = amperes;
    sample.watts = watts;
    return sample;
}

MinMax bruteForce(const std::vector<float>& values, std::size_t begin, std::size_t end) {
    MinMax result;
    for (std::size_t i = begin; i < end; ++i) result.add(values[i]);
    return result;
}

void expectSame(const MinMax& got, const MinMax& want, const std::string& where) {
    ASSERT_EQ(got.empty(), want.empty()) << where;
    if (want.empty()) return;
    ASSERT_EQ(got.min, want.min) << where;
    ASSERT_EQ(got.max, want.max) << where;
}

// Every run of every length, while the values grow one by one as a followed log's do.
TEST(MinMaxPyramid, EveryRangeMatchesAScanWhileGrowing) {
    std::mt19937 random(42);
    std::vector<float> values;
    MinMaxPyramid pyramid;
    for (std::size_t n = 1; n <= 300; ++n) {
        const auto r = random() % 1000;
        values.push_back(r == 0   ? std::numeric_limits<float>::quiet_NaN()
                         : r == 1 ? std::numeric_limits<float>::infinity()
                                  : static_cast<float>(static_cast<int>(r) - 500) / 10.0f);
        pyramid.grow(values);
        if (n % 37 != 0 && n != 300) continue;
        for (std::size_t begin = 0; begin <= n; ++begin) {
            for (std::size_t end = begin; end <= n + 2; ++end) {
                expectSame(pyramid.range(values, begin, end), bruteForce(values, begin, std::min(end, n)),
                           std::to_string(begin) + ".." + std::to_string(end) + " of " + std::to_string(n));
            }
        }
    }
}

TEST(MinMaxPyramid, LongRunsStayExactAfterClear) {
    std::vector<float> values(100000);
    for (std::size_t i = 0; i < values.size(); ++i) values[i] = std::sin(static_cast<float>(i) * 0.001f) * 100.0f;
    values[77777] = 1000.0f;
    values[3] = -1000.0f;
    MinMaxPyramid pyramid;
    pyramid.grow(values);
    expectSame(pyramid.range(values, 0, values.size()), bruteForce(values, 0, values.size()), "all");
    expectSame(pyramid.range(values, 4, 77777), bruteForce(values, 4, 77777), "between the spikes");
    expectSame(pyramid.range(values, 5, 99999), bruteForce(values, 5, 99999), "odd edges");

    pyramid.clear();
    const std::vector<float> fresh = {1.0f, 2.0f};
    pyramid.grow(fresh);
    expectSame(pyramid.range(fresh, 0, 2), bruteForce(fresh, 0, 2), "after clear");
}

TEST(SampleStore, KeepsSamplesAndShiftsTimes) {
    SampleStore store;
    store.append(sampleAt(100, 230.1, 1.94, 446.4));
    store.append(sampleAt(101, -1e300, 1e300, std::nan("")));
    ASSERT_EQ(store.size(), 2u);
    EXPECT_EQ(store.values(Quantity::Volts)[0], 230.1f);
    EXPECT_EQ(store.values(Quantity::Amperes)[0], 1.94f);
    EXPECT_EQ(store.values(Quantity::Watts)[0], 446.4f);
    EXPECT_EQ(store.values(Quantity::Volts)[1], -std::numeric_limits<float>::infinity());
    EXPECT_EQ(store.values(Quantity::Amperes)[1], std::numeric_limits<float>::infinity());
    EXPECT_TRUE(std::isnan(store.values(Quantity::Watts)[1]));
    store.shiftTimes(-50);
    EXPECT_EQ(store.tenths()[0], 50);
    EXPECT_EQ(store.tenths()[1], 51);
    store.clear();
    EXPECT_TRUE(store.empty());
    EXPECT_TRUE(store.values(Quantity::Watts).empty());
}

struct GapCase {
    const char* name;
    std::vector<std::int64_t> tenths;    // of each sample
    std::vector<std::size_t> gapStarts;  // samples with a gap before them
};

class Gaps : public ::testing::TestWithParam<GapCase> {};

TEST_P(Gaps, BreakWhereLinesAreMissingOnly) {
    const GapCase& c = GetParam();
    SampleStore store;
    for (std::int64_t t : c.tenths) store.append(sampleAt(t, 230.0, 1.0, 230.0));
    store.caughtUp();
    const std::vector<std::size_t> got(store.gapStarts().begin(), store.gapStarts().end());
    EXPECT_EQ(got, c.gapStarts);
    store.clear();
    EXPECT_TRUE(store.gapStarts().empty());
}

// Times one `step` apart from 0, with `extra` added at given samples (a missing line, a late tick).
std::vector<std::int64_t> ticks(std::size_t count, std::int64_t step,
                                std::vector<std::pair<std::size_t, std::int64_t>> extra) {
    std::vector<std::int64_t> out;
    std::int64_t t = 0;
    for (std::size_t i = 0; i < count; ++i) {
        for (const auto& [at, by] : extra)
            if (at == i) t += by;
        out.push_back(t);
        t += step;
    }
    return out;
}

// 40 lines at 0.1 s, then 20 at 1 s.
std::vector<std::int64_t> slowingDown() {
    std::vector<std::int64_t> out = ticks(40, 1, {});
    for (std::int64_t i = 1; i <= 20; ++i) out.push_back(39 + 10 * i);
    return out;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Gaps,
    ::testing::Values(
        GapCase{"steady", ticks(100, 10, {}), {}}, GapCase{"one missing line", ticks(40, 10, {{20, 10}}), {20}},
        GapCase{"two missing lines and an hour", ticks(60, 10, {{20, 20}, {45, 36000}}), {20, 45}},
        GapCase{"late tick then an early one", ticks(40, 10, {{20, 3}, {21, -3}}), {}},
        GapCase{"1.5 intervals is late, a tenth more is a gap", ticks(40, 10, {{20, 5}, {30, 6}}), {30}},
        GapCase{"clock set back, and on", ticks(40, 10, {{20, -50}}), {}},
        GapCase{"same stamp twice", ticks(40, 10, {{20, -10}}), {}},
        GapCase{"0.1 s log with a missing line", ticks(40, 1, {{30, 1}}), {30}},
        GapCase{"too few lines to tell", {0, 10, 100}, {}},
        GapCase{"interval grows from 0.1 s to 1 s: no gap", slowingDown(), {}},
        GapCase{
            "interval shrinks from 1 s to 0.1 s: no gap",
            ticks(20, 10,
                  {{10, -9}, {11, -9}, {12, -9}, {13, -9}, {14, -9}, {15, -9}, {16, -9}, {17, -9}, {18, -9}, {19, -9}}),
            {}},
        GapCase{"an hour missing where the interval grows is a gap",
                ticks(20, 1, {{10, 36000}, {11, 9}, {12, 9}, {13, 9}, {14, 9}, {15, 9}, {16, 9}, {17, 9}}),
                {10}},
        GapCase{"the last line after an outage is a gap at once", ticks(12, 10, {{11, 600}}), {11}}),
    testing::CaseName());

SampleStore sawtooth(std::size_t count, std::int64_t startTenths = 0) {
    SampleStore store;
    for (std::size_t i = 0; i < count; ++i) {
        const double v = static_cast<double>(i % 100);
        store.append(sampleAt(startTenths + static_cast<std::int64_t>(i), v, -v, v * 2));
    }
    return store;
}

TEST(Decimation, FewSamplesAreDrawnAsTheyAreWithTheirNeighbours) {
    const SampleStore store = sawtooth(50);  // 0.0 s .. 4.9 s
    Trace trace;
    decimate(store, Quantity::Volts, 1.0, 2.0, 400, trace);
    // 1.0 s .. 2.0 s inclusive is 11 samples, plus one beyond each edge.
    ASSERT_EQ(trace.points.size(), 13u);
    EXPECT_DOUBLE_EQ(trace.points.front().seconds, 0.9);
    EXPECT_DOUBLE_EQ(trace.points.back().seconds, 2.1);
    EXPECT_EQ(trace.visible.min, 10.0f);
    EXPECT_EQ(trace.visible.max, 20.0f);

    decimate(store, Quantity::Amperes, -10.0, 100.0, 400, trace);
    EXPECT_EQ(trace.points.size(), 50u);
    EXPECT_EQ(trace.visible.min, -49.0f);

    decimate(store, Quantity::Volts, 20.0, 30.0, 400, trace);
    ASSERT_EQ(trace.points.size(), 1u);  // nothing inside, the last sample before it
    EXPECT_TRUE(trace.visible.empty());
}

TEST(Decimation, ManySamplesGiveEachColumnItsExtremes) {
    const SampleStore store = sawtooth(1'000'000);  // 0 .. 99999.9 s
    const std::vector<float> values(store.values(Quantity::Watts).begin(), store.values(Quantity::Watts).end());
    const struct {
        double from, to;
        int columns;
    } rows[] = {{0.0, 99999.9, 800}, {12345.67, 12999.99, 333}, {50000.0, 50500.0, 1}, {-100.0, 1e9, 1000}};
    Trace trace;
    for (const auto& row : rows) {
        SCOPED_TRACE(std::to_string(row.from) + ".." + std::to_string(row.to));
        decimate(store, Quantity::Watts, row.from, row.to, row.columns, trace);
        EXPECT_LE(trace.points.size(), 2u * row.columns + 2);
        // Column by column: the points at each column's middle are its samples' minimum and maximum.
        const double width = (row.to - row.from) / row.columns;
        std::size_t p = trace.points.front().seconds < row.from ? 1 : 0;
        for (int column = 0; column < row.columns; ++column) {
            const auto begin = firstIndexAtOrAfter(store.tenths(), tenthsAtOrAfter(row.from + column * width));
            const auto end =
                column + 1 == row.columns
                    ? firstIndexAtOrAfter(store.tenths(), tenthsAfter(row.to))
                    : firstIndexAtOrAfter(store.tenths(), tenthsAtOrAfter(row.from + (column + 1) * width));
            const MinMax want = bruteForce(values, begin, end);
            if (want.empty()) continue;
            MinMax got;
            while (p < trace.points.size() &&
                   std::abs(trace.points[p].seconds - (row.from + (column + 0.5) * width)) < 1e-6) {
                got.add(static_cast<float>(trace.points[p++].value));
            }
            expectSame(got, want, "column " + std::to_string(column));
        }
        const MinMax all = bruteForce(values, firstIndexAtOrAfter(store.tenths(), tenthsAtOrAfter(row.from)),
                                      firstIndexAtOrAfter(store.tenths(), tenthsAfter(row.to)));
        expectSame(trace.visible, all, "visible");
    }
}

// An hour without lines at sample 1500 (1499 s to 5100 s) and one missing line at 2000 (5599 s to
// 5601 s), seen whole, across one column, sample by sample and from inside a gap.
TEST(Decimation, NoLineCrossesAGap) {
    SampleStore store;
    for (std::int64_t i = 0; i < 3000; ++i) {
        const std::int64_t t = i * 10 + (i >= 1500 ? 36000 : 0) + (i >= 2000 ? 10 : 0);
        store.append(sampleAt(t, static_cast<double>(i % 7), 1.0, 1.0));
    }
    ASSERT_EQ(std::vector<std::size_t>(store.gapStarts().begin(), store.gapStarts().end()),
              (std::vector<std::size_t>{1500, 2000}));
    const auto times = store.tenths();
    const struct {
        double from, to;
        int columns;
        std::size_t breaks;
    } rows[] = {{0.0, 6610.0, 800, 2},    {0.0, 6610.0, 3, 2},    {1400.0, 5200.0, 1, 1},   {5100.0, 5300.0, 1, 1},
                {5590.0, 5615.0, 400, 1}, {100.0, 140.0, 400, 0}, {1600.0, 5000.0, 400, 1}, {0.0, 6610.0, 1, 2}};
    Trace trace;
    for (const auto& row : rows) {
        SCOPED_TRACE(std::to_string(row.from) + ".." + std::to_string(row.to) + " in " + std::to_string(row.columns));
        decimate(store, Quantity::Volts, row.from, row.to, row.columns, trace);
        EXPECT_EQ(trace.runStarts.size(), row.breaks);
        std::size_t run = 0;
        for (std::size_t p = 1; p < trace.points.size(); ++p) {
            if (run < trace.runStarts.size() && trace.runStarts[run] == p) {
                ++run;
                continue;
            }
            for (std::size_t g : store.gapStarts()) {
                const double before = static_cast<double>(times[g - 1]) / 10.0;
                const double after = static_cast<double>(times[g]) / 10.0;
                // A gap within a column or two is drawn at column middles: only its breaks show it.
                if (after - before <= 2 * (row.to - row.from) / row.columns) continue;
                EXPECT_FALSE(trace.points[p - 1].seconds <= before && trace.points[p].seconds >= after)
                    << "point " << p;
            }
        }
    }
}

TEST(Decimation, OutOfOrderTimesAndOddRangesAreSafe) {
    SampleStore store;
    for (std::int64_t t : {50, 10, 40, 20, 30, 0}) store.append(sampleAt(t, 1.0, 2.0, 3.0));
    Trace trace;
    for (const double bad : {std::nan(""), std::numeric_limits<double>::infinity(), -1e308}) {
        for (const auto& [from, to] : {std::pair{bad, 3.0}, std::pair{0.0, bad}}) {
            trace.points.push_back({1, 1});
            decimate(store, Quantity::Volts, from, to, 2, trace);
            for (const PlotPoint& point : trace.points) {
                EXPECT_TRUE(std::isfinite(point.seconds) && std::isfinite(point.value)) << from << ".." << to;
            }
        }
    }
    decimate(store, Quantity::Volts, 5.0, 0.0, 0, trace);
    EXPECT_TRUE(trace.points.empty());
    EXPECT_TRUE(trace.visible.empty());

    // Out of order (a clock set back): no point is made up, whatever lands in the view.
    decimate(store, Quantity::Watts, 0.0, 3.0, 1, trace);
    EXPECT_FALSE(trace.points.empty());
    for (const PlotPoint& point : trace.points) EXPECT_EQ(point.value, 3.0);
}

// Nine lines across midnight at 1 s: a late tick, a gap of 5 s, the clock set back 3 s.
const char kStatisticsLog[] =
    "23:59:56.0\t230.0\t1.00\t100.0\n"
    "23:59:57.0\t232.0\t2.00\t200.0\n"
    "23:59:58.3\t228.0\t1.00\t300.0\n"
    "23:59:59.0\t230.0\t1.00\t100.0\n"
    "00:00:00.0\t230.0\t1.00\t100.0\n"
    "00:00:06.0\t231.0\t3.00\t600.0\n"
    "00:00:07.0\t229.0\t1.00\t200.0\n"
    "00:00:04.0\t230.0\t1.00\t100.0\n"
    "00:00:05.0\t230.0\t1.00\t100.0\n";

struct StatisticsCase {
    const char* name;
    std::size_t begin, end;
    std::uint64_t gaps;
    std::int64_t coveredTenths;
    double wattTenths;                                // watts times tenths covered, summed
    std::array<std::array<double, 3>, 3> minMeanMax;  // volts, amperes, watts
};

class StatisticsOfSamples : public ::testing::TestWithParam<StatisticsCase> {};

TEST_P(StatisticsOfSamples, MatchTheHandCount) {
    const StatisticsCase& c = GetParam();
    SampleStore store;
    LogReader reader(store);
    reader.feed(kStatisticsLog);
    ASSERT_EQ(store.size(), 9u);
    const Statistics s = statisticsOf(store, c.begin, c.end);
    EXPECT_EQ(s.samples, c.end - c.begin);
    EXPECT_EQ(s.gaps, c.gaps);
    EXPECT_EQ(s.coveredTenths, c.coveredTenths);
    EXPECT_NEAR(s.energyWh, c.wattTenths / 36000.0, 1e-12);
    for (Quantity quantity : kQuantities) {
        const auto& want = c.minMeanMax[static_cast<std::size_t>(quantity)];
        const QuantityStatistics& got = s.of(quantity);
        EXPECT_EQ(got.count, c.end - c.begin);
        if (got.count == 0) continue;
        EXPECT_EQ(got.min, want[0]);
        EXPECT_NEAR(got.mean, want[1], 1e-9);
        EXPECT_EQ(got.max, want[2]);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StatisticsOfSamples,
    ::testing::Values(
        // Covered: 10 + 13 + 7 + 10, one interval before the gap, after the clock step and at the end.
        StatisticsCase{"whole log",
                       0,
                       9,
                       1,
                       90,
                       1000 + 2600 + 2100 + 1000 + 1000 + 6000 + 2000 + 1000 + 1000,
                       {{{228, 230, 232}, {1, 12.0 / 9, 3}, {100, 200, 600}}}},
        StatisticsCase{"up to the gap",
                       0,
                       5,
                       0,
                       50,
                       1000 + 2600 + 2100 + 1000 + 1000,
                       {{{228, 230, 232}, {1, 1.2, 2}, {100, 160, 300}}}},
        StatisticsCase{"after the gap, with the clock step",
                       5,
                       9,
                       0,
                       40,
                       6000 + 2000 + 1000 + 1000,
                       {{{229, 230, 231}, {1, 1.5, 3}, {100, 250, 600}}}},
        StatisticsCase{"across midnight and the gap",
                       3,
                       6,
                       1,
                       30,
                       1000 + 1000 + 6000,
                       {{{230, 230.0 + 1.0 / 3, 231}, {1, 5.0 / 3, 3}, {100, 800.0 / 3, 600}}}},
        StatisticsCase{"nothing", 4, 4, 0, 0, 0, {}},
        StatisticsCase{"to the end", 7, 9, 0, 20, 2000, {{{230, 230, 230}, {1, 1, 1}, {100, 100, 100}}}}),
    testing::CaseName());

// A long log with gaps, clock steps and values beyond float: any range split anywhere adds up, so
// the totals kept per block agree with the samples counted one by one.
TEST(StatisticsOfSamples, RangesAddUpAcrossBlocks) {
    SampleStore store;
    std::mt19937 random(99);
    std::int64_t t = 0;
    for (int i = 0; i < 5 * static_cast<int>(SampleStore::kBlock) + 77; ++i) {
        const auto r = random() % 1000;
        t += r == 0 ? 500 : r == 1 ? -30 : 10;
        const double watts = r == 2 ? 1e300 : static_cast<double>(random() % 5000) / 10.0;
        store.append(sampleAt(t, 230.0, watts / 230.0, watts));
    }
    ASSERT_EQ(store.blocks().size(), 5u);
    ASSERT_GT(store.gapStarts().size(), 3u);
    for (int round = 0; round < 40; ++round) {
        std::size_t cuts[] = {random() % store.size(), random() % store.size(), random() % store.size()};
        std::sort(std::begin(cuts), std::end(cuts));
        const Statistics whole = statisticsOf(store, cuts[0], cuts[2]);
        const Statistics left = statisticsOf(store, cuts[0], cuts[1]);
        const Statistics right = statisticsOf(store, cuts[1], cuts[2]);
        SCOPED_TRACE(std::to_string(cuts[0]) + " " + std::to_string(cuts[1]) + " " + std::to_string(cuts[2]));
        EXPECT_EQ(whole.samples, left.samples + right.samples);
        EXPECT_EQ(whole.coveredTenths, left.coveredTenths + right.coveredTenths);
        EXPECT_NEAR(whole.energyWh, left.energyWh + right.energyWh, 1e-9 * (1 + whole.energyWh));
        EXPECT_EQ(whole.gaps, left.gaps + right.gaps +
                                  (std::binary_search(store.gapStarts().begin(), store.gapStarts().end(), cuts[1]) &&
                                           cuts[1] > cuts[0] && cuts[1] < cuts[2]
                                       ? 1
                                       : 0));
        const QuantityStatistics& w = whole.of(Quantity::Watts);
        EXPECT_EQ(w.count, left.of(Quantity::Watts).count + right.of(Quantity::Watts).count);
        if (w.count > 0) {
            EXPECT_NEAR(w.mean * static_cast<double>(w.count),
                        left.of(Quantity::Watts).mean * static_cast<double>(left.of(Quantity::Watts).count) +
                            right.of(Quantity::Watts).mean * static_cast<double>(right.of(Quantity::Watts).count),
                        1e-6 * static_cast<double>(w.count) * 500);
        }
    }
}

TEST(StatisticsText, DurationsAndNumbers) {
    const struct {
        std::int64_t tenths;
        const char* text;
    } durations[] = {{0, "0.0 s"},
                     {45, "4.5 s"},
                     {599, "59.9 s"},
                     {600, "1 min 00.0 s"},
                     {1845, "3 min 04.5 s"},
                     {36000, "1 h 00 min 00.0 s"},
                     {937845, "26 h 03 min 04.5 s"}};
    for (const auto& row : durations) EXPECT_EQ(durationText(row.tenths), row.text) << row.tenths;
    EXPECT_EQ(fixedText(-0.125, 2), "-0.12");
    EXPECT_EQ(fixedText(1e300, 1), "1e+300");
    EXPECT_EQ(fixedText(std::numeric_limits<double>::infinity(), 1), "inf");
    EXPECT_EQ(energyText(0.4916666), "0.492 Wh");
}

TEST(TimeIndex, FindsTheFirstSampleAtOrAfter) {
    const std::vector<std::int64_t> times = {10, 20, 20, 30};
    const struct {
        double seconds;
        std::size_t index;
    } rows[] = {{0.0, 0}, {1.0, 0}, {1.01, 1}, {2.0, 1}, {2.05, 3}, {3.0, 3}, {3.01, 4}, {-1e300, 0}, {1e300, 4}};
    for (const auto& row : rows) {
        EXPECT_EQ(firstIndexAtOrAfter(times, tenthsAtOrAfter(row.seconds)), row.index) << row.seconds;
    }
    EXPECT_EQ(firstIndexAtOrAfter(times, tenthsAfter(2.0)), 3u);
    EXPECT_EQ(firstIndexAtOrAfter(times, tenthsAfter(1.99)), 1u);

    const struct {
        double seconds;
        std::size_t index;
    } nearest[] = {{-5.0, 0}, {1.04, 0}, {1.49, 0}, {1.5, 1}, {2.2, 2}, {2.6, 3}, {99.0, 3}};
    for (const auto& row : nearest) EXPECT_EQ(nearestIndex(times, row.seconds), row.index) << row.seconds;
    EXPECT_EQ(nearestIndex({}, 1.0), 0u);
}

// "+" at the live end of a growing log: whatever the times, the view still shows the end, so it
// keeps following; (end - span) + span is not always the end in floating point.
TEST(ViewRange, ZoomAtTheEndKeepsFollowingTheGrowth) {
    ViewRange view;
    view.setData(32400.0, 32400.1);
    int lost = 0;
    for (int k = 2; k < 3000; ++k) {
        view.setData(32400.0, 32400.0 + k * 0.1);
        if (k % 7 == 0) view.zoom(0.5, view.to());
        if (k % 97 == 0) view.showAll();
        lost += view.showsEnd() ? 0 : 1;
    }
    EXPECT_EQ(lost, 0);
}

struct ViewStep {
    const char* what;
    std::function<void(ViewRange&)> act;
    double from, to;
    bool all;
    bool following;
};

TEST(ViewRange, ZoomPanResetAndFollow) {
    ViewRange view;
    const ViewStep steps[] = {
        {"no data", [](ViewRange&) {}, 0, 60, true, true},
        {"data", [](ViewRange& v) { v.setData(100, 1100); }, 100, 1100, true, true},
        {"growing while all is shown", [](ViewRange& v) { v.setData(100, 1200); }, 100, 1200, true, true},
        {"zoom in around the middle", [](ViewRange& v) { v.zoom(0.5, 650); }, 375, 925, false, false},
        {"zoom keeps the anchor's place", [](ViewRange& v) { v.zoom(0.5, 375); }, 375, 650, false, false},
        {"pan right", [](ViewRange& v) { v.pan(0.5); }, 512.5, 787.5, false, false},
        {"pan past the end stops there", [](ViewRange& v) { v.pan(10); }, 925, 1200, false, true},
        {"at the end it follows growth", [](ViewRange& v) { v.setData(100, 1300); }, 1025, 1300, false, true},
        {"follow off at the end", [](ViewRange& v) { v.follow(false); }, 1025, 1300, false, false},
        {"growth then leaves it", [](ViewRange& v) { v.setData(100, 1350); }, 1025, 1300, false, false},
        {"follow on moves to the end with its span", [](ViewRange& v) { v.follow(true); }, 1075, 1350, false, true},
        {"pan left past the start", [](ViewRange& v) { v.pan(-100); }, 100, 375, false, false},
        {"away from the end it stays", [](ViewRange& v) { v.setData(100, 1400); }, 100, 375, false, false},
        {"zoom in no further than a second", [](ViewRange& v) { v.zoom(1e-9, 100); }, 100, 101, false, false},
        {"zoom out no further than all", [](ViewRange& v) { v.zoom(1e9, 100); }, 100, 1400, true, true},
        {"reset",
         [](ViewRange& v) {
             v.zoom(0.1, 500);
             v.showAll();
         },
         100, 1400, true, true},
        {"follow off while all is shown stops the growth",
         [](ViewRange& v) {
             v.follow(false);
             v.setData(100, 1500);
         },
         100, 1400, false, false},
        {"follow on again", [](ViewRange& v) { v.follow(true); }, 200, 1500, false, true},
        {"cut back", [](ViewRange& v) { v.setData(5, 5); }, 4.5, 5.5, true, true},
        {"nonsense is ignored",
         [](ViewRange& v) {
             v.zoom(std::nan(""), 5);
             v.pan(std::nan(""));
             v.setData(9, 1);
             v.zoom(-1, 5);
         },
         4.5, 5.5, true, true},
        {"cleared", [](ViewRange& v) { v.clearData(); }, 0, 60, true, true},
    };
    for (const ViewStep& step : steps) {
        step.act(view);
        EXPECT_DOUBLE_EQ(view.from(), step.from) << step.what;
        EXPECT_DOUBLE_EQ(view.to(), step.to) << step.what;
        EXPECT_EQ(view.showsAll(), step.all) << step.what;
        EXPECT_EQ(view.following(), step.following) << step.what;
    }
}

std::vector<std::string> labelsOf(const TimeAxisText& axis) {
    std::vector<std::string> labels;
    for (const TimeTick& tick : axis.ticks) labels.push_back(tick.label);
    return labels;
}

constexpr double kDec8 = 20795.0 * 86400;  // 2026-12-08 00:00 in the log's seconds

// About the axis font's 9 pt Sans: 35 px for "09:05".
TimeAxisRoom roomOf(double pixels) {
    return {pixels, [](const std::string& label) { return 7.0 * static_cast<double>(label.size()); }};
}

TEST(TimeAxis, RoundTicksAndDays) {
    using Labels = std::vector<std::string>;
    const struct {
        const char* what;
        double from, to;
        double pixels;
        bool dated;
        Labels labels;
        const char* context;
    } rows[] = {
        {"tenths, the minute above", 3600.0, 3600.45, 500, false, {":00.1", ":00.2", ":00.3", ":00.4"}, "01:00"},
        {"seconds, a new minute in full", 55.5, 65.0, 300, false, {":56", ":58", "00:01", ":02", ":04"}, "00:00"},
        {"minutes", 600.0, 1800.0, 400, false, {"00:15", "00:20", "00:25", "00:30"}, ""},
        {"midnight shows the day", 86400 - 7200, 86400 + 7200, 300, false, {"23:00", "day 2", "01:00", "02:00"}, ""},
        {"a later day, narrow", 2 * 86400 + 3601, 2 * 86400 + 3 * 3600, 200, false, {"02:00", "03:00"}, "day 3"},
        {"dated",
         kDec8 + 9 * 3600,
         kDec8 + 15 * 3600,
         500,
         true,
         {"10:00", "11:00", "12:00", "13:00", "14:00", "15:00"},
         "2026-12-08"},
        {"quarter-hours once they fit",
         kDec8 + 9 * 3600,
         kDec8 + 11 * 3600,
         500,
         true,
         {"09:15", "09:30", "09:45", "10:00", "10:15", "10:30", "10:45", "11:00"},
         "2026-12-08"},
        {"a week",
         kDec8,
         kDec8 + 7 * 86400,
         500,
         true,
         {"Dec 9", "Dec 10", "Dec 11", "Dec 12", "Dec 13", "Dec 14", "Dec 15"},
         "2026-12-08"},
        {"before 1970",
         -86400.0 - 1,
         -86400.0 + 1,
         300,
         true,
         {":59.5", "Dec 31", ":00.5", ":01.0"},
         "1969-12-30 23:59"},
        {"empty range", 10.0, 10.0, 500, false, {}, ""},
        {"absurd range", -1e300, 1e300, 500, false, {}, ""},
        {"no room", 10.0, 20.0, 0, false, {}, ""},
    };
    for (const auto& row : rows) {
        const TimeAxisText axis = timeAxisText(row.from, row.to, roomOf(row.pixels), row.dated);
        EXPECT_EQ(labelsOf(axis), row.labels) << row.what;
        EXPECT_EQ(axis.context, row.context) << row.what;
        for (const TimeTick& tick : axis.ticks) {
            EXPECT_GT(tick.seconds, row.from) << row.what;
            EXPECT_LE(tick.seconds, row.to) << row.what;
        }
    }
}

// The narrowest window's plot area (509 px) and wider, any span from a second to a week, any
// start: four labels or more wholly on the axis, clear of each other, at an even round step.
TEST(TimeAxis, FourReadableLabelsAtEveryWidthAndSpan) {
    const std::vector<double> roundSteps = {0.1, 0.2, 0.5, 1,    2,    5,    10,    15,    30,    60,   120,
                                            300, 600, 900, 1800, 3600, 7200, 10800, 21600, 43200, 86400};
    constexpr double kRightRoom = 28;  // the chart's gutter past the plot area
    for (double pixels : {509.0, 760.0, 1709.0}) {
        const TimeAxisRoom room = roomOf(pixels);
        for (double span = 1.0; span <= 7 * 86400.0; span *= 1.07) {
            for (double start : {0.0, 0.03, 0.31, 0.5, 0.97}) {
                for (bool dated : {false, true}) {
                    const double from = (dated ? kDec8 : 0.0) + 9 * 3600 + start * span;
                    const TimeAxisText axis = timeAxisText(from, from + span, room, dated);
                    const std::string where = std::to_string(pixels) + " px, " + std::to_string(span) + " s from " +
                                              std::to_string(from) + ": " + ::testing::PrintToString(labelsOf(axis));
                    int shown = 0;
                    double previousRight = -1e9;
                    for (const TimeTick& tick : axis.ticks) {
                        const double x = (tick.seconds - from) / span * pixels;
                        const double half = room.labelWidth(tick.label) / 2;
                        shown += x - half >= 0 ? 1 : 0;
                        EXPECT_LE(x + half, pixels + kRightRoom) << where;
                        EXPECT_GE(x - half - previousRight, 4.0) << where;
                        previousRight = x + half;
                    }
                    ASSERT_GE(shown, 4) << where;
                    const double step = axis.ticks[1].seconds - axis.ticks[0].seconds;
                    EXPECT_TRUE(std::any_of(roundSteps.begin(), roundSteps.end(), [&](double s) {
                        return std::abs(s - step) < 1e-6;
                    })) << where;
                    for (std::size_t i = 1; i < axis.ticks.size(); ++i) {
                        EXPECT_NEAR(axis.ticks[i].seconds - axis.ticks[i - 1].seconds, step, 1e-6) << where;
                    }
                    EXPECT_EQ(std::llround(axis.ticks[0].seconds * 10) % std::llround(step * 10), 0) << where;
                }
            }
        }
    }
}

TEST(TimeAxis, StampLabels) {
    EXPECT_EQ(stampLabel(327073, false), "09:05:07.3");
    EXPECT_EQ(stampLabel(864000 + 327073, false), "day 2 09:05:07.3");
    EXPECT_EQ(stampLabel(20795LL * 864000 + 327073, true), "2026-12-08 09:05:07.3");
}

}  // namespace
}  // namespace vemtora::plot

namespace vemtora::plot {
namespace {

TEST(ValueTicks, RoundStepsAsManyAsFitZeroWhereDue) {
    const struct {
        const char* name;
        double min, max;
        int maxTicks;
        double low, high, step;
        int decimals;
    } rows[] = {
        {"mains volts", 228.5, 231.5, 8, 228.5, 231.5, 0.5, 1},
        {"mains volts, little room: a step further down", 228.5, 231.5, 4, 226, 232, 2, 0},
        {"amperes from rest keep zero", 0.25, 9.75, 6, 0, 10, 2, 0},
        {"amperes a little above zero keep it", 0.35, 1.25, 5, 0, 1.5, 0.5, 1},
        {"amperes far from zero do not", 5.1, 5.4, 5, 5.1, 5.4, 0.1, 1},
        {"little room, non-negative: up, never below zero", 0, 9, 3, 0, 15, 5, 0},
        {"negative readings mirror it", -9.75, -0.25, 6, -10, 0, 2, 0},
        {"across zero", -3, 7, 6, -5, 10, 5, 0},
        {"one value: 5 % either side", 230.0, 230.0, 6, 210, 250, 10, 0},
        {"zero only", 0, 0, 6, 0, 0.05, 0.01, 2},
        {"no data", 1, 0, 6, 0, 1, 0.2, 1},
        {"huge", 5e9, 3e10, 6, 0, 3e10, 1e10, 0},
        {"tiny", 0.001, 0.004, 6, 0, 0.004, 0.001, 3},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const ValueTicks ticks = valueTicks(row.min, row.max, row.maxTicks);
        SCOPED_TRACE(::testing::Message() << ticks.low << ".." << ticks.high << " by " << ticks.step);
        EXPECT_NEAR(ticks.step, row.step, row.step * 1e-9);
        EXPECT_NEAR(ticks.low, row.low, row.step * 1e-9);
        EXPECT_NEAR(ticks.high, row.high, row.step * 1e-9);
        EXPECT_EQ(ticks.count, static_cast<int>(std::lround((row.high - row.low) / row.step)) + 1);
        EXPECT_EQ(ticks.decimals, row.decimals);
        EXPECT_GE(ticks.count, kFewestValueTicks);
        EXPECT_LE(ticks.count, std::max(row.maxTicks, kFewestValueTicks));
        if (row.max >= row.min) {
            EXPECT_LE(ticks.low, row.min + 1e-12);
            EXPECT_GE(ticks.high, row.max - 1e-12);
        }
    }
    // Whatever comes in: finite, round, at least the fewest.
    for (double bad : {std::nan(""), std::numeric_limits<double>::infinity(), -1e300, 1e300}) {
        const ValueTicks ticks = valueTicks(bad, 1e300, 5);
        EXPECT_TRUE(std::isfinite(ticks.low) && std::isfinite(ticks.high) && ticks.step > 0);
        EXPECT_GE(ticks.count, kFewestValueTicks);
        EXPECT_LE(ticks.count, 5);
    }
}

}  // namespace
}  // namespace vemtora::plot
