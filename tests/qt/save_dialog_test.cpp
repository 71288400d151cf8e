// The log file's save dialog, answered by the test as a user would: typing into it.
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "io/posix/log_file_writer.h"
#include "shell/qt/log_path_dialog.h"
#include "shell_fixture.h"
#include "shell_tests.h"

namespace vemtora::testing {

namespace {

void typeAndAccept(QFileDialog& dialog, const QString& name) {
    auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    QVERIFY(edit != nullptr);
    // Set rather than typed: typing lets the completer's popup take the Return key whenever
    // the file system model happens to answer first.
    edit->setText(name);
    QTest::keyClick(edit, Qt::Key_Return);
}

// Runs the dialog, lets `answer` work on it, and returns what the chooser reported.
std::optional<std::wstring> chooseWith(LogPathDialog& chooser, const std::function<void(QFileDialog&)>& answer,
                                       bool* appeared = nullptr) {
    std::optional<std::wstring> chosen;
    const bool seen = withDialog<QFileDialog>([&] { chosen = chooser.choose(); }, answer);
    if (appeared) *appeared = seen;
    return chosen;
}

// The window wired as the program wires it: its own dialog, the real log file, a fake port.
struct WindowWithDialog {
    WindowWithDialog() { window.show(); }
    LogFileWriter writer;
    FakeSerialLink link;
    MainWindow window{AcquisitionSettings{}, link, writer};
};

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

void SaveDialogTest::propertiesAndUsableMainWindow() {
    ShellUnderTest shell;
    shell.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(shell.window.get()));
    LogPathDialog chooser;
    bool appeared = false;
    const auto chosen = chooseWith(
        chooser,
        [&](QFileDialog& dialog) {
            QCOMPARE(dialog.nameFilters(), QStringList{QStringLiteral("Log files (*.log)")});
            QCOMPARE(dialog.acceptMode(), QFileDialog::AcceptSave);
            QCOMPARE(dialog.defaultSuffix(), QString());
            QVERIFY(!dialog.testOption(QFileDialog::DontConfirmOverwrite));
            QCOMPARE(dialog.parentWidget(), nullptr);
            // No owner and not modal: the main window's menu still works.
            QCOMPARE(QApplication::activeModalWidget(), nullptr);
            QVERIFY(trigger(*shell.window, {QStringLiteral("Data Collect"), QStringLiteral("Start")}));
            QVERIFY(shell.status() == L"COM5 9600bps 0.5sec Xfer ");
            dialog.reject();
        },
        &appeared);
    QVERIFY(appeared);
    QVERIFY(!chosen.has_value());
}

void SaveDialogTest::answers_data() {
    QTest::addColumn<int>("nameLength");  // 0: cancel; otherwise the length of the whole path
    QTest::addColumn<QString>("name");    // used when nameLength is -1
    QTest::addColumn<bool>("chosen");
    QTest::newRow("cancelled") << 0 << QString() << false;
    QTest::newRow("no extension, used as typed") << -1 << QStringLiteral("run") << true;
    QTest::newRow("log extension") << -1 << QStringLiteral("plain.log") << true;
    QTest::newRow("other extension kept") << -1 << QStringLiteral("data.txt") << true;
    QTest::newRow("255 characters") << 255 << QString() << true;
    QTest::newRow("256 characters count as cancelled") << 256 << QString() << false;
}

void SaveDialogTest::answers() {
    QFETCH(int, nameLength);
    QFETCH(QString, name);
    QFETCH(bool, chosen);

    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    QString path;
    if (nameLength == -1) path = folder.filePath(name);
    if (nameLength > 0) {
        // Two levels of folders keep each part of the name short enough for the file system.
        const QString sub = folder.filePath(QString(100, QLatin1Char('d')));
        QVERIFY(QDir().mkpath(sub));
        path = sub + QLatin1Char('/');
        path += QString(nameLength - path.size() - 4, QLatin1Char('n')) + QStringLiteral(".log");
        QCOMPARE(path.size(), nameLength);
    }

    LogPathDialog chooser;
    const auto result = chooseWith(chooser, [&](QFileDialog& dialog) {
        if (path.isEmpty()) {
            dialog.reject();
            return;
        }
        typeAndAccept(dialog, path);
        QTRY_VERIFY_WITH_TIMEOUT(!dialog.isVisible(), 2000);
    });
    QCOMPARE(result.has_value(), chosen);
    if (chosen) QCOMPARE(QString::fromStdWString(*result), path);
}

void SaveDialogTest::folderMustExist() {
    QTemporaryDir folder;
    LogPathDialog chooser;
    bool warned = false;
    bool stayedOpen = false;
    const auto result = chooseWith(chooser, [&](QFileDialog& dialog) {
        warned =
            withDialog<QMessageBox>([&] { typeAndAccept(dialog, folder.filePath(QStringLiteral("missing/x.log"))); },
                                    [](QMessageBox& box) { box.accept(); });
        stayedOpen = dialog.isVisible();
        dialog.reject();
    });
    QVERIFY(warned);
    QVERIFY(stayedOpen);
    QVERIFY(!result.has_value());
    QVERIFY(!QFile::exists(folder.filePath(QStringLiteral("missing"))));
}

void SaveDialogTest::existingFileNeedsConfirmation() {
    QTemporaryDir folder;
    const QString existing = folder.filePath(QStringLiteral("old.log"));
    QFile file(existing);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();

    LogPathDialog chooser;
    bool askedTwice = true;
    bool openAfterNo = false;
    const auto result = chooseWith(chooser, [&](QFileDialog& dialog) {
        auto answer = [&](QMessageBox::StandardButton button) {
            return withDialog<QMessageBox>(
                [&] { typeAndAccept(dialog, existing); },
                [&](QMessageBox& box) { QTest::mouseClick(box.button(button), Qt::LeftButton); });
        };
        askedTwice = answer(QMessageBox::No);
        openAfterNo = dialog.isVisible();
        askedTwice = askedTwice && answer(QMessageBox::Yes);
    });
    QVERIFY(askedTwice);
    QVERIFY(openAfterNo);
    QVERIFY(result.has_value());
    QCOMPARE(QString::fromStdWString(*result), existing);
}

void SaveDialogTest::saveFromTheMenuLogsToTheChosenFile() {
    QTemporaryDir folder;
    const QString logPath = folder.filePath(QStringLiteral("menu.log"));
    QFile old(logPath);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("earlier line\n");
    old.close();

    WindowWithDialog shell;
    MainWindow& window = shell.window;
    FakeSerialLink& link = shell.link;
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    const bool appeared = withDialog<QFileDialog>(
        [&] {
            trigger(window, {QStringLiteral("ファイル(&F)"), QStringLiteral("Log File"), QStringLiteral("Save")});
        },
        [&](QFileDialog& dialog) {
            withDialog<QMessageBox>(
                [&] { typeAndAccept(dialog, logPath); },
                [](QMessageBox& box) { QTest::mouseClick(box.button(QMessageBox::Yes), Qt::LeftButton); });
        });
    QVERIFY(appeared);
    QVERIFY(window.controller().logging());

    for (int i = 0; i < 4; ++i) link.pending.emplace_back(kFrame);
    QVERIFY(trigger(window, {QStringLiteral("Data Collect"), QStringLiteral("Start")}));
    QTRY_VERIFY_WITH_TIMEOUT(readAll(logPath).contains("\t64.6\t1.94\t125.3\n"), 3000);
    window.close();
    QVERIFY(!window.controller().logging());

    const QByteArray content = readAll(logPath);
    QVERIFY(content.startsWith("earlier line\n"));
    QVERIFY(content.endsWith('\n'));
}

void SaveDialogTest::closingTheWindowDuringTheDialog() {
    QTemporaryDir folder;
    WindowWithDialog shell;
    MainWindow& window = shell.window;
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    bool dismissed = false;
    const bool appeared = withDialog<QFileDialog>(
        [&] {
            trigger(window, {QStringLiteral("ファイル(&F)"), QStringLiteral("Log File"), QStringLiteral("Save")});
        },
        [&](QFileDialog& dialog) {
            window.close();
            dismissed = !dialog.isVisible();
        });
    QVERIFY(appeared);
    QVERIFY(dismissed);
    QVERIFY(!window.isVisible());
    QVERIFY(window.controller().isShutDown());
    QVERIFY(!window.controller().logging());
    QVERIFY(QDir(folder.path()).isEmpty());
}

}  // namespace vemtora::testing
