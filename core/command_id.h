// The numeric identifiers of the menu commands.
#pragma once

#include <cstdint>

namespace vemtora {

enum class CommandId : std::uint16_t {
    About = 104,
    Exit = 105,
    LogSave = 32772,
    LogClose = 32773,
    CollectStart = 32774,
    CollectStop = 32775,
    PortFirst = 32777,      // "COM1"; "COM16" is PortFirst + 15
    SpeedFirst = 32794,     // 300 bit/s; one identifier per entry of kBaudRates
    IntervalFirst = 32803,  // 100 ms; one identifier per entry of kReportIntervalsMs
};

constexpr std::uint16_t toNumber(CommandId id) { return static_cast<std::uint16_t>(id); }

}  // namespace vemtora
