#include "core/frame_scanner.h"
#include "core/meter_frame.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace vemtora {
namespace {

using namespace std::string_literals;

// What the controller does with each frame found.
auto addingTo(IntervalAccumulator& totals, const AcquisitionSettings& settings = {}) {
    return [&totals, settings](const MeterFrame& frame) { totals.addFrame(frame, settings); };
}

// Feeds the stream in polls of the given sizes, repeated until the stream is used up.
IntervalAccumulator scanInPolls(FrameScanner& scanner, std::string_view stream, const std::vector<std::size_t>& sizes,
                                const AcquisitionSettings& settings = {}) {
    IntervalAccumulator totals;
    std::size_t next = 0;
    for (std::size_t i = 0; next < stream.size(); ++i) {
        const std::size_t size = std::min(sizes[i % sizes.size()], stream.size() - next);
        scanner.scan(stream.substr(next, size), addingTo(totals, settings));
        next += size;
    }
    return totals;
}

IntervalAccumulator scanInPolls(std::string_view stream, const std::vector<std::size_t>& sizes) {
    FrameScanner scanner;
    return scanInPolls(scanner, stream, sizes);
}

std::vector<MeterFrame> framesInPolls(std::string_view stream, const std::vector<std::size_t>& sizes) {
    FrameScanner scanner;
    std::vector<MeterFrame> frames;
    std::size_t next = 0;
    for (std::size_t i = 0; next < stream.size(); ++i) {
        const std::size_t size = std::min(sizes[i % sizes.size()], stream.size() - next);
        scanner.scan(stream.substr(next, size), [&](const MeterFrame& frame) { frames.push_back(frame); });
        next += size;
    }
    return frames;
}

void expectSameTotals(const IntervalAccumulator& actual, const IntervalAccumulator& expected, const std::string& how) {
    EXPECT_EQ(actual.frameCount, expected.frameCount) << how;
    // The same frames added in the same order give the same doubles to the last bit.
    EXPECT_EQ(actual.voltageTotal, expected.voltageTotal) << how;
    EXPECT_EQ(actual.currentTotal, expected.currentTotal) << how;
    EXPECT_EQ(actual.powerTotal, expected.powerTotal) << how;
}

struct FrameCase {
    std::string bytes;
    std::int32_t frames;
    double voltage;
    double current;
    double power;
};

class ScanFrames : public ::testing::TestWithParam<FrameCase> {};

// Each case is scanned whole, one byte per poll, and cut in two at every place.
TEST_P(ScanFrames, AddsEveryCompleteFrameWhereverThePollsCut) {
    const auto& c = GetParam();
    const auto whole = scanInPolls(c.bytes, {c.bytes.size()});
    EXPECT_EQ(whole.frameCount, c.frames);
    EXPECT_DOUBLE_EQ(whole.voltageTotal, c.voltage);
    EXPECT_DOUBLE_EQ(whole.currentTotal, c.current);
    EXPECT_DOUBLE_EQ(whole.powerTotal, c.power);

    expectSameTotals(scanInPolls(c.bytes, {1}), whole, "one byte per poll");
    for (std::size_t cut = 1; cut < c.bytes.size(); ++cut) {
        expectSameTotals(scanInPolls(c.bytes, {cut, c.bytes.size()}), whole, "cut at " + std::to_string(cut));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ScanFrames,
    ::testing::Values(
        FrameCase{"a1000\t200\t10z", 1, 64.6, 1.94, 64.6 * 1.94},
        FrameCase{"a1000\t3\t10z", 1, 64.6, 0.0291, 64.6 * 0.0291},   // at the threshold: counts
        FrameCase{"a1000\t2\t10z", 1, 64.6, 0.0, 0.0},                // below the threshold
        FrameCase{"a1000\t0\t1z", 1, 646.0, 0.0, 0.0},                // threshold 0 for divisor 1
        FrameCase{"a1000\t-1\t2z", 1, 323.0, 0.0, 0.0},               // only negative current is below 0
        FrameCase{"a1000\t-1\t3z", 1, 215.33333333333334, 0.0, 0.0},  // threshold 1
        FrameCase{"a1000\t200\t0z", 0, 0.0, 0.0, 0.0}, FrameCase{"a1000\t200\t-10z", 0, 0.0, 0.0, 0.0},
        FrameCase{"a-1000\t200\t10z", 1, -64.6, 1.94, -64.6 * 1.94},
        FrameCase{"a1000\t200\t10za10\t30\t10z", 2, 64.6 + 0.646, 1.94 + 0.291, 64.6 * 1.94 + 0.646 * 0.291},
        FrameCase{"200\t10za1000\t20", 0, 0.0, 0.0, 0.0},  // a tail, then a frame not yet ended
        FrameCase{"zzza5 5 5z", 1, 0.646, 0.097, 0.646 * 0.097},
        FrameCase{"a +10 \n\r 20\v\f30 z", 1, 0.646 / 3, 0.097 * 20 / 30, (0.646 / 3) * (0.097 * 20 / 30)},
        FrameCase{"a1\t2\t3 \r\nz", 1, 0.646 / 3, 0.097 * 2 / 3, (0.646 / 3) * (0.097 * 2 / 3)},
        // A frame that lost bytes counts nothing, not the digits it still has: its "z" lost and
        // the next frame run into it, a digit lost before the "z", or a field lost or doubled.
        FrameCase{"a1\t2\t3a9\t9\t9z", 0, 0.0, 0.0, 0.0}, FrameCase{"a3560\t196\t1a3560\t196\t10z", 0, 0.0, 0.0, 0.0},
        FrameCase{"a3560\t196\t1xz", 0, 0.0, 0.0, 0.0}, FrameCase{"a3560\t196\t1e1z", 0, 0.0, 0.0, 0.0},
        FrameCase{"a3560\t196\t196\t10z", 0, 0.0, 0.0, 0.0}, FrameCase{"a10\t20\t30xyz", 0, 0.0, 0.0, 0.0},
        FrameCase{"a10\t20\t30 -z", 0, 0.0, 0.0, 0.0},
        FrameCase{"a10\t20\t30 zaz", 1, 0.646 / 3, 0.097 * 20 / 30, (0.646 / 3) * (0.097 * 20 / 30)},
        // Malformed frames are rejected rather than filled from an earlier frame.
        FrameCase{"a100\t50z", 0, 0.0, 0.0, 0.0}, FrameCase{"a12x\t5\t6z", 0, 0.0, 0.0, 0.0},
        FrameCase{"az", 0, 0.0, 0.0, 0.0}, FrameCase{"a--1\t1\t1z", 0, 0.0, 0.0, 0.0},
        FrameCase{"a2147483648\t1\t1z", 0, 0.0, 0.0, 0.0}, FrameCase{"a1\t1\t99999999999999999999z", 0, 0.0, 0.0, 0.0},
        FrameCase{"a-2147483648\t2147483647\t1z", 1, -2147483648.0 * 0.646, 2147483647.0 * 0.097,
                  (-2147483648.0 * 0.646) * (2147483647.0 * 0.097)},
        // A NUL is an ordinary byte: skipped between frames, fatal only to the frame it falls in.
        FrameCase{"\0a1\t1\t1z\0a2\t2\t2z\0"s, 2, 0.646 + 0.646, 0.097 + 0.097, 0.646 * 0.097 * 2},
        FrameCase{"a1\t1\0\t1za2\t2\t2z"s, 1, 0.646, 0.097, 0.646 * 0.097},
        FrameCase{"a1\t1\t1\0za2\t2\t2z"s, 1, 0.646, 0.097, 0.646 * 0.097},
        // Bytes from the top half of the table are noise like any other.
        FrameCase{"\xff\x80"
                  "a1\t1\t1z\xfe",
                  1, 0.646, 0.097, 0.646 * 0.097},
        FrameCase{"a1\t1\t1\xffz", 0, 0.0, 0.0, 0.0}));

// Streams of every kind of content, each cut into polls every way worth trying.
TEST(ScanFrames, WhatIsFoundDoesNotDependOnWhereThePollsCut) {
    const std::string noise = "\0\x80\xff\x7f\r\nzzza"s;
    const std::vector<std::string> streams = {
        "a1000\t200\t10za1001\t201\t10za1002\t202\t10za1003\t203\t10za1004\t204\t10z",
        "a1000\t200\t10z" + noise + "a5\t6\t7z" + noise + "a-5 -6 -7z" + noise + "a8\t9\t10z",
        "aaaa1\t2\t3zzzz a4\t5\t6z a7\t8\t9z",
        std::string("a") + std::string(40, '7') + "\t1\t1za1\t1\t1z",  // an overlong field inside the bound
        std::string("a") + std::string(80, '7') + "\t1\t1za1\t1\t1z",  // a frame past the bound
        std::string("a") + std::string(62, ' ') + "za1 2 3za" + std::string(63, ' ') + "za4 5 6z",  // at the bound
        std::string(100, 'a') + "1\t2\t3z" + std::string(70, 'a') + "za9\t9\t9z",
        // Frames damaged as an overrun damages them, among whole ones.
        "a3560\t196\t1a3560\t196\t10za3560\t196\t10za35a3560\t196\t10z3560\t196\t10za3560\t1\t196\t10z"
        "a1 2 3 \r\nza1\t2\t3xza4\t5\t6\t7za8\t9\t1e1z",
    };
    // Every poll size up to twice a frame's bound, and irregular cuts as USB adapters give them.
    constexpr std::size_t kLargestCut = 2 * kMaxFrameBytes;
    std::vector<std::vector<std::size_t>> cuttings;
    for (std::size_t size = 1; size <= kLargestCut; ++size) cuttings.push_back({size});
    std::mt19937 random(7);
    std::uniform_int_distribution<std::size_t> pollSize(1, kLargestCut);
    for (int i = 0; i < 50; ++i) {
        std::vector<std::size_t> sizes(37);
        for (auto& size : sizes) size = pollSize(random);
        cuttings.push_back(sizes);
    }

    for (const auto& stream : streams) {
        const auto whole = framesInPolls(stream, {stream.size()});
        EXPECT_FALSE(whole.empty()) << stream;
        for (const auto& sizes : cuttings) {
            EXPECT_EQ(framesInPolls(stream, sizes), whole)
                << stream << " in polls of " << sizes[0] << ", " << sizes.size();
        }
    }
}

TEST(ScanFrames, AFrameSplitBetweenPollsIsCountedOnceInTheLaterPoll) {
    struct Split {
        const char* first;
        const char* second;
    };
    for (const Split& split : {Split{"a", "1000\t200\t10z"}, Split{"a10", "00\t200\t10z"}, Split{"a1000\t200\t1", "0z"},
                               Split{"a1000\t200\t10", "z"}, Split{"xxa1000\t", "200\t10zyy"}}) {
        FrameScanner scanner;
        IntervalAccumulator totals;
        scanner.scan(split.first, addingTo(totals));
        EXPECT_EQ(totals.frameCount, 0) << split.first;
        EXPECT_TRUE(scanner.hasPendingFrame()) << split.first;
        scanner.scan(split.second, addingTo(totals));
        EXPECT_EQ(totals.frameCount, 1) << split.first;
        EXPECT_DOUBLE_EQ(totals.voltageTotal, 64.6) << split.first;
        EXPECT_FALSE(scanner.hasPendingFrame()) << split.first;
    }
}

TEST(ScanFrames, AFrameThatOutrunsTheBoundIsGivenUpAndTheSearchResumesAfterIt) {
    // 64 bytes from the "a" with no "z": given up. The "a" among them starts nothing, and the
    // first "z" after them is a stray byte; the frame after that is found.
    const std::string overlong = std::string("a") + std::string(30, '1') + "a" + std::string(32, '2');
    ASSERT_EQ(overlong.size(), kMaxFrameBytes);
    for (const std::size_t poll : {std::size_t{1}, std::size_t{13}, kMaxPollBytes}) {
        FrameScanner scanner;
        const auto totals = scanInPolls(scanner, overlong + "3\t3\t3za5\t5\t5z", {poll});
        EXPECT_EQ(totals.frameCount, 1) << poll;
        EXPECT_DOUBLE_EQ(totals.voltageTotal, 0.646) << poll;
        EXPECT_FALSE(scanner.hasPendingFrame());
    }
    // A "z" as the 64th byte still ends the frame, and it is read.
    FrameScanner scanner;
    std::vector<MeterFrame> frames;
    scanner.scan(std::string("a") + std::string(57, ' ') + "1 2 3z", [&](const MeterFrame& f) { frames.push_back(f); });
    EXPECT_EQ(frames, (std::vector<MeterFrame>{{1, 2, 3}}));
}

TEST(ScanFrames, DroppingThePendingFrameKeepsItsEndFromJoiningNewBytes) {
    FrameScanner scanner;
    IntervalAccumulator totals;
    scanner.scan("a1000\t2", addingTo(totals));
    scanner.dropPendingFrame();
    scanner.scan("00\t10za1\t1\t1z", addingTo(totals));
    EXPECT_EQ(totals.frameCount, 1);
    EXPECT_DOUBLE_EQ(totals.voltageTotal, 0.646);
}

TEST(ScanFrames, MalformedFrameDoesNotReuseThePreviousValues) {
    FrameScanner scanner;
    IntervalAccumulator totals;
    scanner.scan("a1000\t200\t10z", addingTo(totals));
    scanner.scan("a100\t50z", addingTo(totals));
    EXPECT_EQ(totals.frameCount, 1);
    EXPECT_EQ(scanner.frame().rawVoltage, 1000);
}

TEST(ConvertFrame, UsesTheScaleFactors) {
    AcquisitionSettings settings;
    settings.voltageScale = 2.0;
    settings.currentScale = 0.5;
    const Reading r = convertFrame({30, 12, 4}, settings);
    EXPECT_DOUBLE_EQ(r.voltage, 15.0);
    EXPECT_DOUBLE_EQ(r.current, 1.5);
    EXPECT_DOUBLE_EQ(r.power, 22.5);
}

TEST(ConvertFrame, ProductComesBeforeTheQuotient) {
    // 1000 * 0.646 / 10 and 1000 / 10 * 0.646 differ in the last bit.
    const Reading r = convertFrame({1000, 200, 10}, {});
    EXPECT_EQ(r.voltage, 1000 * 0.646 / 10);
    EXPECT_EQ(r.current, 200 * 0.097 / 10);
}

TEST(IntervalAccumulator, ClearReturnsToZero) {
    IntervalAccumulator totals;
    totals.add({1.0, 2.0, 3.0});
    totals.add({1.0, 2.0, 3.0});
    EXPECT_EQ(totals.frameCount, 2);
    EXPECT_EQ(totals.powerTotal, 6.0);
    totals.clear();
    EXPECT_EQ(totals.frameCount, 0);
    EXPECT_EQ(totals.voltageTotal, 0.0);
}

TEST(IntervalAccumulator, CountStopsAtItsLimit) {
    IntervalAccumulator totals;
    totals.frameCount = std::numeric_limits<std::int32_t>::max();
    totals.add({1.0, 1.0, 1.0});
    EXPECT_EQ(totals.frameCount, std::numeric_limits<std::int32_t>::max());
}

}  // namespace
}  // namespace vemtora
