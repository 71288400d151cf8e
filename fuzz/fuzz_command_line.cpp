// Arbitrary wide command lines.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/acquisition_settings.h"

using namespace vemtora;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Mostly ASCII, so digits and blanks are common, with the odd wide character.
    std::wstring text;
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0xFF && i + 4 < size) {
            std::uint32_t wide = 0;
            std::memcpy(&wide, data + i + 1, sizeof wide);
            text.push_back(static_cast<wchar_t>(wide));
            i += 4;
        } else {
            text.push_back(static_cast<wchar_t>(data[i]));
        }
    }
    AcquisitionSettings settings;
    settings.baudRate = 300;
    settings.reportIntervalMs = 30000;
    parseCommandLine(settings, text);

    const AcquisitionSettings defaults;
    if (settings.portIndex >= kPortCount) std::abort();
    if (!(settings.voltageScale > 0.0) || !std::isfinite(settings.voltageScale)) std::abort();
    if (!(settings.currentScale > 0.0) || !std::isfinite(settings.currentScale)) std::abort();
    // The scales change together: both stay the defaults or both are single-precision values.
    const bool voltageDefault = settings.voltageScale == defaults.voltageScale;
    const bool currentDefault = settings.currentScale == defaults.currentScale;
    if (voltageDefault != currentDefault) std::abort();
    if (!voltageDefault && (settings.voltageScale != static_cast<float>(settings.voltageScale) ||
                            settings.currentScale != static_cast<float>(settings.currentScale))) {
        std::abort();
    }
    if (settings.baudRate != 300 || settings.reportIntervalMs != 30000) std::abort();
    return 0;
}
