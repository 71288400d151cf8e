#include "core/acquisition_settings.h"
#include "core/argument_problems.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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
        CommandLineCase{L"0", 0, kDefaultVoltage, kDefaultCurrent}, CommandLineCase{L"15 1 2", 15, 1.0, 2.0},
        CommandLineCase{L"16 1 2", 4, 1.0, 2.0}, CommandLineCase{L"-1 0.5 0.1", 4, widened(0.5f), widened(0.1f)},
        CommandLineCase{L"2 0.5", 2, kDefaultVoltage, kDefaultCurrent},
        CommandLineCase{L"2 0.5 0", 2, kDefaultVoltage, kDefaultCurrent},
        CommandLineCase{L"2 -0.5 0.1", 2, kDefaultVoltage, kDefaultCurrent},
        CommandLineCase{L"x 0.5 0.1", 4, kDefaultVoltage, kDefaultCurrent},
        CommandLineCase{L"4 0,646 0,097", 4, kDefaultVoltage, kDefaultCurrent},
        CommandLineCase{L"1 0.646 0.097", 1, 0.6460000276565552, widened(0.097f)},
        CommandLineCase{L"\t 7\t\t2.5e1   .5", 7, 25.0, 0.5}, CommandLineCase{L"+7 +1. 3E-1", 7, 1.0, widened(0.3f)},
        CommandLineCase{L"7abc 1 2", 7, kDefaultVoltage, kDefaultCurrent},
        CommandLineCase{L"5 1e 2", 5, kDefaultVoltage, kDefaultCurrent},  // "e" without digits ends the number
        // Numbers out of range: no wrap-around, no undefined behaviour.
        CommandLineCase{L"4294967296 1 2", 4, 1.0, 2.0}, CommandLineCase{L"4294967299 1 2", 4, 1.0, 2.0},
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
        CommandLineCase{L"\u00A0"
                        L"3 1 2",
                        4, kDefaultVoltage, kDefaultCurrent},
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

// What the window says it did not take: every item that parseCommandLine left at its default.
TEST(UntakenArgumentNotes, NameTheValueAndWhatIsUsedInstead) {
    const std::string scale = " is not a scale factor: use a number above 0 with a decimal point, such as 0.646";
    const std::string defaultScales = "; using the default scales 0.646 and 0.097";
    const std::string portRule = " is not a port index: use 0 (COM1) to 15 (COM16)";
    const struct {
        std::string text;
        std::vector<std::string> notes;
    } rows[] = {
        {"", {}},
        {"3", {}},
        {"15 1 2", {}},
        {"  7\t.5 1e1", {}},
        {"16 1 2", {"'16'" + portRule + "; using COM5"}},
        {"-1 0.5 0.1", {"'-1'" + portRule + "; using COM5"}},
        {"x 0.5 0.1",
         {"'x'" + portRule + "; nothing after it is read: using COM5 and the default scales 0.646 and 0.097"}},
        {"2 0.5", {"'0.5' has no current scale after it: give both scale factors or none" + defaultScales}},
        {"4 -1 2", {"'-1'" + scale + defaultScales}},
        {"4 1 0", {"'0'" + scale + defaultScales}},
        {"4 0,646 0,097", {"'0,646'" + scale + defaultScales}},
        {"4 1 abc", {"'abc'" + scale + defaultScales}},
        {"4 1e39 1", {"'1e39'" + scale + defaultScales}},
        {"99 -1 2", {"'99'" + portRule + "; using COM5", "'-1'" + scale + defaultScales}},
        {"4 1 2 5 6", {"'5 6' after the scale factors is not read"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(untakenArgumentNotes(row.text), row.notes);
    }
}

TEST(PortNames, NameThePortOneAboveTheIndex) {
    for (std::size_t i = 0; i < kPortNames.size(); ++i) {
        EXPECT_EQ(kPortNames[i], L"COM" + std::to_wstring(i + 1));
    }
}

}  // namespace
}  // namespace vemtora
