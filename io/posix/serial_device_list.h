// The serial devices present on this machine, for a menu to offer and a status line to name.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/acquisition_settings.h"

namespace vemtora::posix {

struct DeviceFolders {
    std::string dev = "/dev";
    std::string sysClassTty = "/sys/class/tty";  // where a ttyS port says whether a UART is behind it
};

// By their /dev/serial/by-id names where udev gave them one, so the name follows the adapter
// from socket to socket; else ttyUSB*, ttyACM* and the ttyS* with a UART behind them (a kernel
// makes placeholder ttyS nodes that no port answers). The by-id names first, in name order,
// then the rest by kind and number. Read anew on every call.
std::vector<NamedDevice> listSerialDevices(const DeviceFolders& folders = {});

// A device given by its path, named for the status line by the path's last part, but a udev
// by-id or by-path link by what it leads to ("ttyUSB0"). nullopt for a path that cannot be a
// file name (not UTF-8).
std::optional<NamedDevice> namedDevice(const std::string& path);

}  // namespace vemtora::posix
