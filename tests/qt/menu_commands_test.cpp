// The menu bar against the core's tree, and what each command does to the controller.
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTest>

#include "core/menu_layout.h"
#include "shell_fixture.h"
#include "shell_tests.h"

namespace vemtora::testing {

namespace {

// Compares one level of the Qt menu with one level of the core's tree, recursively; returns
// a description of the first difference, or an empty string.
QString compareLevel(const QList<QAction*>& actions, std::span<const MenuItem> items, const QString& where) {
    if (actions.size() != static_cast<qsizetype>(items.size())) {
        return QStringLiteral("%1: %2 items, expected %3").arg(where).arg(actions.size()).arg(items.size());
    }
    for (std::size_t i = 0; i < items.size(); ++i) {
        const QAction* action = actions[static_cast<qsizetype>(i)];
        const MenuItem& item = items[i];
        const QString caption = QString::fromUtf8(item.caption.data(), static_cast<qsizetype>(item.caption.size()));
        const QString here = where + QStringLiteral(" > ") + caption;
        if (action->isSeparator()) return here + QStringLiteral(": separator");
        if (action->text() != caption) return here + QStringLiteral(": caption ") + action->text();
        if (!action->isEnabled() || action->isCheckable()) return here + QStringLiteral(": not a plain item");
        if (item.command == 0) {
            if (action->menu() == nullptr) return here + QStringLiteral(": no submenu");
            if (QString diff = compareLevel(action->menu()->actions(), item.items, here); !diff.isEmpty()) return diff;
        } else {
            if (action->menu() != nullptr) return here + QStringLiteral(": unexpected submenu");
            if (action->data().toUInt() != item.command) {
                return here + QStringLiteral(": command %1").arg(action->data().toUInt());
            }
        }
    }
    return {};
}

}  // namespace

void MenuCommandsTest::menuTreeMatchesTheCoreTable() {
    ShellUnderTest shell;
    const QString diff = compareLevel(shell.window->menuBar()->actions(), kMenuBar, QStringLiteral("menu bar"));
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
}

void MenuCommandsTest::commandsReachTheController_data() {
    QTest::addColumn<QList<QStringList>>("commands");
    QTest::addColumn<QString>("status");
    QTest::addColumn<bool>("portOpen");
    QTest::addColumn<bool>("logOpen");
    QTest::addColumn<int>("reportIntervalMs");

    const QStringList start{QStringLiteral("Data Collect"), QStringLiteral("Start")};
    const QStringList stop{QStringLiteral("Data Collect"), QStringLiteral("Stop")};
    const QStringList save{QStringLiteral("ファイル(&F)"), QStringLiteral("Log File"), QStringLiteral("Save")};
    const QStringList close{QStringLiteral("ファイル(&F)"), QStringLiteral("Log File"), QStringLiteral("Close")};
    auto setting = [](const char* group, const char* item) {
        return QStringList{QStringLiteral("Settings"), QString::fromLatin1(group), QString::fromLatin1(item)};
    };

    QTest::newRow("nothing yet") << QList<QStringList>{} << "COM5 9600bps 0.5sec  " << false << false << 500;
    QTest::newRow("COM3") << QList<QStringList>{setting("Port", "COM3")} << "COM3 9600bps 0.5sec  " << false << false
                          << 500;
    QTest::newRow("COM16") << QList<QStringList>{setting("Port", "COM16")} << "COM16 9600bps 0.5sec  " << false << false
                           << 500;
    QTest::newRow("38400bps") << QList<QStringList>{setting("Speed", "38400bps")} << "COM5 38400bps 0.5sec  " << false
                              << false << 500;
    QTest::newRow("300bps") << QList<QStringList>{setting("Speed", "300bps")} << "COM5 300bps 0.5sec  " << false
                            << false << 500;
    QTest::newRow("0.1sec") << QList<QStringList>{setting("Interval", "0.1sec")} << "COM5 9600bps 0.1sec  " << false
                            << false << 100;
    QTest::newRow("30sec") << QList<QStringList>{setting("Interval", "30sec")} << "COM5 9600bps 30sec  " << false
                           << false << 30000;
    QTest::newRow("Start") << QList<QStringList>{start} << "COM5 9600bps 0.5sec Xfer " << true << false << 500;
    QTest::newRow("port while collecting is ignored")
        << QList<QStringList>{start, setting("Port", "COM3"), setting("Speed", "300bps")} << "COM5 9600bps 0.5sec Xfer "
        << true << false << 500;
    QTest::newRow("interval while collecting is taken")
        << QList<QStringList>{start, setting("Interval", "2sec")} << "COM5 9600bps 2sec Xfer " << true << false << 2000;
    QTest::newRow("Start, Stop") << QList<QStringList>{start, stop} << "COM5 9600bps 0.5sec  " << false << false << 500;
    QTest::newRow("Save") << QList<QStringList>{save} << "COM5 9600bps 0.5sec  Save" << false << true << 500;
    QTest::newRow("Save, Close") << QList<QStringList>{save, close} << "COM5 9600bps 0.5sec  " << false << false << 500;
    QTest::newRow("both") << QList<QStringList>{save, start} << "COM5 9600bps 0.5sec Xfer Save" << true << true << 500;
}

void MenuCommandsTest::commandsReachTheController() {
    QFETCH(QList<QStringList>, commands);
    QFETCH(QString, status);
    QFETCH(bool, portOpen);
    QFETCH(bool, logOpen);
    QFETCH(int, reportIntervalMs);

    ShellUnderTest shell;
    for (const QStringList& path : commands) {
        QAction* action = path.size() == 2 ? menuAction(*shell.window, {path[0], path[1]})
                                           : menuAction(*shell.window, {path[0], path[1], path[2]});
        QVERIFY2(action != nullptr, qPrintable(path.join(QStringLiteral(" > "))));
        action->trigger();
    }
    QCOMPARE(QString::fromStdWString(shell.status()), status);
    QCOMPARE(shell.link.isOpen, portOpen);
    QCOMPARE(shell.logFile.isOpen, logOpen);
    QCOMPARE(shell.window->reportTimer().interval(), reportIntervalMs);
    QVERIFY(shell.window->reportTimer().isActive());
    QCOMPARE(shell.window->pollTimer().interval(), kPollPeriodMs);
    QCOMPARE(shell.window->pollTimer().isActive(), portOpen);
}

// The devices present follow COM16, read anew whenever the menu opens, and are chosen as ports are.
void MenuCommandsTest::devicesFollowThePortsAndAreChosenAsPortsAre() {
    ShellUnderTest shell;
    std::vector<NamedDevice> present{{L"/dev/serial/by-id/usb-FTDI_A1-if00-port0", L"ttyUSB0"},
                                     {L"/dev/ttyS0", L"ttyS0"}};
    shell.window->setDeviceLister([&] { return present; });
    QMenu* ports = menuAction(*shell.window, {QStringLiteral("Settings"), QStringLiteral("Port")})->menu();
    const auto itemsAfterCom16 = [&] {
        emit ports->aboutToShow();
        QStringList captions;
        for (const QAction* action : ports->actions().mid(kPortCount)) {
            captions.append(action->isSeparator() ? QStringLiteral("--") : action->text());
        }
        return captions;
    };
    QCOMPARE(itemsAfterCom16(), (QStringList{"--", "/dev/serial/by-id/usb-FTDI_A1-if00-port0", "/dev/ttyS0"}));
    present.pop_back();
    QCOMPARE(itemsAfterCom16(), (QStringList{"--", "/dev/serial/by-id/usb-FTDI_A1-if00-port0"}));

    QVERIFY(trigger(*shell.window, {QStringLiteral("Settings"), QStringLiteral("Port"),
                                    QStringLiteral("/dev/serial/by-id/usb-FTDI_A1-if00-port0")}));
    QCOMPARE(QString::fromStdWString(shell.status()), QStringLiteral("ttyUSB0 9600bps 0.5sec  "));
    QVERIFY(trigger(*shell.window, {QStringLiteral("Data Collect"), QStringLiteral("Start")}));
    QCOMPARE(shell.link.openCalls.back().portName, present[0].path);
    present = {{L"/dev/ttyACM0", L"ttyACM0"}};
    itemsAfterCom16();
    QVERIFY(
        trigger(*shell.window, {QStringLiteral("Settings"), QStringLiteral("Port"), QStringLiteral("/dev/ttyACM0")}));
    QCOMPARE(QString::fromStdWString(shell.status()), QStringLiteral("ttyUSB0 9600bps 0.5sec Xfer "));
    QVERIFY(trigger(*shell.window, {QStringLiteral("Data Collect"), QStringLiteral("Stop")}));
    QVERIFY(trigger(*shell.window, {QStringLiteral("Settings"), QStringLiteral("Port"), QStringLiteral("COM2")}));
    QCOMPARE(QString::fromStdWString(shell.status()), QStringLiteral("COM2 9600bps 0.5sec  "));
    QCOMPARE(itemsAfterCom16(), (QStringList{"--", "/dev/ttyACM0"}));
    present.clear();
    QCOMPARE(itemsAfterCom16(), QStringList{});
}

// A Start that opens nothing says why beside the window, once per Start, and nothing else changes.
void MenuCommandsTest::aFailedStartSaysWhy() {
    ShellUnderTest shell;
    int asked = 0;
    shell.window->setFailedStartReason([&] {
        ++asked;
        return std::string("cannot open /dev/ttyS4: Input/output error (no serial port answers there)");
    });
    shell.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(shell.window.get()));
    const auto start = {QStringLiteral("Data Collect"), QStringLiteral("Start")};
    QVERIFY(trigger(*shell.window, start));
    QCOMPARE(asked, 0);
    QVERIFY(trigger(*shell.window, start));  // already collecting: nothing failed
    QVERIFY(trigger(*shell.window, {QStringLiteral("Data Collect"), QStringLiteral("Stop")}));
    shell.link.opens = false;
    QVERIFY(trigger(*shell.window, start));
    QCOMPARE(asked, 1);
    QMessageBox* box = shell.window->findChild<QMessageBox*>();
    QVERIFY(box != nullptr && box->isVisible());
    QCOMPARE(box->text(), QStringLiteral("cannot open /dev/ttyS4: Input/output error (no serial port answers there)"));
    QVERIFY(!box->isModal());
    QCOMPARE(QString::fromStdWString(shell.status()), QStringLiteral("COM5 9600bps 0.5sec  "));
    QVERIFY(trigger(*shell.window, start));
    QTRY_COMPARE(shell.window->findChildren<QMessageBox*>().size(), 1);  // the new one replaces the old
    shell.window->close();
    QTRY_VERIFY(shell.window->findChildren<QMessageBox*>().isEmpty());
}

void MenuCommandsTest::sameIntervalAgainRestartsTheReportTimer() {
    ShellUnderTest shell;
    const auto thirty = {QStringLiteral("Settings"), QStringLiteral("Interval"), QStringLiteral("30sec")};
    QVERIFY(trigger(*shell.window, thirty));
    QTRY_VERIFY_WITH_TIMEOUT(shell.window->reportTimer().remainingTime() < 29'800, 2000);
    QVERIFY(trigger(*shell.window, thirty));
    QVERIFY(shell.window->reportTimer().remainingTime() > 29'800);
}

void MenuCommandsTest::exitClosesTheWindowAndShutsDown() {
    ShellUnderTest shell;
    shell.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(shell.window.get()));
    QVERIFY(trigger(*shell.window, {QStringLiteral("Data Collect"), QStringLiteral("Start")}));
    QVERIFY(
        trigger(*shell.window, {QStringLiteral("ファイル(&F)"), QStringLiteral("Log File"), QStringLiteral("Save")}));
    QVERIFY(trigger(*shell.window, {QStringLiteral("ファイル(&F)"), QStringLiteral("アプリケーションの終了(&X)")}));
    QVERIFY(!shell.window->isVisible());
    QVERIFY(shell.window->controller().isShutDown());
    QCOMPARE(shell.link.closeCount, 1);
    QCOMPARE(shell.logFile.closeCount, 1);
    QVERIFY(!shell.window->pollTimer().isActive());
    QVERIFY(!shell.window->reportTimer().isActive());
}

}  // namespace vemtora::testing
