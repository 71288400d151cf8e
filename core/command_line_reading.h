// How the window's command line reads, item by item: what is taken, and what is not and where.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "acquisition_settings.h"
#include "scan_reader.h"

namespace vemtora {

enum class ArgumentFault {
    PortNotANumber,  // nothing after it is read either
    PortOutOfRange,
    ScaleNotValid,  // not a number, not above 0, or not finite as a float
    ScaleAlone,     // a voltage scale without a current scale
    Trailing,       // more after the scales, which nothing reads
};

struct UntakenItem {
    ArgumentFault fault;
    std::size_t start;  // where its text begins
};

struct CommandLineReading {
    std::optional<std::uint32_t> portIndex;
    std::optional<std::pair<double, double>> scales;
    std::vector<UntakenItem> untaken;  // in the order of the text
};

// "%d %f %f": reading stops at the first item that does not convert.
template <typename CharT>
CommandLineReading readCommandLine(std::basic_string_view<CharT> text) {
    CommandLineReading result;
    ScanReader<CharT> reader(text);
    const auto itemStart = [&] {
        reader.skipWhite();
        return reader.position();
    };
    const auto untaken = [&](ArgumentFault fault, std::size_t start) { result.untaken.push_back({fault, start}); };

    std::size_t start = itemStart();
    const auto port = reader.readInt32();
    if (port.status == ScanStatus::Missing) {
        if (start < text.size()) untaken(ArgumentFault::PortNotANumber, start);
        return result;
    }
    // A negative index taken as unsigned is far above the last port.
    if (port.status == ScanStatus::Read && static_cast<std::uint32_t>(port.value) < kPortCount) {
        result.portIndex = static_cast<std::uint32_t>(port.value);
    } else {
        untaken(ArgumentFault::PortOutOfRange, start);
    }

    const std::size_t voltageStart = itemStart();
    const auto voltage = reader.readFloat();
    if (voltage.status == ScanStatus::Missing) {
        if (voltageStart < text.size()) untaken(ArgumentFault::ScaleNotValid, voltageStart);
        return result;
    }
    const std::size_t voltageEnd = reader.position();
    const std::size_t currentStart = itemStart();
    const auto current = reader.readFloat();
    if (current.status == ScanStatus::Missing) {
        if (currentStart == text.size()) {
            untaken(ArgumentFault::ScaleAlone, voltageStart);
        } else {
            // "0,646" reads as 0 and stops at the comma: the voltage scale is what was mistyped.
            untaken(ArgumentFault::ScaleNotValid, currentStart == voltageEnd ? voltageStart : currentStart);
        }
        return result;
    }
    const auto valid = [](const Scanned<float>& scale) {
        return scale.status == ScanStatus::Read && scale.value > 0.0f;
    };
    if (!valid(voltage)) {
        untaken(ArgumentFault::ScaleNotValid, voltageStart);
    } else if (!valid(current)) {
        untaken(ArgumentFault::ScaleNotValid, currentStart);
    } else {
        result.scales = {static_cast<double>(voltage.value), static_cast<double>(current.value)};
    }
    if (const std::size_t rest = itemStart(); rest < text.size()) untaken(ArgumentFault::Trailing, rest);
    return result;
}

}  // namespace vemtora
