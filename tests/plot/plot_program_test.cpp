// vemtora-plot's command line: parsing, and the real program's answers, exit statuses and errors.
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "plot/window/plot_command_line.h"
#include "plot_window_tests.h"
#include "vemtora_version.h"

namespace vemtora::plot::testing {

using Action = PlotCommandLine::Action;

void PlotProgramTest::commandLine_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("action");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("error");
    const auto row = [](const char* name, QStringList arguments, Action action, const char* file, const char* error) {
        QTest::newRow(name) << arguments << static_cast<int>(action) << QString::fromLatin1(file) << QString::fromLatin1(error);
    };
    row("nothing", {}, Action::Run, "", "");
    row("a file", {"today.log"}, Action::Run, "today.log", "");
    row("help", {"--help"}, Action::Help, "", "");
    row("short help", {"-h"}, Action::Help, "", "");
    row("help wins over the rest", {"--bogus", "a", "b", "--help"}, Action::Help, "", "");
    row("version", {"x.log", "--version"}, Action::Version, "", "");
    row("unknown option", {"--bogus", "x.log"}, Action::UsageError, "", "unrecognized option '--bogus'");
    row("unknown short option", {"-x"}, Action::UsageError, "", "unrecognized option '-x'");
    row("two files", {"a.log", "b.log"}, Action::UsageError, "", "extra operand 'b.log'");
    row("dash is a file name", {"-"}, Action::Run, "-", "");
    row("after -- options are files", {"--", "--help"}, Action::Run, "--help", "");
}

void PlotProgramTest::commandLine() {
    QFETCH(QStringList, arguments);
    QFETCH(int, action);
    QFETCH(QString, file);
    QFETCH(QString, error);
    std::vector<std::string> list;
    for (const QString& argument : arguments) list.push_back(argument.toStdString());
    const PlotCommandLine parsed = parsePlotCommandLine(list);
    QCOMPARE(static_cast<int>(parsed.action), action);
    QCOMPARE(QString::fromStdString(parsed.file), file);
    QCOMPARE(QString::fromStdString(parsed.error), error);
}

void PlotProgramTest::runs_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");
    QTest::newRow("help") << QStringList{"--help"} << 0 << "Usage: vemtora-plot [OPTION]... [FILE]\n" << "";
    QTest::newRow("version") << QStringList{"--version"} << 0 << "vemtora-plot (Vemtora) " VEMTORA_VERSION "\n" << "";
    QTest::newRow("unknown option") << QStringList{"--colour"} << 2 << ""
                                    << "vemtora-plot: unrecognized option '--colour'\nTry 'vemtora-plot --help' for more information.\n";
    QTest::newRow("two files") << QStringList{"a", "b"} << 2 << "" << "vemtora-plot: extra operand 'b'\n";
    QTest::newRow("missing file") << QStringList{"/nonexistent/today.log"} << 1 << ""
                                  << "vemtora-plot: /nonexistent/today.log: No such file or directory\n";
    QTest::newRow("a folder") << QStringList{"/"} << 1 << "" << "vemtora-plot: /: Is a directory\n";
}

void PlotProgramTest::runs() {
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    QTemporaryDir runtime;
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(VEMTORA_PLOT_PATH), arguments);
    QVERIFY(program.waitForFinished(30000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), status);
    const QString stdOut = QString::fromLocal8Bit(program.readAllStandardOutput());
    const QString stdErr = QString::fromLocal8Bit(program.readAllStandardError());
    QVERIFY2(out.isEmpty() ? stdOut.isEmpty() : stdOut.startsWith(out), qPrintable(stdOut));
    QVERIFY2(err.isEmpty() ? stdErr.isEmpty() : stdErr.startsWith(err), qPrintable(stdErr));
}

}  // namespace vemtora::plot::testing
