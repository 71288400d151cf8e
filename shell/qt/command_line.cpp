#include "command_line.h"

#include <QFile>

namespace vemtora {

namespace {
const QString kDeviceFolderOption = QStringLiteral("--device-folder=");
}

ShellCommandLine splitCommandLine(const QStringList& arguments) {
    ShellCommandLine result;
    QStringList rest;
    for (const QString& argument : arguments) {
        if (argument.startsWith(kDeviceFolderOption)) {
            const QString folder = argument.mid(kDeviceFolderOption.size());
            result.deviceFolder = folder.isEmpty() ? posix::kDefaultDeviceFolder : QFile::encodeName(folder).toStdString();
        } else {
            rest.append(argument);
        }
    }
    // The core expects what follows the program name with leading blanks already gone.
    QString joined = rest.join(QLatin1Char(' '));
    qsizetype first = 0;
    while (first < joined.size() && joined.at(first) == QLatin1Char(' ')) ++first;
    result.coreText = joined.mid(first).toStdWString();
    return result;
}

}  // namespace vemtora
