#include "tools/meter_simulator/line_pacer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace vemtora::simulator {
namespace {

constexpr double kByte1200 = 10.0 / 1200;

struct Write {
    double at;
    std::string bytes;
};

// Runs the pacer to the end against a line that takes at most `capacity(i)` bytes on write i.
template <typename Capacity>
std::vector<Write> drain(LinePacer& pacer, Capacity capacity, LinePacer::Progress& total) {
    std::vector<Write> writes;
    for (int i = 0; pacer.nextWrite() && i < 10000; ++i) {
        const double at = *pacer.nextWrite();
        const std::string due = pacer.bytesDue(at);
        const std::size_t taken = std::min(due.size(), capacity(i));
        if (taken > 0) writes.push_back({at, due.substr(0, taken)});
        const auto progress = pacer.wrote(taken, at);
        total.framesDone += progress.framesDone;
        total.wellFormedDone += progress.wellFormedDone;
        total.framesDropped += progress.framesDropped;
        total.bytesDropped += progress.bytesDropped;
    }
    return writes;
}

std::string joined(const std::vector<Write>& writes) {
    std::string all;
    for (const auto& w : writes) all += w.bytes;
    return all;
}

const std::string kFrame = "a1000\t200\t10z";

struct DeliveryCase {
    Delivery delivery;
    std::size_t writes;  // for three 13-byte frames back to back at 1200 bit/s
    std::size_t largestWrite;
};

class Delivers : public ::testing::TestWithParam<DeliveryCase> {};

TEST_P(Delivers, EveryByteInOrderNoneBeforeItHasCrossedTheLine) {
    const auto& c = GetParam();
    LinePacer pacer(c.delivery, kByte1200);
    double free = 0.0;
    for (int i = 0; i < 3; ++i) free = pacer.add(kFrame, 0.0, true);
    EXPECT_NEAR(free, 39 * kByte1200, 1e-9);

    LinePacer::Progress total;
    const auto writes = drain(
        pacer, [](int) { return std::size_t{1000}; }, total);
    EXPECT_EQ(joined(writes), kFrame + kFrame + kFrame);
    EXPECT_EQ(writes.size(), c.writes);
    std::size_t largest = 0, sentBefore = 0;
    for (const auto& w : writes) {
        largest = std::max(largest, w.bytes.size());
        // The last byte of a write has had its ten bit-times on the line.
        EXPECT_GE(w.at + 1e-9, static_cast<double>(sentBefore + w.bytes.size()) * kByte1200);
        sentBefore += w.bytes.size();
    }
    EXPECT_EQ(largest, c.largestWrite);
    EXPECT_EQ(total.framesDone, 3u);
    EXPECT_EQ(total.wellFormedDone, 3u);
    EXPECT_EQ(total.framesDropped, 0u);
}

// 39 bytes take 325 ms at 1200 bit/s: 21 ticks of 16 ms, never more than two bytes in one.
INSTANTIATE_TEST_SUITE_P(Modes, Delivers,
                         ::testing::Values(DeliveryCase{Delivery::Bytes, 39, 1}, DeliveryCase{Delivery::Bursts, 21, 2},
                                           DeliveryCase{Delivery::Whole, 3, 13}));

TEST(LinePacer, BurstsFollowTheAdaptersClock) {
    LinePacer pacer(Delivery::Bursts, 10.0 / 38400);
    pacer.add(kFrame + kFrame, 0.005, true);
    LinePacer::Progress total;
    for (const auto& w : drain(
             pacer, [](int) { return std::size_t{1000}; }, total)) {
        const double ticks = w.at / kUsbBurstSeconds;
        EXPECT_NEAR(ticks, std::round(ticks), 1e-6) << w.at;
    }
}

TEST(LinePacer, FramesWaitForTheirTimeAndForTheLine) {
    LinePacer pacer(Delivery::Bytes, kByte1200);
    EXPECT_NEAR(pacer.add(kFrame, 1.0, true), 1.0 + 13 * kByte1200, 1e-9);
    // Due while the first is still on the line: it follows it back to back.
    EXPECT_NEAR(pacer.add(kFrame, 1.01, true), 1.0 + 26 * kByte1200, 1e-9);
    EXPECT_NEAR(*pacer.nextWrite(), 1.0 + kByte1200, 1e-9);
}

// A reader that does not keep up: a full line takes nothing for the first twenty writes.
TEST(LinePacer, AFullLineHoldsBytesBackButDropsWholeFrames) {
    const auto fullAtFirst = [](int i) { return i < 20 ? std::size_t{0} : std::size_t{1000}; };
    for (const Delivery delivery : {Delivery::Bytes, Delivery::Bursts}) {
        LinePacer pacer(delivery, kByte1200);
        for (int i = 0; i < 3; ++i) pacer.add(kFrame, 0.0, true);
        LinePacer::Progress total;
        EXPECT_EQ(joined(drain(pacer, fullAtFirst, total)), kFrame + kFrame + kFrame);
        EXPECT_EQ(total.framesDone, 3u);
    }
    LinePacer pacer(Delivery::Whole, kByte1200);
    for (int i = 0; i < 30; ++i) pacer.add(kFrame, 0.0, i % 2 == 0);
    LinePacer::Progress total;
    EXPECT_EQ(joined(drain(pacer, fullAtFirst, total)).size(), 10 * kFrame.size());
    EXPECT_EQ(total.framesDropped, 20u);
    EXPECT_EQ(total.framesDone, 10u);
    EXPECT_EQ(total.wellFormedDone, 5u);
}

// The same reader on a line without flow control: what finds no room is gone, and the meter
// goes on at its own pace.
TEST(LinePacer, AFullLineWithoutFlowControlDropsWhatFindsNoRoom) {
    const auto fullAtFirst = [](int i) { return i < 20 ? std::size_t{0} : std::size_t{1000}; };
    const std::string stream = kFrame + kFrame + kFrame;
    for (const Delivery delivery : {Delivery::Bytes, Delivery::Bursts}) {
        LinePacer dropping(delivery, kByte1200, Overrun::Drop);
        for (int i = 0; i < 3; ++i) dropping.add(kFrame, 0.0, true);
        LinePacer::Progress total;
        const auto writes = drain(dropping, fullAtFirst, total);
        const std::string arrived = joined(writes);
        ASSERT_LT(arrived.size(), stream.size());
        EXPECT_EQ(stream.substr(stream.size() - arrived.size()), arrived) << "the bytes after the overrun, in order";
        EXPECT_EQ(total.bytesDropped, stream.size() - arrived.size());
        EXPECT_EQ(total.framesDone + total.framesDropped, 3u);
        EXPECT_EQ(total.framesDone, arrived.size() / kFrame.size());
        EXPECT_EQ(total.wellFormedDone, total.framesDone);
    }
    LinePacer bytes(Delivery::Bytes, kByte1200, Overrun::Drop);
    for (int i = 0; i < 3; ++i) bytes.add(kFrame, 0.0, true);
    LinePacer::Progress total;
    EXPECT_EQ(joined(drain(bytes, fullAtFirst, total)), kFrame.substr(7) + kFrame);
    EXPECT_EQ(total.framesDropped, 2u);
}

}  // namespace
}  // namespace vemtora::simulator
