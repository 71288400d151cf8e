// The window as the window system frames it: outer size, the About box's place, the paper colour.
#include <QAbstractEventDispatcher>
#include <QTest>

#include "shell/qt/about_box.h"
#include "shell/qt/event_loop_choice.h"
#include "shell_fixture.h"
#include "shell_tests.h"

namespace vemtora::testing {

namespace {

QSize frameOf(const QWidget& window) { return window.frameGeometry().size() - window.geometry().size(); }

// Keeps a window from hearing that it was activated, as on a desktop that leaves it inactive.
class ActivationWithheld : public QObject {
protected:
    bool eventFilter(QObject*, QEvent* event) override {
        return event->type() == QEvent::WindowActivate || event->type() == QEvent::ActivationChange;
    }
};

}  // namespace

// A desktop may leave a new window inactive (focus stealing prevention): the size must not wait
// for activation.
void WindowFrameTest::outerSizeHoldsWithoutActivation() {
    ShellUnderTest shell;
    MainWindow& window = *shell.window;
    ActivationWithheld withheld;
    window.installEventFilter(&withheld);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY2(!frameOf(window).isNull(), "this platform draws no frame: nothing to check");
    QTRY_COMPARE_WITH_TIMEOUT(window.frameGeometry().size(), kOuterSize, 2000);

    // Made taller by the user, it stays so.
    window.resize(window.width(), 220);
    QTest::qWait(50);
    QCOMPARE(window.height(), 220);
}

// A window manager may tell the frame only after the user has already resized the window.
void WindowFrameTest::sizeChosenBeforeTheFrameIsKnownIsKept() {
    ShellUnderTest shell;
    MainWindow& window = *shell.window;
    window.resize(600, 200);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY2(!frameOf(window).isNull(), "this platform draws no frame: nothing to check");
    window.move(window.pos() + QPoint(10, 10));
    QTest::qWait(50);
    QCOMPARE(window.size(), QSize(600, 200));
}

void WindowFrameTest::aboutBoxClientAreaStartsAtTheWindowsClientOrigin() {
    ShellUnderTest shell;
    MainWindow& window = *shell.window;
    window.move(120, 90);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    const QPoint clientOrigin = window.reportView().mapToGlobal(QPoint(0, 0));
    QPoint aboutClient, aboutFrame;
    const bool opened = withDialog<AboutBox>([&] { QTest::keyClick(&window, Qt::Key_Slash, Qt::AltModifier); },
                                             [&](AboutBox& box) {
                                                 aboutClient = box.geometry().topLeft();
                                                 aboutFrame = box.frameGeometry().topLeft();
                                             });
    QVERIFY(opened);
    QVERIFY2(aboutFrame != aboutClient, "the About box has no frame here: nothing to check");
    QCOMPARE(aboutClient, clientOrigin);
}

// The paper is the colour a window's text background takes (white by default), not the grey of
// dialogs and panels.
void WindowFrameTest::clientAreaIsPaintedInTheWindowBackgroundColour() {
    ShellUnderTest shell;
    MainWindow& window = *shell.window;
    QPalette palette = window.palette();
    palette.setColor(QPalette::Base, QColor(0x12, 0x34, 0x56));
    palette.setColor(QPalette::Window, QColor(0x65, 0x43, 0x21));
    window.setPalette(palette);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QImage image = window.reportView().grab().toImage();
    // The middle of the area: between the clock and the averages, above the status line.
    const QPoint empty(image.width() / 3, image.height() / 2);
    QCOMPARE(QColor(image.pixel(empty)), QColor(0x12, 0x34, 0x56));
    QCOMPARE(window.reportView().backgroundRole(), QPalette::Base);
}

void WindowFrameTest::windowThreadRunsOnQtsOwnDispatcher() {
    // test_main asks for it as main.cpp does: the GLib one would cost every poll its rounds.
    const QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    QVERIFY(dispatcher != nullptr);
    QVERIFY2(!dispatcher->inherits("QEventDispatcherGlib"), dispatcher->metaObject()->className());
    QVERIFY2(dispatcher->inherits("QEventDispatcherUNIX"), dispatcher->metaObject()->className());
}

void WindowFrameTest::dispatcherChoiceLeavesTheUsersSettingAlone() {
    const QByteArray before = qgetenv("QT_NO_GLIB");
    const bool wasSet = qEnvironmentVariableIsSet("QT_NO_GLIB");
    qputenv("QT_NO_GLIB", QByteArrayLiteral(""));
    preferPlainEventDispatcher();
    QVERIFY(qEnvironmentVariableIsSet("QT_NO_GLIB"));
    QCOMPARE(qgetenv("QT_NO_GLIB"), QByteArray());
    qunsetenv("QT_NO_GLIB");
    preferPlainEventDispatcher();
    QCOMPARE(qgetenv("QT_NO_GLIB"), QByteArrayLiteral("1"));
    if (wasSet)
        qputenv("QT_NO_GLIB", before);
    else
        qunsetenv("QT_NO_GLIB");
}

}  // namespace vemtora::testing
