#include "core/acquisition_settings.h"

#include <gtest/gtest.h>

#include <string>

namespace vemtora {
namespace {

constexpr double kDefaultVoltage = 0.646;
constexpr double kDefaultCurrent = 0.097;

struct CommandLineCase {
    std::wstring text;
    std::uint32_t portIndex;
    double voltageScale;
    double currentScale;
};

class ParseCommandLine : public ::testing::TestWithParam<CommandLineCase> {};

TEST_P(ParseCommandLine, YieldsSettings) {
    const auto& c = GetParam();
    AcquisitionSettings settings;
    parseCommandLine(settings, c.text);
    EXPECT_EQ(settings.portIndex, c.portIndex);
    EXPECT_EQ(settings.voltageScale, c.voltageScale);
    EXPECT_EQ(settings.currentScale, c.currentScale);
    EXPECT_EQ(settings.baudRate, 9600);
    EXPECT_EQ(settings.reportIntervalMs, 500);
}

constexpr double widened(float f) { return static_cast<double>(f); }

INSTANTIATE_TEST_SUITE_P(
    Cases, ParseCommandLine,
    ::testing::Values(
        CommandLineCase{L"", 4, kDefaultVoltage, kDefaultCurrent},
        CommandLineCase{L"3", 3, kDefaultVoltage, kDefaultCurrent},
        CommandLineCase{L"0", 0, kDefaultVoltage, kDefaultCurrent},
        CommandLineCase{L"15 1 2", 15, 1.0, 2.0},
        CommandLineCase{L"16 1 2", 4, 1.0, 2.0},
        CommandLineCase{L"-1 0.5 0.1", 4, widened(0.5f), widened(0.1f)},
        CommandLineCase{L"2 0.5", 2, kDefaultVoltage, kDefaultCurrent},
        CommandLineCase{L"2 0.5 0", 2, kDefaultVoltage, kDefaultCurrent},
        CommandLineCase{L"2 -0.5 0.1", 2, kDefaultVoltage, kDefaultCurrent},
        CommandLineCase{L"x 0.5 0.1", 4, kDefaultVoltage, kDefaultCurrent},
        CommandLineCase{L"4 0,646 0,097", 4, kDefaultVoltage, kDefaultCurrent},
        CommandLineCase{L"1 0.646 0.097", 1, 0.6460000276565552, widened(0.097f)},
        CommandLineCase{L"\t 7\t\t2.5e1   .5", 7, 25.0, 0.5},
        CommandLineCase{L"+7 +1. 3E-1", 7, 1.0, widened(0.3f)},
        CommandLineCase{L"7abc 1 2", 7, kDefaultVoltage, kDefaultCurrent},
        CommandLineCase{L"5 1e 2", 5, kDefaultVoltage, kDefaultCurrent},  // "e" without digits ends the number
        // Numbers out of range: no wrap-around, no undefined behaviour.
        CommandLineCase{L"4294967296 1 2", 4, 1.0, 2.0},
        CommandLineCase{L"4294967299 1 2", 4, 1.0, 2.0},
        CommandLineCase{L"-2147483648 1 2", 4, 1.0, 2.0},
        CommandLineCase{L"99999999999999999999999999999999 1 2", 4, 1.0, 2.0},
        CommandLineCase{L"3 inf 1", 3, kDefaultVoltage, kDefaultCurrent},
        CommandLineCase{L"3 nan 1", 3, kDefaultVoltage, kDefaultCurrent},
        CommandLineCase{L"3 1e39 1", 3, kDefaultVoltage, kDefaultCurrent},
        CommandLineCase{L"3 1 1e39", 3, kDefaultVoltage, kDefaultCurrent},
        CommandLineCase{L"3 0x10 1", 3, kDefaultVoltage, kDefaultCurrent},  // reads as 0
        CommandLineCase{L"3 3.4e38 1", 3, widened(3.4e38f), 1.0},
        CommandLineCase{L"3 1e-50 1", 3, kDefaultVoltage, kDefaultCurrent},
        // Characters beyond ASCII (and beyond 16 bits where wchar_t holds them) are just non-matching.
        CommandLineCase{L"\u00A0" L"3 1 2", 4, kDefaultVoltage, kDefaultCurrent},
        CommandLineCase{L"3\uFF11 1 2", 3, kDefaultVoltage, kDefaultCurrent}));

TEST(ParseCommandLine, StartsFromTheDefaultsWhateverTheSettingsHeld) {
    AcquisitionSettings settings;
    settings.portIndex = 9;
    settings.voltageScale = 3.0;
    parseCommandLine(settings, L"x");
    EXPECT_EQ(settings.portIndex, 4u);
    EXPECT_EQ(settings.voltageScale, kDefaultVoltage);
}

TEST(ParseCommandLine, LongNumbersAreReadWhole) {
    AcquisitionSettings settings;
    const std::wstring longScale = L"0." + std::wstring(5000, L'0') + L"1";
    parseCommandLine(settings, L"1 1" + std::wstring(100, L'0') + L" " + longScale);
    EXPECT_EQ(settings.portIndex, 1u);
    EXPECT_EQ(settings.voltageScale, kDefaultVoltage);  // 1e100 is no float
}

TEST(PortNames, NameThePortOneAboveTheIndex) {
    for (std::size_t i = 0; i < kPortNames.size(); ++i) {
        EXPECT_EQ(kPortNames[i], L"COM" + std::to_wstring(i + 1));
    }
}

}  // namespace
}  // namespace vemtora
