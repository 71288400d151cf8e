// The values that govern a run, with their defaults and the choices the menu offers.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace vemtora {

// How the log line's first field gives the time: the window edition's time of day, or the
// local date and time for logs that run past midnight.
enum class LogTimeStamp { TimeOfDay, LocalDateTime };

// A serial device chosen by its path rather than by a COM name: on Linux, a USB adapter.
struct NamedDevice {
    std::wstring path;
    std::wstring shortName;  // what the status line shows in place of "COM5": "ttyUSB0"

    bool operator==(const NamedDevice&) const = default;
};

struct AcquisitionSettings {
    std::uint32_t portIndex = 4;        // zero-based: 4 names "COM5"
    std::optional<NamedDevice> device;  // read instead of the COM port while set
    std::int32_t baudRate = 9600;
    std::int32_t reportIntervalMs = 500;
    double voltageScale = 0.646;
    double currentScale = 0.097;
    LogTimeStamp logTimeStamp = LogTimeStamp::TimeOfDay;
};

inline constexpr std::size_t kPortCount = 16;

inline constexpr std::array<std::wstring_view, kPortCount> kPortNames = {
    L"COM1", L"COM2",  L"COM3",  L"COM4",  L"COM5",  L"COM6",  L"COM7",  L"COM8",
    L"COM9", L"COM10", L"COM11", L"COM12", L"COM13", L"COM14", L"COM15", L"COM16",
};

inline constexpr std::array<std::int32_t, 8> kBaudRates = {300, 600, 1200, 2400, 4800, 9600, 19200, 38400};

inline constexpr std::array<std::int32_t, 8> kReportIntervalsMs = {100, 200, 500, 1000, 2000, 5000, 10000, 30000};

// What the serial link is asked to open: the device's path, or the COM name.
std::wstring_view portName(const AcquisitionSettings& settings);

// The command line holds an optional zero-based port index and two scale
// factors; anything that does not read cleanly leaves the defaults.
void parseCommandLine(AcquisitionSettings& settings, std::wstring_view commandLine);

// The text parseCommandLine reads, from the arguments that follow the program name: joined by
// single blanks, without the blanks before the first.
std::wstring commandLineText(std::span<const std::wstring> arguments);

}  // namespace vemtora
