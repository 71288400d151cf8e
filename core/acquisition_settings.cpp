#include "acquisition_settings.h"

#include <algorithm>

#include "scan_reader.h"

namespace vemtora {

void parseCommandLine(AcquisitionSettings& settings, std::wstring_view commandLine) {
    const AcquisitionSettings defaults;
    settings.portIndex = defaults.portIndex;
    settings.voltageScale = defaults.voltageScale;
    settings.currentScale = defaults.currentScale;

    ScanReader<wchar_t> reader(commandLine);
    const auto port = reader.readInt32();
    if (port.status == ScanStatus::Missing) return;
    // A negative index taken as unsigned is far above the last port.
    if (port.status == ScanStatus::Read && static_cast<std::uint32_t>(port.value) < kPortCount) {
        settings.portIndex = static_cast<std::uint32_t>(port.value);
    }

    const auto voltage = reader.readFloat();
    if (voltage.status == ScanStatus::Missing) return;
    const auto current = reader.readFloat();
    if (voltage.status != ScanStatus::Read || current.status != ScanStatus::Read) return;
    if (voltage.value > 0.0f && current.value > 0.0f) {
        settings.voltageScale = static_cast<double>(voltage.value);
        settings.currentScale = static_cast<double>(current.value);
    }
}

std::wstring commandLineText(std::span<const std::wstring> arguments) {
    std::wstring joined;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (i > 0) joined += L' ';
        joined += arguments[i];
    }
    return joined.substr(std::min(joined.find_first_not_of(L' '), joined.size()));
}

}  // namespace vemtora
