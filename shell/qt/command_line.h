// Splits the arguments Qt leaves into the core's command line and the Linux-only options.
#pragma once

#include <QStringList>

#include <string>

#include "io/posix/serial_device_path.h"

namespace vemtora {

struct ShellCommandLine {
    std::wstring coreText;                                   // for parseCommandLine
    std::string deviceFolder = posix::kDefaultDeviceFolder;  // where COMn is looked up
};

// arguments: without the program name. "--device-folder=DIR" is taken out (the last one wins);
// the rest is joined by single blanks.
ShellCommandLine splitCommandLine(const QStringList& arguments);

}  // namespace vemtora
