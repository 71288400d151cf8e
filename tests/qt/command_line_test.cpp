// The window's command line: its own options in both forms, Qt's passed on, numbers as the core
// reads them with a note for each value not taken, and mistakes refused.
#include <QTest>

#include "shell/qt/command_line.h"
#include "shell_tests.h"

namespace vemtora::testing {

using Action = ShellCommandLine::Action;

void CommandLineTest::split_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("error");
    QTest::addColumn<int>("action");
    QTest::addColumn<QStringList>("qtArguments");
    QTest::addColumn<QString>("deviceFolder");
    QTest::addColumn<QString>("port");  // what Start opens
    QTest::addColumn<double>("voltageScale");
    QTest::addColumn<QStringList>("notes");

    const int run = static_cast<int>(Action::Run);
    const QStringList none;
    QTest::newRow("none") << none << "" << run << none << "/dev"
                          << "COM5" << 0.646 << none;
    QTest::newRow("port and scales") << QStringList{"2", "0.5", "0.25"} << "" << run << none << "/dev"
                                     << "COM3" << 0.5 << none;
    QTest::newRow("device folder, both forms, last wins")
        << QStringList{"--device-folder=/tmp/a", "7", "--device-folder", "/tmp/ports", "1", "1"} << "" << run << none
        << "/tmp/ports"
        << "COM8" << 1.0 << none;
    QTest::newRow("empty device folder keeps /dev") << QStringList{"--device-folder="} << "" << run << none << "/dev"
                                                    << "COM5" << 0.646 << none;
    QTest::newRow("device by path") << QStringList{"--device", "/dev/ttyUSB7", "3"} << "" << run << none << "/dev"
                                    << "/dev/ttyUSB7" << 0.646 << none;
    QTest::newRow("Qt's options pass, with one dash or two")
        << QStringList{"-platform", "offscreen", "--style", "Fusion", "-stylesheet=a.qss", "-reverse", "6"} << "" << run
        << QStringList{"-platform", "offscreen", "--style", "Fusion", "-stylesheet=a.qss", "-reverse"} << "/dev"
        << "COM7" << 0.646 << none;
    QTest::newRow("after --, a number that looks like an option")
        << QStringList{"--", "-1", "0.5", "0.1"} << "" << run << none << "/dev"
        << "COM5" << 0.5 << QStringList{"'-1' is not a port index: use 0 (COM1) to 15 (COM16); using COM5"};
    // The window's rule stays: what does not read leaves the default, and a note says so.
    QTest::newRow("comma decimals")
        << QStringList{"4", "0,646", "0,097"} << "" << run << none << "/dev"
        << "COM5" << 0.646
        << QStringList{
               "'0,646' is not a scale factor: use a number above 0 with a decimal point, such as 0.646; "
               "using the default scales 0.646 and 0.097"};
    QTest::newRow("a negative scale and no port")
        << QStringList{"16", "-1", "2"} << "" << run << none << "/dev"
        << "COM5" << 0.646
        << QStringList{"'16' is not a port index: use 0 (COM1) to 15 (COM16); using COM5",
                       "'-1' is not a scale factor: use a number above 0 with a decimal point, such as 0.646; "
                       "using the default scales 0.646 and 0.097"};
    const int help = static_cast<int>(Action::ShowHelp);
    const int version = static_cast<int>(Action::ShowVersion);
    QTest::newRow("help") << QStringList{"3", "--help", "--bogus"} << "" << help << none << "/dev"
                          << "COM4" << 0.646 << none;
    QTest::newRow("version") << QStringList{"--version"} << "" << version << none << "/dev"
                             << "COM5" << 0.646 << none;
    QTest::newRow("a typo is refused") << QStringList{"--devcie-folder=x"} << "unknown option --devcie-folder" << run
                                       << none << "/dev"
                                       << "COM5" << 0.646 << none;
    QTest::newRow("a flag with a value") << QStringList{"--help=me"} << "--help takes no value" << run << none << "/dev"
                                         << "COM5" << 0.646 << none;
    QTest::newRow("a missing value") << QStringList{"--device"} << "--device needs a value" << run << none << "/dev"
                                     << "COM5" << 0.646 << none;
    QTest::newRow("an empty device") << QStringList{"--device="} << "--device needs a path" << run << none << "/dev"
                                     << "COM5" << 0.646 << none;
}

void CommandLineTest::split() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, error);
    QFETCH(int, action);
    QFETCH(QStringList, qtArguments);
    QFETCH(QString, deviceFolder);
    QFETCH(QString, port);
    QFETCH(double, voltageScale);
    QFETCH(QStringList, notes);

    std::vector<std::string> bytes;
    for (const QString& argument : arguments) bytes.push_back(argument.toStdString());
    const std::vector<std::string_view> views(bytes.begin(), bytes.end());
    const ShellCommandLine result = parseShellCommandLine(views);
    QCOMPARE(QString::fromStdString(result.error), error);
    if (!error.isEmpty()) return;
    QCOMPARE(static_cast<int>(result.action), action);
    if (result.action != Action::Run) return;
    QStringList qt;
    for (const std::string& argument : result.qtArguments) qt.append(QString::fromStdString(argument));
    QCOMPARE(qt, qtArguments);
    QCOMPARE(QString::fromStdString(result.deviceFolder), deviceFolder);
    QCOMPARE(QString::fromStdWString(std::wstring(portName(result.settings))), port);
    QCOMPARE(static_cast<float>(result.settings.voltageScale), static_cast<float>(voltageScale));
    QStringList said;
    for (const std::string& note : result.notes) said.append(QString::fromStdString(note));
    QCOMPARE(said, notes);
}

}  // namespace vemtora::testing
