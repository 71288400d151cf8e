// The plot window offscreen on real log files: ranges and span of a known log, following a
// growing, cut-back and replaced file, mouse and keys, the readout, and PNG and SVG export.
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>
#include <QXmlStreamReader>

#include <cmath>
#include <cstdio>
#include <string>

#include "plot/series/time_axis.h"
#include "plot/window/plot_window.h"
#include "plot_window_tests.h"
#include "sample_log.h"

namespace vemtora::plot::testing {

namespace {

constexpr int kLoadMs = 10000;
constexpr std::int64_t kNine = 9 * 36000;  // 09:00:00.0 in tenths
constexpr std::int64_t kDec8 = 20795;      // 2026-12-08, days since 1970-01-01

// 230.0 V ± 1.5, 0.25 A to 9.75 A: known extremes, written by the core's formatLogLine.
double voltsAt(int i) { return 228.5 + (i % 31) * 0.1; }
double amperesAt(int i) { return 0.25 + (i % 39) * 0.25; }

std::string knownLog(int lines, const std::string& datePrefix, int firstLine = 0) {
    std::string text;
    for (int i = firstLine; i < firstLine + lines; ++i) text += datePrefix + logLine(kNine + i, voltsAt(i), amperesAt(i));
    return text;
}

void writeFile(const QString& path, const std::string& text, QIODevice::OpenMode mode = QIODevice::Truncate) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | mode));
    QCOMPARE(file.write(text.data(), static_cast<qint64>(text.size())), static_cast<qint64>(text.size()));
}

MinMax yRange(const QLineSeries& series) {
    MinMax range;
    for (const QPointF& point : series.points()) range.add(static_cast<float>(point.y()));
    return range;
}

struct OpenWindow {
    QTemporaryDir folder;
    QString path = folder.filePath(QStringLiteral("today.log"));
    PlotWindow window;

    bool open(const std::string& text, std::size_t samples) {
        writeFile(path, text);
        QString error;
        if (!window.openLog(path, &error)) return false;
        window.show();
        if (!QTest::qWaitForWindowExposed(&window)) return false;
        QDeadlineTimer deadline(kLoadMs);
        while (window.follower().store().size() < samples && !deadline.hasExpired()) QTest::qWait(20);
        return window.follower().store().size() == samples;
    }
};

QPoint viewPointAt(TimeChartView& view, double seconds) {
    QChart* chart = view.chart();
    const QPointF inChart = chart->mapToPosition(QPointF(seconds, 0), chart->series().first());
    const QPoint point = view.mapFromScene(chart->mapToScene(inChart));
    return {point.x(), static_cast<int>(chart->plotArea().center().y())};
}

double secondsAtPoint(TimeChartView& view, QPoint point) {
    return view.chart()->mapToValue(view.chart()->mapFromScene(view.mapToScene(point))).x();
}

}  // namespace

void PlotWindowTest::knownLogGivesItsRangesAndSpan_data() {
    QTest::addColumn<QString>("datePrefix");
    QTest::addColumn<double>("firstSeconds");
    QTest::addColumn<QString>("timeTitle");
    QTest::newRow("plain stamps") << QString() << 32400.0 << QStringLiteral("Time");
    QTest::newRow("iso stamps") << QStringLiteral("2026-12-08T") << kDec8 * 86400.0 + 32400.0
                                << QStringLiteral("Time (2026-12-08)");
}

void PlotWindowTest::knownLogGivesItsRangesAndSpan() {
    QFETCH(QString, datePrefix);
    QFETCH(double, firstSeconds);
    QFETCH(QString, timeTitle);
    // Ten minutes at 0.1 s: more samples than pixel columns, so the drawing is decimated.
    const std::string prefix = datePrefix.toStdString();
    std::string text = knownLog(3000, prefix) + "not a log line\r\n" + knownLog(3001, prefix, 3000) + "\n";
    OpenWindow w;
    QVERIFY(w.open(text, 6001));

    ChartStack& charts = w.window.charts();
    QCOMPARE(w.window.viewRange().from(), firstSeconds);
    QCOMPARE(w.window.viewRange().to(), firstSeconds + 600.0);
    const struct {
        Quantity quantity;
        float low, high;
    } rows[] = {{Quantity::Volts, 228.5f, 231.5f}, {Quantity::Amperes, 0.25f, 9.75f}};
    for (const auto& row : rows) {
        const MinMax drawn = yRange(charts.series(row.quantity));
        QCOMPARE(drawn.min, row.low);
        QCOMPARE(drawn.max, row.high);
        QVERIFY(charts.series(row.quantity).count() <= 2 * charts.view(row.quantity).chart()->plotArea().width() + 2);
        QVERIFY(charts.valueAxis(row.quantity).min() <= row.low);
        QVERIFY(charts.valueAxis(row.quantity).max() >= row.high);
        QVERIFY(charts.valueAxis(row.quantity).max() - charts.valueAxis(row.quantity).min() < 3 * (row.high - row.low));
        QCOMPARE(charts.timeAxis(row.quantity).min(), firstSeconds);
        QCOMPARE(charts.timeAxis(row.quantity).max(), firstSeconds + 600.0);
    }
    const MinMax watts = yRange(charts.series(Quantity::Watts));
    QVERIFY(std::abs(watts.max - 231.5f * 9.75f) < 0.06f);  // both extremes land on one line, i = 30 + 31 * 39 * k
    QVERIFY(watts.min > 228.5f * 0.25f - 0.06f && watts.min < 231.5f * 0.25f + 0.06f);
    QCOMPARE(charts.timeAxis(Quantity::Watts).titleText(), timeTitle);
    QVERIFY(charts.timeAxis(Quantity::Watts).count() >= 3);
    QCOMPARE(w.window.counts(), QStringLiteral("6001 samples  \u00b7  2 lines skipped"));
}

void PlotWindowTest::gapsBreakTheLinesAndClockStepsAreCounted() {
    // 0.1 s lines; ten minutes missing after line 2000; the clock set back 3 s at line 4000.
    std::string text = knownLog(2000, "") + knownLog(2000, "", 8000) + knownLog(100, "", 9970);
    OpenWindow w;
    QVERIFY(w.open(text, 4100));
    QCOMPARE(w.window.counts(), QStringLiteral("4100 samples  \u00b7  1 clock step"));
    ChartStack& charts = w.window.charts();
    for (Quantity quantity : kQuantities) {
        QCOMPARE(charts.runs(quantity), 2);
        QVERIFY(charts.series(quantity).points().last().x() < (kNine + 2000) / 10.0);
    }
    // 4100 lines of 0.1 s each: neither the gap nor the clock step adds time.
    QVERIFY2(charts.statisticsText().startsWith(QStringLiteral("In view: 6 min 50.0 s covered, 1 gap  \u00b7  ")),
             qPrintable(charts.statisticsText()));
    w.window.viewRange().zoom(0.01, (kNine + 5000) / 10.0);  // into the gap: nothing is joined across it
    w.window.charts().refresh();
    QCOMPARE(charts.runs(Quantity::Watts), 2);
}

void PlotWindowTest::emptyAndForeignFilesSaySo() {
    OpenWindow w;
    QVERIFY(w.open("", 0));
    QTRY_COMPARE_WITH_TIMEOUT(w.window.counts(), QStringLiteral("0 samples  \u00b7  empty log"), kLoadMs);
    writeFile(w.path, std::string("\x7f" "ELF\x02\x01\x01\n\0\0\0\n", 12), QIODevice::Append);
    QTRY_COMPARE_WITH_TIMEOUT(w.window.counts(), QStringLiteral("0 samples  \u00b7  2 lines skipped  \u00b7  not a Vemtora log"),
                              kLoadMs);
    writeFile(w.path, logLine(kNine, 230.0, 1.0), QIODevice::Append);
    QTRY_COMPARE_WITH_TIMEOUT(w.window.counts(), QStringLiteral("1 sample  \u00b7  2 lines skipped"), kLoadMs);
}

void PlotWindowTest::aMissingFileIsWaitedFor() {
    OpenWindow w;
    QString error;
    QVERIFY(!w.window.openLog(w.path, &error));  // File > Open: refused
    QVERIFY(w.window.openLog(w.path, &error, true));  // the command line: waited for, as tail -F does
    QTRY_COMPARE_WITH_TIMEOUT(w.window.counts(), QStringLiteral("waiting for today.log to appear"), kLoadMs);
    writeFile(w.path, knownLog(3, ""));
    QTRY_COMPARE_WITH_TIMEOUT(w.window.counts(), QStringLiteral("3 samples"), kLoadMs);
}

// The icon comes built in from the library the Linux window shares: every size the package installs.
void PlotWindowTest::windowCarriesTheProgramIcon() {
    OpenWindow w;
    const QList<QSize> sizes = w.window.windowIcon().availableSizes();
    for (int side : {16, 32, 48, 64, 128, 256}) QVERIFY2(sizes.contains(QSize(side, side)), qPrintable(QString::number(side)));
}

void PlotWindowTest::plotAreasLineUp() {
    OpenWindow w;
    // Labels of very different widths: "0.00" amperes against "1e+20"-sized watts.
    std::string text;
    for (int i = 0; i < 100; ++i) text += logLine(kNine + i * 10, 1.0 + i, 0.01 * i) ;
    text += logLine(kNine + 1000, 5e9, 3e10);
    QVERIFY(w.open(text, 101));
    for (QSize size : {QSize(1000, 700), QSize(640, 480), QSize(1300, 500)}) {
        w.window.resize(size);
        QTRY_COMPARE_WITH_TIMEOUT(w.window.charts().view(Quantity::Volts).width(), w.window.charts().width(), 2000);
        const QRectF volts = w.window.charts().view(Quantity::Volts).chart()->plotArea();
        for (Quantity quantity : {Quantity::Amperes, Quantity::Watts}) {
            const QRectF area = w.window.charts().view(quantity).chart()->plotArea();
            QCOMPARE(area.left(), volts.left());
            QCOMPARE(area.width(), volts.width());
        }
        QVERIFY(volts.width() > size.width() / 2);
        // As many columns as pixels: the decimated series fills the width it has.
        QVERIFY(volts.right() <= w.window.charts().width());
    }
}

void PlotWindowTest::followsAppendsCutsAndReplacement() {
    OpenWindow w;
    QVERIFY(w.open(knownLog(10, ""), 10));
    const PlotWindow& window = w.window;
    QLineSeries& volts = w.window.charts().series(Quantity::Volts);

    // Appended lines show up, and the view keeps the end in sight.
    writeFile(w.path, knownLog(5, "", 10), QIODevice::Append);
    QTRY_COMPARE_WITH_TIMEOUT(window.follower().store().size(), std::size_t{15}, kLoadMs);
    QCOMPARE(volts.points().last().x(), 32401.4);
    QCOMPARE(w.window.viewRange().to(), 32401.4);

    // A line still being written waits, uncounted, and completes on a later read.
    const std::string next = logLine(kNine + 15, 230.0, 1.0);
    writeFile(w.path, next.substr(0, 12), QIODevice::Append);
    QTRY_VERIFY_WITH_TIMEOUT(window.follower().reader().hasPartialLine(), kLoadMs);
    QCOMPARE(window.follower().store().size(), std::size_t{15});
    QCOMPARE(window.follower().reader().skippedLines(), std::uint64_t{0});
    writeFile(w.path, next.substr(12), QIODevice::Append);
    QTRY_COMPARE_WITH_TIMEOUT(window.follower().store().size(), std::size_t{16}, kLoadMs);
    QCOMPARE(window.follower().reader().skippedLines(), std::uint64_t{0});

    // Cut back: read again from the start.
    writeFile(w.path, logLine(kNine + 36000, 100.0, 1.0) + logLine(kNine + 36100, 101.0, 1.0));
    QTRY_COMPARE_WITH_TIMEOUT(window.follower().store().size(), std::size_t{2}, kLoadMs);
    QCOMPARE(w.window.viewRange().from(), 36000.0);
    QCOMPARE(yRange(volts).max, 101.0f);
    QTRY_VERIFY2_WITH_TIMEOUT(w.window.counts().endsWith(QStringLiteral("cut back or replaced: read again from its start")),
                              qPrintable(w.window.counts()), kLoadMs);

    // Replaced by another file under the same name.
    const QString other = w.folder.filePath(QStringLiteral("other.log"));
    writeFile(other, "2026-12-08T" + logLine(0, 50.0, 1.0) + knownLog(40, "2026-12-08T"));
    QVERIFY(std::rename(QFile::encodeName(other).constData(), QFile::encodeName(w.path).constData()) == 0);
    QTRY_COMPARE_WITH_TIMEOUT(window.follower().store().size(), std::size_t{41}, kLoadMs);
    QCOMPARE(window.follower().store().tenths().front(), kDec8 * 864000);
    QCOMPARE(yRange(volts).min, 50.0f);
    QVERIFY(w.window.viewRange().showsAll());
}

void PlotWindowTest::mouseAndKeysZoomPanAndReset() {
    OpenWindow w;
    QVERIFY(w.open(knownLog(6001, ""), 6001));
    ViewRange& view = w.window.viewRange();
    TimeChartView& chart = w.window.charts().view(Quantity::Volts);

    // Keys: zoom in at the live end keeps the end; pan; reset by each of its keys.
    QTest::keyClick(&w.window, Qt::Key_Plus);
    QCOMPARE(view.to(), 33000.0);
    QCOMPARE(view.to() - view.from(), 300.0);
    QTest::keyClick(&w.window, Qt::Key_Left);
    QCOMPARE(view.from(), 32640.0);
    QTest::keyClick(&w.window, Qt::Key_Minus);
    QCOMPARE(view.to() - view.from(), 600.0);
    for (Qt::Key key : {Qt::Key_Home, Qt::Key_0, Qt::Key_R}) {
        QTest::keyClick(&w.window, Qt::Key_Equal);
        QTest::keyClick(&w.window, Qt::Key_Right);
        QVERIFY(!view.showsAll());
        QTest::keyClick(&w.window, key);
        QVERIFY2(view.showsAll(), qPrintable(QKeySequence(key).toString()));
    }

    // Wheel: zooms in around the mouse, whose time stays under it.
    const QPoint at = viewPointAt(chart, 32600.0);
    const double before = secondsAtPoint(chart, at);
    QWheelEvent wheel(at, chart.viewport()->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(chart.viewport(), &wheel);
    QCOMPARE(view.to() - view.from(), 600.0 * 0.8);
    QVERIFY(std::abs(secondsAtPoint(chart, at) - before) < 0.01);

    // Drag: the grabbed time follows the mouse 100 pixels to the left, so later times come in.
    const double span = view.to() - view.from();
    const double from = view.from();
    const double pixels = chart.chart()->plotArea().width();
    QTest::mousePress(chart.viewport(), Qt::LeftButton, {}, at);
    QTest::mouseMove(chart.viewport(), at - QPoint(50, 0));
    QTest::mouseMove(chart.viewport(), at - QPoint(100, 0));
    QTest::mouseRelease(chart.viewport(), Qt::LeftButton, {}, at - QPoint(100, 0));
    QVERIFY2(std::abs(view.from() - (from + 100 / pixels * span)) < 1e-6,
             qPrintable(QStringLiteral("%1 %2 %3 %4").arg(view.from(), 0, 'f', 4).arg(from, 0, 'f', 4).arg(pixels).arg(span)));
    QCOMPARE(view.to() - view.from(), span);

    QTest::mouseDClick(chart.viewport(), Qt::LeftButton, {}, at);
    QVERIFY(view.showsAll());
}

void PlotWindowTest::readoutShowsTheNearestSample() {
    OpenWindow w;
    QVERIFY(w.open("2026-12-08T" + knownLog(1, "") + knownLog(6000, "", 1), 6001));
    for (int i = 0; i < 6; ++i) QTest::keyClick(&w.window, Qt::Key_Plus);  // about 9 s wide: 0.01 s a pixel
    QTest::keyClick(&w.window, Qt::Key_Left);
    TimeChartView& chart = w.window.charts().view(Quantity::Amperes);
    const int i = static_cast<int>(std::lround((w.window.viewRange().from() + 3.0 - kDec8 * 86400.0 - 32400.0) * 10));
    const double seconds = kDec8 * 86400.0 + 32400.0 + i / 10.0;
    // Sent straight to the chart: a moved system cursor may bring enter and leave events of its own.
    const QPoint at = viewPointAt(chart, seconds);
    QMouseEvent move(QEvent::MouseMove, at, chart.viewport()->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(chart.viewport(), &move);
    const double volts = voltsAt(i);
    const double amperes = amperesAt(i);
    const QString expected = QStringLiteral("%1    %2 V    %3 A    %4 W")
                                 .arg(QString::fromStdString(stampLabel((kDec8 * 86400 + 32400) * 10 + i, true)))
                                 .arg(volts, 0, 'f', 1)
                                 .arg(amperes, 0, 'f', 2)
                                 .arg(QString::fromStdString(logLine(0, volts, amperes)).trimmed().section(QLatin1Char('\t'), 3));
    QCOMPARE(w.window.readout(), expected);
    QVERIFY(expected.startsWith(QStringLiteral("2026-12-08 09:")));

    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&chart, &leave);
    QCOMPARE(w.window.readout(), QString());
}

void PlotWindowTest::exportWritesAPngAndAnSvg() {
    OpenWindow w;
    QVERIFY(w.open(knownLog(600, ""), 600));
    const QString png = w.folder.filePath(QStringLiteral("view.png"));
    const QString svg = w.folder.filePath(QStringLiteral("view.SVG"));
    QString error;
    QVERIFY2(w.window.exportView(png, &error), qPrintable(error));
    QVERIFY2(w.window.exportView(svg, &error), qPrintable(error));

    QFile pngFile(png);
    QVERIFY(pngFile.open(QIODevice::ReadOnly));
    QCOMPARE(pngFile.read(8), QByteArray("\x89PNG\r\n\x1a\n", 8));
    const QImage image(png);
    QCOMPARE(image.size(), w.window.charts().size() * w.window.charts().devicePixelRatio());
    // Not a blank picture: the volts line's colour is in it.
    bool inked = false;
    for (int y = 0; y < image.height() && !inked; ++y) {
        for (int x = 0; x < image.width() && !inked; ++x) inked = image.pixelColor(x, y) == QColor(0x1f, 0x5f, 0xb4);
    }
    QVERIFY(inked);

    QFile svgFile(svg);
    QVERIFY(svgFile.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&svgFile);
    QString root;
    int drawings = 0;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) continue;
        if (root.isEmpty()) root = xml.name().toString();
        if (xml.name() == QLatin1String("path") || xml.name() == QLatin1String("polyline")) ++drawings;
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    QCOMPARE(root, QStringLiteral("svg"));
    QVERIFY2(drawings >= 3, qPrintable(QString::number(drawings)));

    for (const char* name : {"no-such-folder/view.png", "no-such-folder/view.svg"}) {
        QVERIFY(!w.window.exportView(w.folder.filePath(QString::fromLatin1(name)), &error));
        QVERIFY(!error.isEmpty());
    }
}

void PlotWindowTest::anotherLogThatCannotBeOpenedLeavesTheFirst() {
    OpenWindow w;
    QVERIFY(w.open(knownLog(20, ""), 20));
    const QString title = w.window.windowTitle();
    QString error;
    QVERIFY(!w.window.openLog(w.folder.filePath(QStringLiteral("missing.log")), &error));
    QCOMPARE(error, QStringLiteral("No such file or directory"));
    QVERIFY(!w.window.openLog(w.folder.path(), &error));
    QCOMPARE(error, QStringLiteral("Is a directory"));
    QCOMPARE(w.window.windowTitle(), title);
    QCOMPARE(w.window.follower().store().size(), std::size_t{20});
    QCOMPARE(w.window.follower().path(), w.path);
}

}  // namespace vemtora::plot::testing
