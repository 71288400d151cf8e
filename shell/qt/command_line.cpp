#include "command_line.h"

#include <QFile>

#include <vector>

#include "core/acquisition_settings.h"

namespace vemtora {

namespace {
const QString kDeviceFolderOption = QStringLiteral("--device-folder=");
}

ShellCommandLine splitCommandLine(const QStringList& arguments) {
    ShellCommandLine result;
    std::vector<std::wstring> rest;
    for (const QString& argument : arguments) {
        if (argument.startsWith(kDeviceFolderOption)) {
            const QString folder = argument.mid(kDeviceFolderOption.size());
            result.deviceFolder = folder.isEmpty() ? posix::kDefaultDeviceFolder : QFile::encodeName(folder).toStdString();
        } else {
            rest.push_back(argument.toStdWString());
        }
    }
    result.coreText = commandLineText(rest);
    return result;
}

}  // namespace vemtora
