// Port names to device files.
#include "io/posix/serial_device_path.h"

#include <sys/stat.h>

#include <cstddef>

#include "core/acquisition_settings.h"
#include "io/posix/utf8_path.h"

namespace vemtora::posix {

namespace {

bool entryExists(const std::string& path) {
    // lstat, not stat: a COMn link whose target is unplugged still names the meter's port, and
    // opening it should fail rather than quietly fall back to some built-in ttyS port.
    struct stat entry {};
    return ::lstat(path.c_str(), &entry) == 0;
}

}  // namespace

std::optional<std::string> serialDevicePath(const std::string& deviceFolder, std::wstring_view portName) {
    for (std::size_t index = 0; index < kPortNames.size(); ++index) {
        if (kPortNames[index] != portName) continue;
        const std::string comLink = deviceFolder + "/COM" + std::to_string(index + 1);
        if (entryExists(comLink)) return comLink;
        return deviceFolder + "/ttyS" + std::to_string(index);
    }
    if (portName.empty()) return std::nullopt;
    return toUtf8Path(portName);
}

}  // namespace vemtora::posix
