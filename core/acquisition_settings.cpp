#include "acquisition_settings.h"

#include <algorithm>

#include "command_line_reading.h"

namespace vemtora {

std::wstring_view portName(const AcquisitionSettings& settings) {
    return settings.device ? std::wstring_view(settings.device->path) : kPortNames[settings.portIndex];
}

void parseCommandLine(AcquisitionSettings& settings, std::wstring_view commandLine) {
    const AcquisitionSettings defaults;
    const CommandLineReading reading = readCommandLine(commandLine);
    settings.portIndex = reading.portIndex.value_or(defaults.portIndex);
    settings.voltageScale = reading.scales ? reading.scales->first : defaults.voltageScale;
    settings.currentScale = reading.scales ? reading.scales->second : defaults.currentScale;
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
