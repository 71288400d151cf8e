// vemtora-plot's command line: parsing, and the real program's answers, exit statuses and errors.
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "plot/cli/plot_command_line.h"
#include "plot_window_tests.h"
#include "sample_log.h"
#include "vemtora_version.h"

namespace vemtora::plot::testing {

using Action = PlotCommandLine::Action;

constexpr std::int64_t kNine = 9 * 36000;  // 09:00:00.0 in tenths

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
    row("two files are one log", {"today.log.1", "today.log"}, Action::Run, "today.log.1 today.log", "");
    row("Qt's options go to Qt", {"-platform", "offscreen", "--style=fusion", "-reverse", "a.log"}, Action::Run, "a.log", "");
    row("dash is a file name", {"-"}, Action::Run, "-", "");
    row("after -- options are files", {"--", "--help"}, Action::Run, "--help", "");
    row("summary", {"--summary", "a.log"}, Action::Summary, "a.log", "");
    row("summary with a range", {"--from", "09:00:00", "--summary", "--to=10:00:00", "a.log"}, Action::Summary, "a.log", "");
    row("export", {"--export", "out.svg", "--size", "640x480", "a.log"}, Action::Export, "a.log", "");
    row("summary without a file", {"--summary"}, Action::UsageError, "", "missing FILE after --summary or --export");
    row("export without its name", {"a.log", "--export"}, Action::UsageError, "", "option '--export' requires an argument");
    row("export to another format", {"--export", "out.jpg", "a.log"}, Action::UsageError, "", "'out.jpg': not a .png, .svg or .csv name");
    row("export as CSV", {"--export", "out.csv", "--from", "day 2 09:00", "a.log"}, Action::Export, "a.log", "");
    row("periods with a price as CSV", {"--summary", "--by", "week", "--price", "0.30", "--csv", "a.log"}, Action::Summary, "a.log", "");
    row("a bad period", {"--summary", "--by", "month", "a.log"}, Action::UsageError, "", "invalid period 'month' for --by: hour, day or week");
    row("a price with a comma", {"--summary", "--price", "0,30", "a.log"}, Action::UsageError, "",
        "invalid price '0,30': a number of 0 or more with a decimal point, such as 0.30");
    row("a period without --summary", {"--by", "day", "a.log"}, Action::UsageError, "", "--by, --price and --csv need --summary");
    row("a bad time", {"--summary", "--from", "9 o'clock", "a.log"}, Action::UsageError, "",
        "invalid time '9 o'clock' for --from: hh:mm[:ss[.t]], 'day N hh:mm[:ss[.t]]' or YYYY-MM-DD[Thh:mm[:ss[.t]][+hh:mm]]");
    row("--to before --from", {"--summary", "--from", "day 2 01:00", "--to", "23:00", "a.log"}, Action::UsageError, "",
        "--to '23:00' is not after --from 'day 2 01:00'");
    row("a value range", {"--export", "o.png", "--watts", "-100:2500", "a.log"}, Action::Export, "a.log", "");
    row("a value range upside down", {"--export", "o.png", "--watts", "5:1", "a.log"}, Action::UsageError, "",
        "invalid range '5:1' for --watts: LOW:HIGH, LOW below HIGH, such as 0:2500");
    row("a size for a CSV", {"--export", "o.csv", "--size", "640x480", "a.log"}, Action::UsageError, "",
        "--size, --volts, --amperes and --watts need --export of a .png or .svg picture");
    row("an option as a value", {"--export", "--summary", "a.log"}, Action::UsageError, "",
        "option '--export' requires an argument");
    row("both", {"--summary", "--export", "o.png", "a.log"}, Action::UsageError, "", "--summary and --export exclude each other");
    row("range without either", {"--from", "09:00:00", "a.log"}, Action::UsageError, "", "--from and --to need --summary or --export");
    row("size too small", {"--export", "o.png", "--size", "20x20", "a.log"}, Action::UsageError, "",
        "invalid size '20x20': WIDTHxHEIGHT, 200 to 10000 each");
    row("size no number", {"--export", "o.png", "--size", "800x", "a.log"}, Action::UsageError, "",
        "invalid size '800x': WIDTHxHEIGHT, 200 to 10000 each");
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
    QStringList files;
    for (const std::string& name : parsed.files) files << QString::fromStdString(name);
    QCOMPARE(files.join(QLatin1Char(' ')), file);
    QCOMPARE(QString::fromStdString(parsed.error), error);
}

// Five lines at 1 s, five seconds missing, three more at 1.5 A; a line that does not read.
QByteArray summaryLog() {
    std::string text;
    for (int i = 0; i < 5; ++i) text += logLine(kNine + 10 * i, 230.0, 1.0);
    text += "not a log line\n";
    for (int i = 10; i < 13; ++i) text += logLine(kNine + 10 * i, 230.0, 1.5);
    return QByteArray::fromStdString(text);
}

void PlotProgramTest::runs_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("log");  // written to LOG, the name in arguments and err
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");
    QTest::newRow("help") << QStringList{"--help"} << QByteArray() << 0 << "Usage: vemtora-plot [OPTION]... [FILE]...\n" << "";
    QTest::newRow("version") << QStringList{"--version"} << QByteArray() << 0 << "vemtora-plot (Vemtora) " VEMTORA_VERSION "\n" << "";
    QTest::newRow("unknown option") << QStringList{"--colour"} << QByteArray() << 2 << ""
                                    << "vemtora-plot: unrecognized option '--colour'\nTry 'vemtora-plot --help' for more information.\n";
    QTest::newRow("export of a JPEG, no display") << QStringList{"--export", "x.jpg", "a"} << QByteArray() << 2 << ""
                                                  << "vemtora-plot: 'x.jpg': not a .png, .svg or .csv name\n";
    QTest::newRow("summary with a mistake, no display") << QStringList{"--summary", "--bogus", "a"} << QByteArray() << 2 << ""
                                                        << "vemtora-plot: unrecognized option '--bogus'\n";
    QTest::newRow("too small a picture, no display") << QStringList{"--export", "x.png", "--size", "20x20", "a"} << QByteArray() << 2
                                                     << "" << "vemtora-plot: invalid size '20x20'";
    QTest::newRow("export of a missing file") << QStringList{"--export", "x.png", "/nonexistent/today.log"} << QByteArray() << 1 << ""
                                              << "vemtora-plot: /nonexistent/today.log: No such file or directory\n";
    QTest::newRow("a folder") << QStringList{"/"} << QByteArray() << 1 << "" << "vemtora-plot: /: Is a directory\n";
    // Covered: each line 1 s, the gap nothing. Energy: (5 * 230 + 3 * 345) W s = 0.607 Wh.
    QTest::newRow("summary") << QStringList{"--summary", "LOG"} << summaryLog() << 0
                             << "start: 09:00:00.0\nend: 09:00:12.0\nduration: 8.0 s\nsamples: 8\ngaps: 1\n"
                                "skipped lines: 1\nclock steps: 0\n"
                                "volts min: 230.0 V\nvolts mean: 230.0 V\nvolts max: 230.0 V\n"
                                "amperes min: 1.00 A\namperes mean: 1.19 A\namperes max: 1.50 A\n"
                                "watts min: 230.0 W\nwatts mean: 273.1 W\nwatts max: 345.0 W\nenergy: 0.607 Wh\n"
                             << "";
    QTest::newRow("summary of a range") << QStringList{"--summary", "--from", "09:00:11", "--to", "09:00:20.0", "LOG"}
                                        << summaryLog() << 0
                                        << "start: 09:00:11.0\nend: 09:00:12.0\nduration: 2.0 s\nsamples: 2\ngaps: 0\n" << "";
    QTest::newRow("summary of no log") << QStringList{"--summary", "LOG"} << QByteArray("\x7f" "ELF\x02\x01\n\x00\x00", 9) << 1 << ""
                                       << "vemtora-plot: LOG: not a Vemtora log\n";
    QTest::newRow("summary of an empty file") << QStringList{"--summary", "LOG"} << QByteArray("") << 1 << ""
                                              << "vemtora-plot: LOG: empty log\n";
    QTest::newRow("summary of a missing file") << QStringList{"--summary", "/nonexistent/today.log"} << QByteArray() << 1 << ""
                                               << "vemtora-plot: /nonexistent/today.log: No such file or directory\n";
    QTest::newRow("summary with a bad time") << QStringList{"--summary", "--from", "9 o'clock", "LOG"} << summaryLog() << 2 << ""
                                             << "vemtora-plot: invalid time '9 o'clock' for --from: ";
    QTest::newRow("export of no log") << QStringList{"--export", "x.png", "LOG"} << QByteArray("garbage\n") << 1 << ""
                                      << "vemtora-plot: LOG: not a Vemtora log\n";
}

void PlotProgramTest::runs() {
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, log);
    QFETCH(int, status);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("today.log"));
    if (!log.isNull()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(log), log.size());
    }
    arguments.replaceInStrings(QStringLiteral("LOG"), path);
    err.replace(QStringLiteral("LOG"), path);
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // No display at all: none of these may need one.
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) environment.remove(QLatin1String(name));
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

// No display, no window: the picture at the asked size, with the file's name and range in it.
void PlotProgramTest::exportWritesThePicture() {
    QTemporaryDir folder;
    const QString log = folder.filePath(QStringLiteral("today.log"));
    QFile file(log);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(file.write(summaryLog()) > 0);
    file.close();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    QTemporaryDir runtime;
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    const auto run = [&](const QStringList& arguments) {
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(VEMTORA_PLOT_PATH), arguments);
        return program.waitForFinished(30000) && program.exitStatus() == QProcess::NormalExit && program.exitCode() == 0;
    };
    const QString png = folder.filePath(QStringLiteral("view.png"));
    QVERIFY(run({"--export", png, "--size", "640x480", log}));
    const QImage image(png);
    QCOMPARE(image.size(), QSize(640, 480));

    const QString svg = folder.filePath(QStringLiteral("view.svg"));
    QVERIFY(run({"--export", svg, "--from", "09:00:01", "--to", "09:00:11", log}));
    QFile drawing(svg);
    QVERIFY(drawing.open(QIODevice::ReadOnly));
    const QByteArray text = drawing.readAll();
    QVERIFY(text.contains("today.log"));
    QVERIFY(text.contains("09:00:01.0"));
    QVERIFY(text.contains("09:00:10.0"));  // the last sample before 09:00:11: the range leaves its end out
    QVERIFY(text.contains("1 gap"));
}

}  // namespace vemtora::plot::testing
