// The window's command line, read before Qt starts: help, version and mistakes need no display.
#pragma once

#include <array>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/acquisition_settings.h"
#include "io/posix/serial_device_path.h"

namespace vemtora {

inline constexpr std::string_view kWindowProgramName = "vemtora";

enum class WindowOptionId { Device, DeviceFolder, Help, Version };

struct WindowOptionEntry {
    WindowOptionId id;
    std::string_view name;
    std::string_view valueName;  // empty for a flag
    std::string_view help;
};

struct ShellCommandLine {
    enum class Action { Run, ShowHelp, ShowVersion };
    Action action = Action::Run;
    std::string error;                                       // not empty: a usage error, exit status 2
    std::vector<std::string> qtArguments;                    // Qt's own options as given, for QApplication to read
    AcquisitionSettings settings;                            // port and scales as the window reads them; the device
    std::vector<std::string> notes;                          // the values not taken, and what is used instead
    std::string deviceFolder = posix::kDefaultDeviceFolder;  // where COMn is looked up
};

// arguments: without the program name. The port index and scales keep the window's rule (what
// does not read leaves the defaults; notes say so); options take "--opt value" and "--opt=value";
// Qt's own options (-platform, -style, -display, ...) are passed on to Qt untouched.
ShellCommandLine parseShellCommandLine(std::span<const std::string_view> arguments);

std::string windowHelpText();
std::string windowVersionText();

}  // namespace vemtora
