// Arbitrary wide command lines.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "core/acquisition_settings.h"
#include "core/argument_problems.h"

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

    // The strict rule never passes what the window would leave at its defaults.
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::string_view argument = bytes;
    const auto notes = untakenArgumentNotes(bytes);
    if (!strictArgumentProblem({&argument, 1}) && !notes.empty()) std::abort();
    return 0;
}
