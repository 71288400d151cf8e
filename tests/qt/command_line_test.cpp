// What the shell hands the core from the arguments Qt leaves, and where the ports are looked up.
#include <QTest>

#include "core/acquisition_settings.h"
#include "shell/qt/command_line.h"
#include "shell_tests.h"

namespace vemtora::testing {

void CommandLineTest::split_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("coreText");
    QTest::addColumn<QString>("deviceFolder");
    QTest::addColumn<int>("portIndex");

    QTest::newRow("none") << QStringList{} << "" << "/dev" << 4;
    QTest::newRow("port and scales") << QStringList{"2", "0.5", "0.25"} << "2 0.5 0.25" << "/dev" << 2;
    QTest::newRow("device folder anywhere")
        << QStringList{"--device-folder=/tmp/ports", "7", "1", "1"} << "7 1 1" << "/tmp/ports" << 7;
    QTest::newRow("device folder last") << QStringList{"3", "--device-folder=/a", "--device-folder=/b"} << "3"
                                        << "/b" << 3;
    QTest::newRow("empty device folder keeps /dev") << QStringList{"--device-folder="} << "" << "/dev" << 4;
    QTest::newRow("empty leading argument") << QStringList{"", "5"} << "5" << "/dev" << 5;
    QTest::newRow("comma decimals pass through") << QStringList{"4", "0,646", "0,097"} << "4 0,646 0,097" << "/dev"
                                                 << 4;
    QTest::newRow("other options are the core's") << QStringList{"--device", "1"} << "--device 1" << "/dev" << 4;
}

void CommandLineTest::split() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, coreText);
    QFETCH(QString, deviceFolder);
    QFETCH(int, portIndex);

    const ShellCommandLine result = splitCommandLine(arguments);
    QCOMPARE(QString::fromStdWString(result.coreText), coreText);
    QCOMPARE(QString::fromStdString(result.deviceFolder), deviceFolder);
    AcquisitionSettings settings;
    parseCommandLine(settings, result.coreText);
    QCOMPARE(settings.portIndex, static_cast<std::uint32_t>(portIndex));
}

}  // namespace vemtora::testing
