// The About box: opened by the Help menu and both Alt accelerators, closed by OK, Escape and
// the close box, modal over the main window, with the timers still running.
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "shell/qt/about_box.h"
#include "shell_fixture.h"
#include "shell_tests.h"
#include "vemtora_version.h"

namespace vemtora::testing {

namespace {

enum class Opener { Menu, AltQuestion, AltSlash };
enum class Closer { Ok, Escape, CloseBox };

}  // namespace
}  // namespace vemtora::testing

Q_DECLARE_METATYPE(vemtora::testing::Opener)
Q_DECLARE_METATYPE(vemtora::testing::Closer)

namespace vemtora::testing {
namespace {

void open(MainWindow& window, Opener opener) {
    switch (opener) {
        case Opener::Menu:
            trigger(window, {QStringLiteral("ヘルプ(&H)"), QStringLiteral("バージョン情報(&A)...")});
            break;
        case Opener::AltQuestion: QTest::keyClick(&window, Qt::Key_Question, Qt::AltModifier); break;
        case Opener::AltSlash: QTest::keyClick(&window, Qt::Key_Slash, Qt::AltModifier); break;
    }
}

void close(AboutBox& box, Closer closer) {
    switch (closer) {
        case Closer::Ok: QTest::mouseClick(box.findChild<QPushButton*>(), Qt::LeftButton); break;
        case Closer::Escape: QTest::keyClick(&box, Qt::Key_Escape); break;
        case Closer::CloseBox: box.close(); break;
    }
}

}  // namespace

void AboutBoxTest::opensAndCloses_data() {
    QTest::addColumn<Opener>("opener");
    QTest::addColumn<Closer>("closer");
    QTest::addColumn<int>("result");
    QTest::newRow("menu, OK") << Opener::Menu << Closer::Ok << int(QDialog::Accepted);
    QTest::newRow("menu, Escape") << Opener::Menu << Closer::Escape << int(QDialog::Rejected);
    QTest::newRow("Alt+?, close box") << Opener::AltQuestion << Closer::CloseBox << int(QDialog::Rejected);
    QTest::newRow("Alt+?, OK") << Opener::AltQuestion << Closer::Ok << int(QDialog::Accepted);
    QTest::newRow("Alt+/, Escape") << Opener::AltSlash << Closer::Escape << int(QDialog::Rejected);
}

void AboutBoxTest::opensAndCloses() {
    QFETCH(Opener, opener);
    QFETCH(Closer, closer);
    QFETCH(int, result);

    ShellUnderTest shell;
    MainWindow& window = *shell.window;
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));

    int closedWith = -1;
    bool closedItself = false;
    const bool opened = withDialog<AboutBox>(
        [&] { open(window, opener); },
        [&](AboutBox& box) {
            QCOMPARE(box.windowTitle(), QStringLiteral("バージョン情報 Vemtora"));
            QCOMPARE(QApplication::activeModalWidget(), &box);
            QCOMPARE(box.parentWidget(), &window);
            QVERIFY(box.isModal());
            const QList<QLabel*> labels = box.findChildren<QLabel*>();
            QCOMPARE(labels.size(), 2);
            QVERIFY(!labels[0]->pixmap().isNull());                              // the program's icon
            QCOMPARE(labels[1]->text(), QString::fromUtf8(VEMTORA_ABOUT_TEXT));  // the Windows box's words too
            const QList<QPushButton*> buttons = box.findChildren<QPushButton*>();
            QCOMPARE(buttons.size(), 1);
            QCOMPARE(buttons[0]->text(), QStringLiteral("OK"));
            QVERIFY(buttons[0]->isDefault());
            connect(&box, &QDialog::finished, [&](int code) { closedWith = code; });
            close(box, closer);
            closedItself = !box.isVisible();
        });
    QVERIFY(opened);
    QVERIFY(closedItself);
    QCOMPARE(closedWith, result);
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    QVERIFY(window.isVisible());
    QVERIFY(!shell.window->controller().isShutDown());
}

void AboutBoxTest::timersRunWhileItIsOpen() {
    ShellUnderTest shell;
    MainWindow& window = *shell.window;
    shell.link.pending.emplace_back(kFrame);
    trigger(window, {QStringLiteral("Settings"), QStringLiteral("Interval"), QStringLiteral("0.1sec")});
    trigger(window, {QStringLiteral("Data Collect"), QStringLiteral("Start")});
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    bool ticked = false;
    const bool opened = withDialog<AboutBox>(
        [&] { open(window, Opener::Menu); },
        [&](AboutBox& box) {
            const int clockCalls = shell.clockCalls;
            const int polls = shell.link.pollCount;
            QTRY_VERIFY_WITH_TIMEOUT(shell.clockCalls >= clockCalls + 3 && shell.link.pollCount >= polls + 3, 5000);
            QTRY_VERIFY_WITH_TIMEOUT(!shell.measurement().empty(), 3000);
            ticked = true;
            box.accept();
        });
    QVERIFY(opened);
    QVERIFY(ticked);
}

}  // namespace vemtora::testing
