#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "core/meter_frame.h"

namespace vemtora {
namespace {

IntervalAccumulator scan(FrameScanner& scanner, const std::string& bytes, const AcquisitionSettings& settings = {}) {
    ReceiveBuffer buffer{};
    buffer.fill('#');
    const std::size_t n = bytes.size() < kMaxPollBytes ? bytes.size() : kMaxPollBytes;
    bytes.copy(buffer.data(), n);
    IntervalAccumulator totals;
    scanner.scanFrames(buffer, n, settings, totals);
    return totals;
}

IntervalAccumulator scan(const std::string& bytes) {
    FrameScanner scanner;
    return scan(scanner, bytes);
}

struct FrameCase {
    const char* bytes;
    std::int32_t frames;
    double voltage;
    double current;
    double power;
};

class ScanFrames : public ::testing::TestWithParam<FrameCase> {};

TEST_P(ScanFrames, AddsEveryCompleteFrame) {
    const auto& c = GetParam();
    const auto totals = scan(c.bytes);
    EXPECT_EQ(totals.frameCount, c.frames);
    EXPECT_DOUBLE_EQ(totals.voltageTotal, c.voltage);
    EXPECT_DOUBLE_EQ(totals.currentTotal, c.current);
    EXPECT_DOUBLE_EQ(totals.powerTotal, c.power);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ScanFrames,
    ::testing::Values(
        FrameCase{"a1000\t200\t10z", 1, 64.6, 1.94, 64.6 * 1.94},
        FrameCase{"a1000\t3\t10z", 1, 64.6, 0.0291, 64.6 * 0.0291},  // at the threshold: counts
        FrameCase{"a1000\t2\t10z", 1, 64.6, 0.0, 0.0},               // below the threshold
        FrameCase{"a1000\t0\t1z", 1, 646.0, 0.0, 0.0},               // threshold 0 for divisor 1
        FrameCase{"a1000\t-1\t2z", 1, 323.0, 0.0, 0.0},              // only negative current is below 0
        FrameCase{"a1000\t-1\t3z", 1, 215.33333333333334, 0.0, 0.0}, // threshold 1
        FrameCase{"a1000\t200\t0z", 0, 0.0, 0.0, 0.0},
        FrameCase{"a1000\t200\t-10z", 0, 0.0, 0.0, 0.0},
        FrameCase{"a-1000\t200\t10z", 1, -64.6, 1.94, -64.6 * 1.94},
        FrameCase{"a1000\t200\t10za10\t30\t10z", 2, 64.6 + 0.646, 1.94 + 0.291, 64.6 * 1.94 + 0.646 * 0.291},
        FrameCase{"200\t10za1000\t20", 0, 0.0, 0.0, 0.0},
        FrameCase{"zzza5 5 5z", 1, 0.646, 0.097, 0.646 * 0.097},
        FrameCase{"a1\t2\t3a9\t9\t9z", 1, 0.646 / 3, 0.097 * 2 / 3, (0.646 / 3) * (0.097 * 2 / 3)},
        FrameCase{"a +10 \n\r 20\v\f30 z", 1, 0.646 / 3, 0.097 * 20 / 30, (0.646 / 3) * (0.097 * 20 / 30)},
        FrameCase{"a10\t20\t30xyz", 1, 0.646 / 3, 0.097 * 20 / 30, (0.646 / 3) * (0.097 * 20 / 30)},
        // Malformed frames are rejected rather than filled from an earlier frame.
        FrameCase{"a100\t50z", 0, 0.0, 0.0, 0.0},
        FrameCase{"a12x\t5\t6z", 0, 0.0, 0.0, 0.0},
        FrameCase{"az", 0, 0.0, 0.0, 0.0},
        FrameCase{"a--1\t1\t1z", 0, 0.0, 0.0, 0.0},
        FrameCase{"a2147483648\t1\t1z", 0, 0.0, 0.0, 0.0},
        FrameCase{"a1\t1\t99999999999999999999z", 0, 0.0, 0.0, 0.0},
        FrameCase{"a-2147483648\t2147483647\t1z", 1, -2147483648.0 * 0.646, 2147483647.0 * 0.097,
                  (-2147483648.0 * 0.646) * (2147483647.0 * 0.097)}));

TEST(ScanFrames, MalformedFrameDoesNotReuseThePreviousValues) {
    FrameScanner scanner;
    EXPECT_EQ(scan(scanner, "a1000\t200\t10z").frameCount, 1);
    EXPECT_EQ(scan(scanner, "a100\t50z").frameCount, 0);
    EXPECT_EQ(scanner.frame().rawVoltage, 1000);
}

TEST(ScanFrames, EmbeddedNulEndsTheText) {
    FrameScanner scanner;
    EXPECT_EQ(scan(scanner, std::string("a1\t1\t1z\0a2\t2\t2z", 15)).frameCount, 1);
    EXPECT_EQ(scan(scanner, std::string("a1\t1\t1\0z", 8)).frameCount, 0);
}

TEST(ScanFrames, NothingIsCarriedIntoTheNextPoll) {
    FrameScanner scanner;
    EXPECT_EQ(scan(scanner, "a1000\t200").frameCount, 0);
    EXPECT_EQ(scan(scanner, "\t10z").frameCount, 0);
}

TEST(ScanFrames, OnlyTheNewBytesOfAShorterPollAreScanned) {
    FrameScanner scanner;
    ReceiveBuffer buffer{};
    const std::string first = "a1\t1\t1za1\t1\t1za1\t1\t1za1\t1\t1zzzzz";  // 33 bytes: capped at 32
    first.copy(buffer.data(), kMaxPollBytes);
    IntervalAccumulator totals;
    scanner.scanFrames(buffer, kMaxPollBytes, {}, totals);
    EXPECT_EQ(totals.frameCount, 4);

    // Twenty new bytes with no frame in them: the old frames after them must not be seen again.
    std::string("xxxxxxxxxxxxxxxxxxxa").copy(buffer.data(), 20);
    scanner.scanFrames(buffer, 20, {}, totals);
    EXPECT_EQ(totals.frameCount, 4);
    EXPECT_EQ(buffer[20], '\0');
}

TEST(ScanFrames, CountAboveTheBufferIsCapped) {
    FrameScanner scanner;
    ReceiveBuffer buffer{};
    buffer.fill('a');
    IntervalAccumulator totals;
    scanner.scanFrames(buffer, 1000, {}, totals);
    EXPECT_EQ(buffer[kMaxPollBytes], '\0');
    EXPECT_EQ(totals.frameCount, 0);
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
