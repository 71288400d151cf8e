// Which device file a port name from the Port menu stands for on Linux.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vemtora::posix {

// Where the COM names are looked up unless a program is told otherwise.
inline constexpr char kDefaultDeviceFolder[] = "/dev";

// "COMn" is <deviceFolder>/COMn when that entry exists (a udev or hand-made link, so a USB
// adapter keeps a stable name), otherwise <deviceFolder>/ttyS<n-1>. Any other name is a path
// (/dev/ttyUSB0, a /dev/serial/by-id link) and stands for itself; nullopt for one that cannot
// be a file name.
std::optional<std::string> serialDevicePath(const std::string& deviceFolder, std::wstring_view portName);

}  // namespace vemtora::posix
