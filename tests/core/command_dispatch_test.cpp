#include <gtest/gtest.h>

#include <set>

#include "core/acquisition_controller.h"
#include "core/command_dispatch.h"
#include "core/menu_layout.h"
#include "tests/support/fakes.h"

namespace vemtora {
namespace {

class Dispatch : public ::testing::Test {
protected:
    Dispatch() { controller.initialise(); }

    ::vemtora::testing::FakeSerialLink serial;
    ::vemtora::testing::FakeLogFile log;
    ::vemtora::testing::FakeShell shell;
    AcquisitionController controller{AcquisitionSettings{}, serial, log, shell};
};

TEST_F(Dispatch, SettingsCommandsReachTheController) {
    struct Case {
        std::uint32_t id;
        std::uint32_t port;
        std::int32_t baud;
        std::int32_t interval;
    };
    const Case cases[] = {
        {32777, 0, 9600, 500}, {32792, 15, 9600, 500}, {32785, 8, 9600, 500},
        {32794, 8, 300, 500},  {32801, 8, 38400, 500}, {32799, 8, 9600, 500},
        {32803, 8, 9600, 100}, {32806, 8, 9600, 1000}, {32810, 8, 9600, 30000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        EXPECT_EQ(dispatchCommand(controller, c.id), CommandOutcome::Handled);
        EXPECT_EQ(controller.settings().portIndex, c.port);
        EXPECT_EQ(controller.settings().baudRate, c.baud);
        EXPECT_EQ(controller.reportIntervalMs(), c.interval);
    }
}

TEST_F(Dispatch, StateCommandsReachTheController) {
    EXPECT_EQ(dispatchCommand(controller, 32774), CommandOutcome::Handled);
    EXPECT_TRUE(controller.collecting());
    EXPECT_EQ(dispatchCommand(controller, 32772), CommandOutcome::Handled);
    EXPECT_TRUE(controller.logging());
    EXPECT_EQ(dispatchCommand(controller, 32775), CommandOutcome::Handled);
    EXPECT_FALSE(controller.collecting());
    EXPECT_EQ(dispatchCommand(controller, 32773), CommandOutcome::Handled);
    EXPECT_FALSE(controller.logging());
}

TEST_F(Dispatch, ShellCommandsAndUnknownIdentifiersAreLeftToTheShell) {
    EXPECT_EQ(dispatchCommand(controller, 104), CommandOutcome::ShowAbout);
    EXPECT_EQ(dispatchCommand(controller, 105), CommandOutcome::Exit);
    for (std::uint32_t id : {0u, 1u, 2u, 32771u, 32776u, 32793u, 32802u, 32811u, 0x10000u + 104u, 0x10000u + 32777u}) {
        SCOPED_TRACE(id);
        EXPECT_EQ(dispatchCommand(controller, id), CommandOutcome::Unrecognised);
    }
    EXPECT_EQ(controller.settings().portIndex, 4u);
    EXPECT_EQ(shell.repaints, 1);
}

void collectCommands(std::span<const MenuItem> items, std::vector<std::uint16_t>& out) {
    for (const auto& item : items) {
        EXPECT_EQ(item.command == 0, !item.items.empty()) << item.caption;
        if (item.command != 0) out.push_back(item.command);
        collectCommands(item.items, out);
    }
}

TEST_F(Dispatch, EveryMenuCommandIsRecognisedOnce) {
    std::vector<std::uint16_t> ids;
    collectCommands(kMenuBar, ids);
    EXPECT_EQ(ids.size(), 2u + 2u + 2u + 16u + 8u + 8u);
    EXPECT_EQ(std::set<std::uint16_t>(ids.begin(), ids.end()).size(), ids.size());
    for (auto id : ids) EXPECT_NE(dispatchCommand(controller, id), CommandOutcome::Unrecognised) << id;
}

TEST(MenuLayout, CaptionsMatchTheValuesTheyChoose) {
    const auto& settings = kMenuBar[2].items;
    ASSERT_EQ(settings.size(), 3u);
    for (std::size_t i = 0; i < kBaudRates.size(); ++i) {
        EXPECT_EQ(settings[1].items[i].caption, std::to_string(kBaudRates[i]) + "bps");
    }
    const char* intervals[] = {"0.1sec", "0.2sec", "0.5sec", "1sec", "2sec", "5sec", "10sec", "30sec"};
    for (std::size_t i = 0; i < kReportIntervalsMs.size(); ++i) {
        EXPECT_EQ(settings[2].items[i].caption, intervals[i]);
    }
}

}  // namespace
}  // namespace vemtora
