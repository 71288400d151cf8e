// The core against a meter that streams without pause at every menu speed into a driver that
// drops what it has no room for, polled as the shells poll it: nothing may be dropped, and it
// must count every frame the meter's stream holds, as if it had read it whole.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <string>

#include "core/acquisition_controller.h"
#include "tests/support/fakes.h"
#include "tools/meter_simulator/frame_source.h"
#include "tools/meter_simulator/line_pacer.h"

namespace vemtora {
namespace {

using simulator::Delivery;

constexpr double kMeterSeconds = 12.0;
// A small driver queue, as a Windows serial driver's; a Linux tty holds more.
constexpr std::size_t kDriverQueueBytes = 4096;

struct Line {
    std::int32_t baudRate;
    Delivery delivery;
};

class EverySpeed : public ::testing::TestWithParam<Line> {};

TEST_P(EverySpeed, CountsWhatTheWholeStreamHolds) {
    const Line line = GetParam();
    simulator::SimulatorOptions meter;
    meter.noise = 0.3;
    meter.malformed = 0.1;
    meter.seed = static_cast<unsigned>(line.baudRate);
    simulator::FrameSource source(meter);
    simulator::LinePacer pacer(line.delivery, 10.0 / line.baudRate, simulator::Overrun::Drop);

    std::string stream;
    for (double earliest = 0.0; earliest < kMeterSeconds;) {
        bool wellFormed = false;
        const std::string frame = source.next(wellFormed);
        stream += frame;
        earliest = pacer.add(frame, earliest, wellFormed);
    }

    AcquisitionSettings settings;
    settings.baudRate = line.baudRate;
    testing::FakeSerialLink serial;
    testing::FakeLogFile log;
    testing::FakeShell shell;
    AcquisitionController controller(settings, serial, log, shell);
    controller.initialise();
    controller.startCollecting();
    ASSERT_TRUE(controller.collecting());

    std::string driverQueue;  // what has crossed the line and waits for a poll
    std::int64_t counted = 0;
    std::size_t dropped = 0;
    for (int tick = 1; pacer.nextWrite() || !driverQueue.empty(); ++tick) {
        ASSERT_LT(tick, 100000) << "the polls never drained the line";
        const double now = tick * (kPollPeriodMs / 1000.0);
        while (pacer.nextWrite() && *pacer.nextWrite() <= now) {
            const double at = *pacer.nextWrite();
            const std::string due = pacer.bytesDue(at);
            const std::size_t room = kDriverQueueBytes - driverQueue.size();
            driverQueue += due.substr(0, room);
            dropped += pacer.wrote(std::min(due.size(), room), at).bytesDropped;
        }
        const std::size_t taken = std::min(driverQueue.size(), kMaxPollBytes);
        serial.pending.push_back(driverQueue.substr(0, taken));
        driverQueue.erase(0, taken);
        controller.onPollTick();
        if (tick % 40 == 0) {
            counted += controller.totals().frameCount;
            controller.onReportTick();
        }
    }
    counted += controller.totals().frameCount;

    // A lost end mark makes one frame of two, so the simulator's own tally is not the measure.
    IntervalAccumulator whole;
    FrameScanner().scan(stream, [&](const MeterFrame& frame) { whole.addFrame(frame, settings); });
    ASSERT_GT(whole.frameCount, 10);
    EXPECT_EQ(dropped, 0u);
    EXPECT_EQ(counted, whole.frameCount);
}

std::vector<Line> everyMenuSpeed() {
    std::vector<Line> lines;
    for (const std::int32_t baudRate : kBaudRates) {
        lines.push_back({baudRate, Delivery::Bytes});
        lines.push_back({baudRate, Delivery::Bursts});
    }
    return lines;
}

INSTANTIATE_TEST_SUITE_P(Lines, EverySpeed, ::testing::ValuesIn(everyMenuSpeed()),
                         [](const ::testing::TestParamInfo<Line>& info) {
                             return std::to_string(info.param.baudRate) +
                                    (info.param.delivery == Delivery::Bytes ? "_bytes" : "_bursts");
                         });

}  // namespace
}  // namespace vemtora
