// vemtora-plot's command line: parsing, and the real program's answers, exit statuses and errors.
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <limits>
#include <map>
#include <optional>

#include "plot/headless/plot_command_line.h"
#include "plot/series/sample_store.h"
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
        QTest::newRow(name) << arguments << static_cast<int>(action) << QString::fromLatin1(file)
                            << QString::fromLatin1(error);
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
    row("Qt's options go to Qt", {"-platform", "offscreen", "--style=fusion", "-reverse", "a.log"}, Action::Run,
        "a.log", "");
    row("dash is a file name", {"-"}, Action::Run, "-", "");
    row("after -- options are files", {"--", "--help"}, Action::Run, "--help", "");
    row("summary", {"--summary", "a.log"}, Action::Summary, "a.log", "");
    row("summary with a range", {"--from", "09:00:00", "--summary", "--to=10:00:00", "a.log"}, Action::Summary, "a.log",
        "");
    row("export", {"--export", "out.svg", "--size", "640x480", "a.log"}, Action::Export, "a.log", "");
    row("summary without a file", {"--summary"}, Action::UsageError, "", "missing FILE after --summary or --export");
    row("export without its name", {"a.log", "--export"}, Action::UsageError, "",
        "option '--export' requires an argument");
    row("export to another format", {"--export", "out.jpg", "a.log"}, Action::UsageError, "",
        "'out.jpg': not a .png, .svg or .csv name");
    row("export as CSV", {"--export", "out.csv", "--from", "day 2 09:00", "a.log"}, Action::Export, "a.log", "");
    row("periods with a price as CSV", {"--summary", "--by", "week", "--price", "0.30", "--csv", "a.log"},
        Action::Summary, "a.log", "");
    row("a bad period", {"--summary", "--by", "month", "a.log"}, Action::UsageError, "",
        "invalid period 'month' for --by: hour, day or week");
    row("a price with a comma", {"--summary", "--price", "0,30", "a.log"}, Action::UsageError, "",
        "invalid price '0,30': a number of 0 or more with a decimal point, such as 0.30");
    row("a period without --summary", {"--by", "day", "a.log"}, Action::UsageError, "",
        "--by, --price and --csv need --summary");
    row("a bad time", {"--summary", "--from", "9 o'clock", "a.log"}, Action::UsageError, "",
        "invalid time '9 o'clock' for --from: hh:mm[:ss[.t]], 'day N hh:mm[:ss[.t]]' or "
        "YYYY-MM-DD[Thh:mm[:ss[.t]][+hh:mm]]");
    row("--to before --from", {"--summary", "--from", "day 2 01:00", "--to", "23:00", "a.log"}, Action::UsageError, "",
        "--to '23:00' is not after --from 'day 2 01:00'");
    row("a value range", {"--export", "o.png", "--watts", "-100:2500", "a.log"}, Action::Export, "a.log", "");
    row("a value range upside down", {"--export", "o.png", "--watts", "5:1", "a.log"}, Action::UsageError, "",
        "invalid range '5:1' for --watts: LOW:HIGH, LOW below HIGH, such as 0:2500");
    row("a size for a CSV", {"--export", "o.csv", "--size", "640x480", "a.log"}, Action::UsageError, "",
        "--size, --volts, --amperes and --watts need --export of a .png or .svg picture");
    row("an option as a value", {"--export", "--summary", "a.log"}, Action::UsageError, "",
        "option '--export' requires an argument");
    row("both", {"--summary", "--export", "o.png", "a.log"}, Action::UsageError, "",
        "--summary and --export exclude each other");
    row("range without either", {"--from", "09:00:00", "a.log"}, Action::UsageError, "",
        "--from and --to need --summary or --export");
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
    QTest::newRow("help") << QStringList{"--help"} << QByteArray() << 0 << "Usage: vemtora-plot [OPTION]... [FILE]...\n"
                          << "";
    QTest::newRow("version") << QStringList{"--version"} << QByteArray() << 0
                             << "vemtora-plot (Vemtora) " VEMTORA_VERSION "\n"
                             << "";
    QTest::newRow("unknown option")
        << QStringList{"--colour"} << QByteArray() << 2 << ""
        << "vemtora-plot: unrecognized option '--colour'\nTry 'vemtora-plot --help' for more information.\n";
    QTest::newRow("export of a JPEG, no display") << QStringList{"--export", "x.jpg", "a"} << QByteArray() << 2 << ""
                                                  << "vemtora-plot: 'x.jpg': not a .png, .svg or .csv name\n";
    QTest::newRow("summary with a mistake, no display")
        << QStringList{"--summary", "--bogus", "a"} << QByteArray() << 2 << ""
        << "vemtora-plot: unrecognized option '--bogus'\n";
    QTest::newRow("too small a picture, no display")
        << QStringList{"--export", "x.png", "--size", "20x20", "a"} << QByteArray() << 2 << ""
        << "vemtora-plot: invalid size '20x20'";
    QTest::newRow("export of a missing file")
        << QStringList{"--export", "x.png", "/nonexistent/today.log"} << QByteArray() << 1 << ""
        << "vemtora-plot: /nonexistent/today.log: No such file or directory\n";
    QTest::newRow("a folder") << QStringList{"/"} << QByteArray() << 1 << ""
                              << "vemtora-plot: /: Is a directory\n";
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
                                        << "start: 09:00:11.0\nend: 09:00:12.0\nduration: 2.0 s\nsamples: 2\ngaps: 0\n"
                                        << "";
    QTest::newRow("summary of no log") << QStringList{"--summary", "LOG"}
                                       << QByteArray(
                                              "\x7f"
                                              "ELF\x02\x01\n\x00\x00",
                                              9)
                                       << 1 << ""
                                       << "vemtora-plot: LOG: not a Vemtora log\n";
    QTest::newRow("summary of an empty file") << QStringList{"--summary", "LOG"} << QByteArray("") << 1 << ""
                                              << "vemtora-plot: LOG: empty log\n";
    QTest::newRow("summary of a missing file")
        << QStringList{"--summary", "/nonexistent/today.log"} << QByteArray() << 1 << ""
        << "vemtora-plot: /nonexistent/today.log: No such file or directory\n";
    QTest::newRow("summary with a bad time")
        << QStringList{"--summary", "--from", "9 o'clock", "LOG"} << summaryLog() << 2 << ""
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

namespace {

// Logs as real clocks write them, made line by line here, with what they should give worked out
// here too: each run of lines has one step and one power, so each sample covers its run's step.
struct Run {
    std::int64_t first, step;  // tenths on the clock as written; a plain log's day 2 from 864000
    int count;
    double watts;
    std::optional<int> offset;  // whole hours east of UTC, in minutes, written after the stamp
};
struct UntidyLog {
    std::string date;  // of a dated log's stamps; empty: plain stamps
    std::vector<Run> runs;
    std::map<std::size_t, std::string> foreign;  // lines that are no samples, before run k
    std::string cut;                             // a last line cut inside its watts
};
struct Bound {
    std::int64_t tenths;
    std::optional<int> offset;
};

// As a line's stamp, or with `named` as --from and --to name it, a plain log's later days by number.
std::string stampText(const UntidyLog& log, std::int64_t t, std::optional<int> offset, bool named = false) {
    char clock[16];
    std::snprintf(clock, sizeof clock, "%02d:%02d:%02d.%d", int(t / 36000 % 24), int(t / 600 % 60), int(t / 10 % 60),
                  int(t % 10));
    if (log.date.empty()) return (named && t >= 864000 ? "day " + std::to_string(t / 864000 + 1) + " " : "") + clock;
    return log.date + "T" + clock + (offset ? "+0" + std::to_string(*offset / 60) + ":00" : "");
}

const UntidyLog& untidyLog(int which) {
    static const UntidyLog logs[] = {
        // The end of summer time on a plain clock: 00:00-02:59:50, then 02:00-02:29:50 again.
        {"", {{0, 100, 1080, 100.0, {}}, {72000, 100, 180, 600.0, {}}}, {}, ""},
        // Its start with offsets: 01:59:50+01:00 is followed by 03:00:00+02:00, ten seconds later.
        {"2026-03-29", {{0, 100, 720, 100.0, 60}, {108000, 100, 360, 300.0, 120}}, {}, ""},
        // Its end with offsets: 02:00-02:59:50 once at +02:00 and once at +01:00.
        {"2026-10-25", {{0, 100, 1080, 100.0, 120}, {72000, 100, 720, 300.0, 60}}, {}, ""},
        // From 0.1 s to 1 s: no gap.
        {"", {{36000, 1, 600, 1000.0, {}}, {36600, 10, 600, 500.0, {}}}, {}, ""},
        // Set back 5 s at 10:30:00, then forward an hour at 10:30:10.
        {"", {{377900, 10, 10, 100.0, {}}, {377950, 10, 15, 200.0, {}}, {414100, 10, 10, 300.0, {}}}, {}, ""},
        // Past midnight, two lines with nan and inf, and a last line cut inside its watts.
        {"",
         {{863900, 10, 10, 100.0, {}}, {864020, 10, 10, 150.0, {}}},
         {{1, "00:00:00.0\tnan\t0.43\t100.0\n00:00:01.0\t230.0\t0.43\tinf\n"}},
         "00:00:12.0\t230.0\t0.65\t15"},
    };
    return logs[which];
}

}  // namespace

void PlotProgramTest::untidyLogs_data() {
    QTest::addColumn<int>("log");
    QTest::addColumn<std::optional<Bound>>("from");
    QTest::addColumn<std::optional<Bound>>("to");
    const std::optional<Bound> open;
    QTest::newRow("fall-back, plain") << 0 << open << open;
    QTest::newRow("fall-back, plain, the repeated half hour")
        << 0 << std::optional(Bound{72000, {}}) << std::optional(Bound{90000, {}});
    QTest::newRow("spring-forward with offsets") << 1 << open << open;
    QTest::newRow("spring-forward, from an instant in UTC")
        << 1 << std::optional(Bound{18000, 0}) << std::optional(Bound{126000, {}});
    QTest::newRow("fall-back with offsets") << 2 << open << open;
    QTest::newRow("fall-back with offsets, the second 02:00")
        << 2 << std::optional(Bound{72000, 60}) << std::optional(Bound{108000, 60});
    QTest::newRow("fall-back with offsets, by the clock: both")
        << 2 << std::optional(Bound{72000, {}}) << std::optional(Bound{90000, {}});
    QTest::newRow("an interval change") << 3 << open << open;
    QTest::newRow("an interval change, across it")
        << 3 << std::optional(Bound{36300, {}}) << std::optional(Bound{37200, {}});
    QTest::newRow("steps back and forward") << 4 << open << open;
    QTest::newRow("steps back and forward, across the step back")
        << 4 << std::optional(Bound{377960, {}}) << std::optional(Bound{377980, {}});
    QTest::newRow("nan, inf and a cut line") << 5 << open << open;
    QTest::newRow("nan, inf and a cut line, day 2")
        << 5 << std::optional(Bound{864000, {}}) << std::optional(Bound{864050, {}});
}

// Each through the reader, --summary and --export as CSV.
void PlotProgramTest::untidyLogs() {
    QFETCH(int, log);
    QFETCH(std::optional<Bound>, from);
    QFETCH(std::optional<Bound>, to);
    const UntidyLog& untidy = untidyLog(log);
    const auto inRange = [&](std::int64_t clock, std::optional<int> offset) {
        // A bound with an offset is an instant, compared with stamps that carry one.
        const auto at = [&](const Bound& b) {
            return b.offset && offset ? clock - *offset * 600 - (b.tenths - *b.offset * 600) : clock - b.tenths;
        };
        return (!from || at(*from) >= 0) && (!to || at(*to) < 0);
    };
    std::string text, csv = "time,volts,amperes,watts\n";
    std::uint64_t samples = 0, gaps = 0, steps = 0;
    std::int64_t covered = 0;
    double wattTenths = 0.0;
    bool before = false;  // the sample before is in range
    std::int64_t instantBefore = std::numeric_limits<std::int64_t>::min(), stepBefore = 0;
    for (std::size_t k = 0; k < untidy.runs.size(); ++k) {
        if (untidy.foreign.contains(k)) text += untidy.foreign.at(k);
        const Run& run = untidy.runs[k];
        for (int i = 0; i < run.count; ++i) {
            const std::int64_t clock = run.first + i * run.step, instant = clock - run.offset.value_or(0) * 600;
            char values[40];
            std::snprintf(values, sizeof values, "230.0\t%.2f\t%.1f\n", run.watts / 230.0, run.watts);
            const std::string line = stampText(untidy, clock, run.offset) + "\t" + values;
            text += line;
            if (!inRange(clock, run.offset)) {
                before = false;
                continue;
            }
            std::string row = line;
            std::replace(row.begin(), row.end(), '\t', ',');
            csv += row;
            ++samples;
            covered += run.step;
            wattTenths += run.watts * static_cast<double>(run.step);
            if (instant < instantBefore) ++steps;  // the range's samples in log order step back
            if (before && instant - instantBefore > 3 * std::max(run.step, stepBefore) / 2) ++gaps;
            before = true;
            instantBefore = instant;
            stepBefore = run.step;
        }
    }
    text += untidy.cut;
    const std::uint64_t skipped = std::count(text.begin(), text.end(), '\n') + (untidy.cut.empty() ? 0 : 1) - samples;

    QTemporaryDir folder;
    // In two files read as one, split at a line in the middle, as a rotated log is.
    const std::size_t middle = text.find('\n', text.size() / 2) + 1;
    const QStringList paths = {folder.filePath(QStringLiteral("untidy.log.1")),
                               folder.filePath(QStringLiteral("untidy.log"))};
    for (const auto& [name, part] :
         {std::pair(paths[0], text.substr(0, middle)), std::pair(paths[1], text.substr(middle))}) {
        if (QFile file(name);
            !file.open(QIODevice::WriteOnly) || file.write(part.data(), qint64(part.size())) != qint64(part.size()))
            QFAIL("not written");
    }
    if (!from && !to) {
        SampleStore store;
        LogReader reader(store);
        reader.feed(text);
        reader.finish();
        QCOMPARE(store.size(), samples);
        QCOMPARE(reader.skippedLines(), skipped);
        QCOMPARE(store.clockSteps().size(), steps);
        QCOMPARE(store.gapStarts().size(), gaps);
    }

    QStringList range;
    if (from) range << "--from" << QString::fromStdString(stampText(untidy, from->tenths, from->offset, true));
    if (to) range << "--to" << QString::fromStdString(stampText(untidy, to->tenths, to->offset, true));
    const auto run = [&](const QStringList& arguments) {
        QProcess program;
        program.start(QStringLiteral(VEMTORA_PLOT_PATH), arguments + range + paths);
        if (!program.waitForFinished(30000) || program.exitCode() != 0)
            return QByteArray("failed: ") + program.readAllStandardError();
        return program.readAllStandardOutput();
    };
    const QList<QByteArray> summary = run({"--summary", "--csv"}).split('\n');
    QVERIFY2(summary.size() == 3, summary.front().constData());
    std::map<QByteArray, double> value;
    for (qsizetype c = 0; c < summary[0].split(',').size(); ++c)
        value[summary[0].split(',')[c]] = summary[1].split(',').value(c).toDouble();
    QCOMPARE(value["samples"], static_cast<double>(samples));
    QCOMPARE(value["covered_s"], static_cast<double>(covered) / 10.0);
    QVERIFY2(std::abs(value["energy_kwh"] - wattTenths / 36000.0 / 1000.0) < 1e-6, summary[1].constData());
    QCOMPARE(value["gaps"], static_cast<double>(gaps));
    QCOMPARE(value["clock_steps"], static_cast<double>(steps));
    QCOMPARE(value["average_w"],
             std::round(wattTenths / static_cast<double>(covered) * 10) / 10);  // not the mean of the watts
    if (!from && !to) QCOMPARE(value["skipped_lines"], static_cast<double>(skipped));

    const QString out = folder.filePath(QStringLiteral("out.csv"));
    QCOMPARE(run({"--export", out}), QByteArray());
    QFile exported(out);
    QVERIFY(exported.open(QIODevice::ReadOnly));
    QCOMPARE(exported.readAll().toStdString(), csv);
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
        return program.waitForFinished(30000) && program.exitStatus() == QProcess::NormalExit &&
               program.exitCode() == 0;
    };
    const QString png = folder.filePath(QStringLiteral("view.png"));
    QVERIFY(run({"--export", png, "--size", "300x200", log}));  // never enlarged
    const QImage image(png);
    QCOMPARE(image.size(), QSize(300, 200));

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
