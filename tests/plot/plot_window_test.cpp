// The plot window offscreen on real log files: ranges and span of a known log, following a
// growing, cut-back and replaced file, mouse and keys, the readout, and PNG and SVG export.
#include <QApplication>
#include <QCategoryAxis>
#include <QFile>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QGraphicsTextItem>
#include <QImage>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>
#include <QXmlStreamReader>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "plot/series/time_axis.h"
#include "plot/window/plot_window.h"
#include "plot_peer.h"
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
    for (int i = firstLine; i < firstLine + lines; ++i)
        text += datePrefix + logLine(kNine + i, voltsAt(i), amperesAt(i));
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
        while (PlotPeer::follower(window).store().size() < samples && !deadline.hasExpired()) QTest::qWait(20);
        return PlotPeer::follower(window).store().size() == samples;
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

    ChartStack& charts = PlotPeer::charts(w.window);
    QCOMPARE(PlotPeer::viewRange(w.window).from(), firstSeconds);
    QCOMPARE(PlotPeer::viewRange(w.window).to(), firstSeconds + 600.0);
    const struct {
        Quantity quantity;
        float low, high;
    } rows[] = {{Quantity::Volts, 228.5f, 231.5f}, {Quantity::Amperes, 0.25f, 9.75f}};
    for (const auto& row : rows) {
        const MinMax drawn = yRange(PlotPeer::series(charts, row.quantity));
        QCOMPARE(drawn.min, row.low);
        QCOMPARE(drawn.max, row.high);
        QVERIFY(PlotPeer::series(charts, row.quantity).count() <=
                2 * charts.view(row.quantity).chart()->plotArea().width() + 2);
        QVERIFY(PlotPeer::valueAxis(charts, row.quantity).min() <= row.low);
        QVERIFY(PlotPeer::valueAxis(charts, row.quantity).max() >= row.high);
        QVERIFY(PlotPeer::valueAxis(charts, row.quantity).max() - PlotPeer::valueAxis(charts, row.quantity).min() <
                3 * (row.high - row.low));
        QCOMPARE(PlotPeer::timeAxis(charts, row.quantity).min(), firstSeconds);
        QCOMPARE(PlotPeer::timeAxis(charts, row.quantity).max(), firstSeconds + 600.0);
    }
    const MinMax watts = yRange(PlotPeer::series(charts, Quantity::Watts));
    QVERIFY(std::abs(watts.max - 231.5f * 9.75f) < 0.06f);  // both extremes land on one line, i = 30 + 31 * 39 * k
    QVERIFY(watts.min > 228.5f * 0.25f - 0.06f && watts.min < 231.5f * 0.25f + 0.06f);
    QCOMPARE(PlotPeer::timeAxis(charts, Quantity::Watts).titleText(), timeTitle);
    QVERIFY(PlotPeer::timeAxis(charts, Quantity::Watts).count() >= 3);
    QCOMPARE(PlotPeer::counts(w.window), QStringLiteral("6001 samples  \u00b7  2 lines skipped"));
}

void PlotWindowTest::gapsBreakTheLinesAndClockStepsAreCounted() {
    // 0.1 s lines; ten minutes missing after line 2000; the clock set back 3 s at line 4000.
    std::string text = knownLog(2000, "") + knownLog(2000, "", 8000) + knownLog(100, "", 9970);
    OpenWindow w;
    QVERIFY(w.open(text, 4100));
    QCOMPARE(PlotPeer::counts(w.window), QStringLiteral("4100 samples  \u00b7  1 clock step"));
    ChartStack& charts = PlotPeer::charts(w.window);
    for (Quantity quantity : kQuantities) {
        QCOMPARE(PlotPeer::runs(charts, quantity), 3);  // broken at the gap and at the clock step
        QVERIFY(PlotPeer::series(charts, quantity).points().last().x() < (kNine + 2000) / 10.0);
    }
    // 4100 lines of 0.1 s each: neither the gap nor the clock step adds time.
    QVERIFY2(charts.statisticsText().startsWith(QStringLiteral("In view: 6 min 50.0 s covered, 1 gap  \u00b7  ")),
             qPrintable(charts.statisticsText()));
    PlotPeer::viewRange(w.window).zoom(0.01, (kNine + 5000) / 10.0);  // into the gap: nothing is joined across it
    PlotPeer::charts(w.window).refresh();
    QCOMPARE(PlotPeer::runs(charts, Quantity::Watts), 2);
}

void PlotWindowTest::emptyAndForeignFilesSaySo() {
    OpenWindow w;
    QVERIFY(w.open("", 0));
    QTRY_COMPARE_WITH_TIMEOUT(PlotPeer::counts(w.window), QStringLiteral("0 samples  \u00b7  empty log"), kLoadMs);
    writeFile(w.path,
              std::string("\x7f"
                          "ELF\x02\x01\x01\n\0\0\0\n",
                          12),
              QIODevice::Append);
    QTRY_COMPARE_WITH_TIMEOUT(PlotPeer::counts(w.window),
                              QStringLiteral("0 samples  \u00b7  2 lines skipped  \u00b7  not a Vemtora log"), kLoadMs);
    writeFile(w.path, logLine(kNine, 230.0, 1.0), QIODevice::Append);
    QTRY_COMPARE_WITH_TIMEOUT(PlotPeer::counts(w.window), QStringLiteral("1 sample  \u00b7  2 lines skipped"), kLoadMs);
}

void PlotWindowTest::aMissingFileIsWaitedFor() {
    OpenWindow w;
    QString error;
    QVERIFY(!w.window.openLog(w.path, &error));       // File > Open: refused
    QVERIFY(w.window.openLog(w.path, &error, true));  // the command line: waited for, as tail -F does
    QTRY_COMPARE_WITH_TIMEOUT(PlotPeer::counts(w.window), QStringLiteral("waiting for today.log to appear"), kLoadMs);
    writeFile(w.path, knownLog(3, ""));
    QTRY_COMPARE_WITH_TIMEOUT(PlotPeer::counts(w.window), QStringLiteral("3 samples"), kLoadMs);
}

// The icon comes built in from the library the Linux window shares: every size the package installs.
void PlotWindowTest::windowCarriesTheProgramIcon() {
    OpenWindow w;
    const QList<QSize> sizes = w.window.windowIcon().availableSizes();
    for (int side : {16, 32, 48, 64, 128, 256})
        QVERIFY2(sizes.contains(QSize(side, side)), qPrintable(QString::number(side)));
}

void PlotWindowTest::plotAreasLineUp() {
    OpenWindow w;
    // Labels of very different widths: "0.00" amperes against "1e+20"-sized watts.
    std::string text;
    for (int i = 0; i < 100; ++i) text += logLine(kNine + i * 10, 1.0 + i, 0.01 * i);
    text += logLine(kNine + 1000, 5e9, 3e10);
    QVERIFY(w.open(text, 101));
    for (QSize size : {QSize(1000, 700), QSize(640, 480), QSize(1300, 500)}) {
        w.window.resize(size);
        QTRY_COMPARE_WITH_TIMEOUT(PlotPeer::charts(w.window).view(Quantity::Volts).width(),
                                  PlotPeer::charts(w.window).width(), 2000);
        const QRectF volts = PlotPeer::charts(w.window).view(Quantity::Volts).chart()->plotArea();
        for (Quantity quantity : {Quantity::Amperes, Quantity::Watts}) {
            const QRectF area = PlotPeer::charts(w.window).view(quantity).chart()->plotArea();
            QCOMPARE(area.left(), volts.left());
            QCOMPARE(area.width(), volts.width());
        }
        QVERIFY(volts.width() > size.width() / 2);
        // As many columns as pixels: the decimated series fills the width it has.
        QVERIFY(volts.right() <= PlotPeer::charts(w.window).width());
    }
}

void PlotWindowTest::followsAppendsCutsAndReplacement() {
    OpenWindow w;
    QVERIFY(w.open(knownLog(10, ""), 10));
    const PlotWindow& window = w.window;
    QLineSeries& volts = PlotPeer::series(PlotPeer::charts(w.window), Quantity::Volts);

    // Appended lines show up, and the view keeps the end in sight.
    writeFile(w.path, knownLog(5, "", 10), QIODevice::Append);
    QTRY_COMPARE_WITH_TIMEOUT(PlotPeer::follower(window).store().size(), std::size_t{15}, kLoadMs);
    QCOMPARE(volts.points().last().x(), 32401.4);
    QCOMPARE(PlotPeer::viewRange(w.window).to(), 32401.4);

    // A line still being written waits, uncounted, and completes on a later read.
    const std::string next = logLine(kNine + 15, 230.0, 1.0);
    writeFile(w.path, next.substr(0, 12), QIODevice::Append);
    QTRY_VERIFY_WITH_TIMEOUT(PlotPeer::follower(window).reader().hasPartialLine(), kLoadMs);
    QCOMPARE(PlotPeer::follower(window).store().size(), std::size_t{15});
    QCOMPARE(PlotPeer::follower(window).reader().skippedLines(), std::uint64_t{0});
    writeFile(w.path, next.substr(12), QIODevice::Append);
    QTRY_COMPARE_WITH_TIMEOUT(PlotPeer::follower(window).store().size(), std::size_t{16}, kLoadMs);
    QCOMPARE(PlotPeer::follower(window).reader().skippedLines(), std::uint64_t{0});

    // Cut back: read again from the start.
    writeFile(w.path, logLine(kNine + 36000, 100.0, 1.0) + logLine(kNine + 36100, 101.0, 1.0));
    QTRY_COMPARE_WITH_TIMEOUT(PlotPeer::follower(window).store().size(), std::size_t{2}, kLoadMs);
    QCOMPARE(PlotPeer::viewRange(w.window).from(), 36000.0);
    QCOMPARE(yRange(volts).max, 101.0f);
    QTRY_VERIFY2_WITH_TIMEOUT(
        PlotPeer::counts(w.window).endsWith(QStringLiteral("cut back or replaced: read again from its start")),
        qPrintable(PlotPeer::counts(w.window)), kLoadMs);

    // Replaced by another file under the same name.
    const QString other = w.folder.filePath(QStringLiteral("other.log"));
    writeFile(other, "2026-12-08T" + logLine(0, 50.0, 1.0) + knownLog(40, "2026-12-08T"));
    QVERIFY(std::rename(QFile::encodeName(other).constData(), QFile::encodeName(w.path).constData()) == 0);
    QTRY_COMPARE_WITH_TIMEOUT(PlotPeer::follower(window).store().size(), std::size_t{41}, kLoadMs);
    QCOMPARE(PlotPeer::follower(window).store().tenths().front(), kDec8 * 864000);
    QCOMPARE(yRange(volts).min, 50.0f);
    QVERIFY(PlotPeer::viewRange(w.window).showsAll());

    // Rotated: renamed, then a new file under the name; what was drawn stays, and the new lines follow.
    QVERIFY(std::rename(QFile::encodeName(w.path).constData(), QFile::encodeName(w.path + ".1").constData()) == 0);
    writeFile(w.path, knownLog(5, "2026-12-08T", 40));
    QTRY_COMPARE_WITH_TIMEOUT(PlotPeer::follower(window).store().size(), std::size_t{46}, kLoadMs);
    QCOMPARE(PlotPeer::follower(window).store().tenths().front(), kDec8 * 864000);
    QCOMPARE(PlotPeer::follower(window).store().tenths().back(), kDec8 * 864000 + kNine + 44);
}

void PlotWindowTest::mouseAndKeysZoomPanAndReset() {
    OpenWindow w;
    QVERIFY(w.open(knownLog(6001, ""), 6001));
    ViewRange& view = PlotPeer::viewRange(w.window);
    TimeChartView& chart = PlotPeer::charts(w.window).view(Quantity::Volts);

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
             qPrintable(
                 QStringLiteral("%1 %2 %3 %4").arg(view.from(), 0, 'f', 4).arg(from, 0, 'f', 4).arg(pixels).arg(span)));
    QCOMPARE(view.to() - view.from(), span);

    QTest::mouseDClick(chart.viewport(), Qt::LeftButton, {}, at);
    QVERIFY(view.showsAll());

    // Ctrl+wheel zooms the value axis under the mouse by the time axis' factor; V fits it again.
    QValueAxis& volts = PlotPeer::valueAxis(PlotPeer::charts(w.window), Quantity::Volts);
    const double fitted = volts.max() - volts.min();
    QWheelEvent valueWheel(at, chart.viewport()->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton,
                           Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(chart.viewport(), &valueWheel);
    QVERIFY2(std::abs(volts.max() - volts.min() - 0.8 * fitted) < 1e-6 * fitted,
             qPrintable(QString::number(volts.max() - volts.min())));
    QVERIFY(view.showsAll());
    QTest::keyClick(&w.window, Qt::Key_V);
    QCOMPARE(volts.max() - volts.min(), fitted);
}

void PlotWindowTest::readoutShowsTheNearestSample() {
    OpenWindow w;
    QVERIFY(w.open("2026-12-08T" + knownLog(1, "") + knownLog(6000, "", 1), 6001));
    for (int i = 0; i < 6; ++i) QTest::keyClick(&w.window, Qt::Key_Plus);  // about 9 s wide: 0.01 s a pixel
    QTest::keyClick(&w.window, Qt::Key_Left);
    TimeChartView& chart = PlotPeer::charts(w.window).view(Quantity::Amperes);
    const int i =
        static_cast<int>(std::lround((PlotPeer::viewRange(w.window).from() + 3.0 - kDec8 * 86400.0 - 32400.0) * 10));
    const double seconds = kDec8 * 86400.0 + 32400.0 + i / 10.0;
    // Sent straight to the chart: a moved system cursor may bring enter and leave events of its own.
    const QPoint at = viewPointAt(chart, seconds);
    QMouseEvent move(QEvent::MouseMove, at, chart.viewport()->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(chart.viewport(), &move);
    const double volts = voltsAt(i);
    const double amperes = amperesAt(i);
    const QString expected =
        QStringLiteral("%1    %2 V    %3 A    %4 W")
            .arg(QString::fromStdString(stampLabel((kDec8 * 86400 + 32400) * 10 + i, true)))
            .arg(volts, 0, 'f', 1)
            .arg(amperes, 0, 'f', 2)
            .arg(QString::fromStdString(logLine(0, volts, amperes)).trimmed().section(QLatin1Char('\t'), 3));
    QCOMPARE(PlotPeer::readout(w.window), expected);
    QVERIFY(expected.startsWith(QStringLiteral("2026-12-08 09:")));

    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&chart, &leave);
    QCOMPARE(PlotPeer::readout(w.window), QString());
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
    QCOMPARE(image.size(), PlotPeer::charts(w.window).size() * PlotPeer::charts(w.window).devicePixelRatio());
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
    QCOMPARE(PlotPeer::follower(w.window).store().size(), std::size_t{20});
    QCOMPARE(PlotPeer::follower(w.window).path(), w.path);
}

}  // namespace vemtora::plot::testing

namespace vemtora::plot::testing {

namespace {

struct AxisText {
    QStringList values;     // the value axis' labels, top to bottom
    QStringList times;      // the time axis' labels, left to right
    QList<QRectF> timeInk;  // where each time label's text stands in the view, its margins left out
    QStringList titles;
};

// What the chart really drew: its visible text items, told apart by where they stand.
AxisText drawnText(TimeChartView& view, const QString& valueTitle) {
    AxisText text;
    const QRectF area = view.chart()->plotArea();
    QList<QGraphicsTextItem*> items;
    for (QGraphicsItem* item : view.scene()->items(Qt::AscendingOrder)) {
        auto* label = dynamic_cast<QGraphicsTextItem*>(item);
        if (label && label->isVisible() && !label->toPlainText().isEmpty()) items << label;
    }
    std::sort(items.begin(), items.end(), [](QGraphicsTextItem* a, QGraphicsTextItem* b) {
        const QPointF pa = a->sceneBoundingRect().center(), pb = b->sceneBoundingRect().center();
        return pa.y() != pb.y() ? pa.y() < pb.y() : pa.x() < pb.x();
    });
    for (QGraphicsTextItem* label : items) {
        const QString s = label->toPlainText();
        const QRectF box = label->sceneBoundingRect();
        if (s == valueTitle || s.startsWith(QStringLiteral("Time")) || s.startsWith(valueTitle.left(3))) {
            text.titles << s;
        } else if (box.center().x() < area.left()) {
            text.values << s;
        } else if (box.center().y() > area.bottom()) {
            text.times << s;
            const double width = QFontMetricsF(label->font()).horizontalAdvance(s);
            const QRectF ink(box.center().x() - width / 2, box.top(), width, box.height());
            text.timeInk << view.mapFromScene(ink).boundingRect();
        }
    }
    return text;
}

bool isRoundStep(double step) {
    const double power = std::pow(10.0, std::floor(std::log10(step) + 1e-9));
    const double multiple = step / power;
    return std::abs(multiple - 1) < 1e-6 || std::abs(multiple - 2) < 1e-6 || std::abs(multiple - 5) < 1e-6;
}

bool elided(const QString& text) { return text.contains(QChar(0x2026)) || text.contains(QStringLiteral("...")); }

// Relative luminance contrast as WCAG reckons it: 1 (none) to 21 (black on white).
double contrast(QColor a, QColor b) {
    auto luminance = [](QColor c) {
        auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// Lines 0..5 and 10..14 at one a second from 09:00:00, 200 V, i + 1 A: a gap of four seconds.
const std::int64_t kGapTenths[] = {0, 10, 20, 30, 40, 50, 100, 110, 120, 130, 140};

std::string gapLog(const std::string& between = {}) {
    std::string text;
    for (int i = 0; i < 11; ++i) {
        text += logLine(kNine + kGapTenths[i], 200.0, i + 1.0);
        if (i == 3) text += between;
    }
    return text;
}

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("unreadable");
}

// One line every ten minutes for a week from 2026-12-08 09:00, dated, with the known log's readings.
std::string weekLog() {
    std::string text;
    for (int i = 0; i <= 7 * 144; ++i) {
        const std::int64_t tenths = kNine + i * 6000LL;
        text += "2026-12-" + QStringLiteral("%1").arg(8 + tenths / 864000, 2, 10, QLatin1Char('0')).toStdString() +
                "T" + logLine(tenths, voltsAt(i), amperesAt(i));
    }
    return text;
}

// Ticks at an even step of 0.1, 0.2, 0.5, 1, 2, 5, 10, 15 or 30 s, min or h fitting a day, or days.
void checkRoundTicks(QCategoryAxis& axis, const QString& where) {
    QList<std::int64_t> tenths;
    for (const QString& label : axis.categoriesLabels()) tenths << std::llround(axis.endValue(label) * 10);
    QVERIFY2(tenths.size() >= 2, qPrintable(where));
    const std::int64_t step = tenths[1] - tenths[0];
    const std::int64_t round[] = {1,    2,    5,    10,    20,    50,    100,    150,    300,    600,    1200,
                                  3000, 6000, 9000, 18000, 36000, 72000, 108000, 216000, 432000, 864000, 1728000};
    QVERIFY2(std::find(std::begin(round), std::end(round), step) != std::end(round), qPrintable(where));
    for (qsizetype i = 0; i < tenths.size(); ++i) {
        QVERIFY2(tenths[i] % step == 0 && (i == 0 || tenths[i] - tenths[i - 1] == step), qPrintable(where));
    }
}

}  // namespace

void PlotWindowTest::axesShowRoundReadableLabelsAtEverySize() {
    const struct {
        const char* what;
        std::string log;
        std::size_t samples;
        double from, to;    // NaN: the whole log
        const char* title;  // how the time axis' title begins: what its labels leave out
    } views[] = {
        {"10 minutes", knownLog(6001, ""), 6001, std::nan(""), std::nan(""), "Time"},
        {"1.9 s", knownLog(6001, ""), 6001, 32400 + 123.45, 32400 + 125.35, "Time (09:02)"},
        {"a week", weekLog(), 7 * 144 + 1, std::nan(""), std::nan(""), "Time (2026-12-08)"},
    };
    for (const auto& view : views) {
        OpenWindow w;
        QVERIFY(w.open(view.log, view.samples));
        const QSize sizes[] = {w.window.minimumSize(), QSize(1000, 700), QSize(1800, 1200)};
        for (QSize size : sizes) {
            const QString where =
                QStringLiteral("%1 at %2x%3").arg(QLatin1String(view.what)).arg(size.width()).arg(size.height());
            w.window.resize(size);
            QTRY_COMPARE_WITH_TIMEOUT(w.window.size(), size, 2000);
            QTest::qWait(50);  // the layout settles through posted events
            ChartStack& charts = PlotPeer::charts(w.window);
            if (!std::isnan(view.from)) {
                PlotPeer::viewRange(w.window).show(view.from, view.to);
                charts.refresh();
                QTest::qWait(20);
            }
            for (Quantity quantity : kQuantities) {
                const QString title = PlotPeer::valueAxis(charts, quantity).titleText();
                const AxisText text = drawnText(charts.view(quantity), title);
                const QString all = where + QLatin1Char(' ') + title + QStringLiteral(": ") +
                                    text.values.join(QLatin1Char('|')) + QStringLiteral(" / ") +
                                    text.titles.join(QLatin1Char('|'));
                QVERIFY2(text.values.size() >= 4, qPrintable(all));
                QVERIFY2(text.titles.contains(title), qPrintable(all));
                std::vector<double> values;
                for (const QString& label : std::as_const(text.values)) {
                    QVERIFY2(!elided(label), qPrintable(all));
                    bool number = false;
                    values.push_back(label.toDouble(&number));
                    QVERIFY2(number, qPrintable(all));
                }
                const double step = values[0] - values[1];
                QVERIFY2(step > 0 && isRoundStep(step), qPrintable(all));
                for (std::size_t i = 1; i < values.size(); ++i)
                    QVERIFY2(std::abs(values[i - 1] - values[i] - step) < step * 1e-6, qPrintable(all));
                // 0.25 A to 9.75 A: drawn from zero.
                if (quantity == Quantity::Amperes) QVERIFY2(values.back() == 0.0, qPrintable(all));
            }
            TimeChartView& bottomView = charts.view(Quantity::Watts);
            const AxisText time = drawnText(bottomView, PlotPeer::valueAxis(charts, Quantity::Watts).titleText());
            const QString times = where + QStringLiteral(": ") + time.times.join(QLatin1Char('|')) +
                                  QStringLiteral(" / ") + time.titles.join(QLatin1Char('|'));
            QVERIFY2(time.times.size() >= 4, qPrintable(times));
            const auto begins = [&view](const QString& title) { return title.startsWith(QLatin1String(view.title)); };
            QVERIFY2(std::any_of(time.titles.begin(), time.titles.end(), begins), qPrintable(times));
            for (qsizetype i = 0; i < time.times.size(); ++i) {
                QVERIFY2(!elided(time.times[i]), qPrintable(times));
                // Wholly in the window, and apart from the label before it.
                QVERIFY2(time.timeInk[i].left() >= 0 && time.timeInk[i].right() <= bottomView.width(),
                         qPrintable(times));
                if (i > 0) QVERIFY2(time.timeInk[i].left() >= time.timeInk[i - 1].right() + 4, qPrintable(times));
            }
            QCategoryAxis& bottom = PlotPeer::timeAxis(charts, Quantity::Watts);
            checkRoundTicks(bottom, times);
            for (Quantity quantity : {Quantity::Volts, Quantity::Amperes}) {
                QCategoryAxis& axis = PlotPeer::timeAxis(charts, quantity);
                QCOMPARE(axis.min(), bottom.min());
                QCOMPARE(axis.max(), bottom.max());
                QCOMPARE(axis.categoriesLabels(), bottom.categoriesLabels());
                for (const QString& label : bottom.categoriesLabels())
                    QCOMPARE(axis.endValue(label), bottom.endValue(label));
            }
        }
    }
}

void PlotWindowTest::selectionGivesItsEdgesAndStatistics() {
    OpenWindow w;
    QVERIFY(w.open(gapLog(), 11));
    QLabel& selected = PlotPeer::selectionLabel(PlotPeer::charts(w.window));
    QVERIFY(selected.isHidden());
    const struct {
        double from, to;  // seconds after 09:00:00
        const char* text;
    } rows[] = {
        // Samples 2..8: 3..9 A, one gap; each covers a second, the one before the gap one interval.
        {1.8, 12.3,
         "Selected 09:00:01.8 \u2013 09:00:12.3, \u0394t 10.5 s  \u00b7  09:00:02.0: 200.0 V 3.00 A 600.0 W  \u00b7  "
         "09:00:12.0: 200.0 V 9.00 A 1800.0 W\n"
         "Selected: 7.0 s covered, 1 gap  \u00b7  2.333 Wh, average 1200.0 W  \u00b7  V 200.0 / 200.0 / 200.0  \u00b7  "
         "A 3.00 / 6.00 / 9.00  \u00b7  "
         "W 600.0 / 1200.0 / 1800.0  (min / mean / max)"},
        // Dragged right to left; inside the gap the edges' nearest samples lie on either side.
        {8.0, 6.0,
         "Selected 09:00:06.0 \u2013 09:00:08.0, \u0394t 2.0 s  \u00b7  09:00:05.0: 200.0 V 6.00 A 1200.0 W  \u00b7  "
         "09:00:10.0: 200.0 V 7.00 A 1400.0 W\nSelected: no samples"},
        // The last sample covers one interval, the end of the log adding nothing.
        {13.0, 20.0,
         "Selected 09:00:13.0 \u2013 09:00:20.0, \u0394t 7.0 s  \u00b7  09:00:13.0: 200.0 V 10.00 A 2000.0 W  \u00b7  "
         "09:00:14.0: 200.0 V 11.00 A 2200.0 W\n"
         "Selected: 2.0 s covered  \u00b7  1.167 Wh, average 2100.0 W  \u00b7  V 200.0 / 200.0 / 200.0  \u00b7  A "
         "10.00 / 10.50 / 11.00  \u00b7  "
         "W 2000.0 / 2100.0 / 2200.0  (min / mean / max)"},
    };
    for (const auto& row : rows) {
        w.window.select(32400.0 + row.from, 32400.0 + row.to);
        QCOMPARE(selected.text(), QString::fromUtf8(row.text));
        QVERIFY(!selected.isHidden());
    }
    // The charts stay in sight, with the stretch shaded on each.
    for (Quantity quantity : kQuantities) QVERIFY(PlotPeer::charts(w.window).view(quantity).height() >= 90);

    // Shift+drag from 2 s to 12 s selects about that; a plain click and Esc clear it.
    TimeChartView& chart = PlotPeer::charts(w.window).view(Quantity::Amperes);
    const QPoint from = viewPointAt(chart, 32402.0), to = viewPointAt(chart, 32412.0);
    QTest::mousePress(chart.viewport(), Qt::LeftButton, Qt::ShiftModifier, from);
    QTest::mouseMove(chart.viewport(), (from + to) / 2);
    QTest::mouseMove(chart.viewport(), to);
    QTest::mouseRelease(chart.viewport(), Qt::LeftButton, Qt::ShiftModifier, to);
    const double pixel =
        (PlotPeer::viewRange(w.window).to() - PlotPeer::viewRange(w.window).from()) / chart.chart()->plotArea().width();
    QVERIFY(std::abs(PlotPeer::charts(w.window).selectionFrom() - 32402.0) <= pixel);
    QVERIFY(std::abs(PlotPeer::charts(w.window).selectionTo() - 32412.0) <= pixel);
    QVERIFY(PlotPeer::viewRange(w.window).showsAll());  // a selecting drag does not pan
    QTest::mouseClick(chart.viewport(), Qt::LeftButton, {}, from);
    QVERIFY(!PlotPeer::charts(w.window).hasSelection());
    QVERIFY(selected.isHidden());
    w.window.select(32401.0, 32402.0);
    QTest::keyClick(&w.window, Qt::Key_Escape);
    QVERIFY(!PlotPeer::charts(w.window).hasSelection());
}

// A clock set back 5 s: 10:29:50-10:29:59 at 100 W, then 10:29:55-10:30:09 at 200 W, which go on
// one second after the first pass. Samples 8..13 lie at 37798..37803 s of the timeline.
void PlotWindowTest::selectionAcrossAClockStep() {
    std::string text;
    std::vector<std::string> lines;
    for (int i = 0; i < 25; ++i) {
        lines.push_back(logLine(i < 10 ? 377900 + 10 * i : 377850 + 10 * i, 200.0, i < 10 ? 0.5 : 1.0));
        text += lines.back();
    }
    OpenWindow w;
    QVERIFY(w.open(text, 25));
    TimeChartView& chart = PlotPeer::charts(w.window).view(Quantity::Watts);
    const QPoint from = viewPointAt(chart, 37797.8), to = viewPointAt(chart, 37803.2);
    QTest::mousePress(chart.viewport(), Qt::LeftButton, Qt::ShiftModifier, from);
    QTest::mouseMove(chart.viewport(), to);
    QTest::mouseRelease(chart.viewport(), Qt::LeftButton, Qt::ShiftModifier, to);
    // Two seconds at 100 W and four at 200 W; each edge's sample by its own clock.
    const QString selected = PlotPeer::selectionLabel(PlotPeer::charts(w.window)).text();
    QVERIFY2(selected.contains(QStringLiteral("10:29:58.0: 200.0 V 0.50 A 100.0 W")), qPrintable(selected));
    QVERIFY2(selected.contains(QStringLiteral("10:29:58.0: 200.0 V 1.00 A 200.0 W")), qPrintable(selected));
    QVERIFY2(selected.contains(
                 QStringLiteral("6.0 s covered  \u00b7  %1 Wh").arg((2 * 100.0 + 4 * 200.0) / 3600.0, 0, 'f', 3)),
             qPrintable(selected));
    const QString saved = w.folder.filePath(QStringLiteral("saved.log"));
    QString error;
    QVERIFY2(w.window.saveRangeAsLog(saved, &error), qPrintable(error));
    QCOMPARE(fileBytes(saved),
             QByteArray::fromStdString(lines[8] + lines[9] + lines[10] + lines[11] + lines[12] + lines[13]));
    // Sample 11, at 37801 s, reads as stamped: the second 10:29:56.0.
    const QPoint at = viewPointAt(chart, 37801.0);
    QMouseEvent move(QEvent::MouseMove, at, chart.viewport()->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(chart.viewport(), &move);
    QVERIFY2(PlotPeer::readout(w.window).startsWith(QStringLiteral("10:29:56.0    200.0 V    1.00 A    200.0 W")),
             qPrintable(PlotPeer::readout(w.window)));
}

void PlotWindowTest::savedRangeHoldsTheLogsOwnLines() {
    // A malformed line and a Windows line end inside; the copy keeps the bytes as they are.
    std::string text = gapLog("not a log line\n");
    const std::size_t crlf = text.find('\n', text.find(logLine(kNine + 100, 200.0, 7.0)));
    text.insert(crlf, "\r");
    OpenWindow w;
    QVERIFY(w.open(text, 11));
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = text.find('\n', at) + 1;
        lines.push_back(text.substr(at, end - at));
        at = end;
    }
    QCOMPARE(lines.size(), std::size_t{12});
    const QString saved = w.folder.filePath(QStringLiteral("saved.log"));
    QString error;

    w.window.select(32401.8, 32412.3);  // samples 2..8: lines 2, 3, 5..9 of the file
    QVERIFY2(w.window.saveRangeAsLog(saved, &error), qPrintable(error));
    const std::string selected = lines[2] + lines[3] + lines[5] + lines[6] + lines[7] + lines[8] + lines[9];
    QCOMPARE(fileBytes(saved), QByteArray::fromStdString(selected));

    // Without a selection, what is in view; zoomed in here to 09:00:11..09:00:14.
    w.window.select(std::nan(""), std::nan(""));
    PlotPeer::viewRange(w.window).show(32411.0, 32414.0);
    QVERIFY2(w.window.saveRangeAsLog(saved, &error), qPrintable(error));
    QCOMPARE(fileBytes(saved), QByteArray::fromStdString(lines[8] + lines[9] + lines[10] + lines[11]));

    // A last line without its line feed, once drawn, is saved as it is.
    const std::string last = logLine(kNine + 150, 200.0, 12.0);
    writeFile(w.path, last.substr(0, last.size() - 1), QIODevice::Append);
    QTRY_COMPARE_WITH_TIMEOUT(PlotPeer::follower(w.window).store().size(), std::size_t{12}, kLoadMs);
    PlotPeer::viewRange(w.window).showAll();
    QVERIFY2(w.window.saveRangeAsLog(saved, &error), qPrintable(error));
    QCOMPARE(fileBytes(saved),
             QByteArray::fromStdString(text.substr(0, text.find("not a log")) +
                                       text.substr(text.find("not a log") + 15) + last.substr(0, last.size() - 1)));

    // Failures say why and leave the log alone.
    QVERIFY(!w.window.saveRangeAsLog(w.folder.filePath(QStringLiteral("no-such-folder/saved.log")), &error));
    QVERIFY2(error.contains(QStringLiteral("No such file or directory")), qPrintable(error));
    QVERIFY(!w.window.saveRangeAsLog(w.path, &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(fileBytes(w.path).size(), static_cast<qsizetype>(text.size() + last.size() - 1));
    PlotPeer::viewRange(w.window).show(32406.0, 32409.0);  // inside the gap
    QVERIFY(!w.window.saveRangeAsLog(saved, &error));
    QCOMPARE(error, QStringLiteral("no samples in the range"));
}

void PlotWindowTest::followToggleKeysAndTheReadout() {
    OpenWindow w;
    QVERIFY(w.open(knownLog(6001, ""), 6001));
    ViewRange& view = PlotPeer::viewRange(w.window);
    QAction& follow = PlotPeer::followAction(w.window);
    QVERIFY(follow.isChecked());

    // The readout of a sample the key pan leaves behind goes.
    TimeChartView& chart = PlotPeer::charts(w.window).view(Quantity::Volts);
    QTest::keyClick(&w.window, Qt::Key_Plus);
    const QPoint at = viewPointAt(chart, view.to() - 2.0);
    QMouseEvent move(QEvent::MouseMove, at, chart.viewport()->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(chart.viewport(), &move);
    QVERIFY(!PlotPeer::readout(w.window).isEmpty());
    QVERIFY(follow.isChecked());  // zoomed in at the end: still following
    QTest::keyClick(&w.window, Qt::Key_Left);
    QCOMPARE(PlotPeer::readout(w.window), QString());
    QVERIFY(!follow.isChecked());

    // Not following: growth leaves the view; F and End bring it to the end, with its span.
    const double from = view.from(), span = view.to() - view.from();
    writeFile(w.path, knownLog(100, "", 6001), QIODevice::Append);
    QTRY_COMPARE_WITH_TIMEOUT(PlotPeer::follower(w.window).store().size(), std::size_t{6101}, kLoadMs);
    QCOMPARE(view.from(), from);
    QTest::keyClick(&w.window, Qt::Key_F);
    QVERIFY(follow.isChecked());
    QCOMPARE(view.to(), 33010.0);
    QCOMPARE(view.to() - view.from(), span);
    QTest::keyClick(&w.window, Qt::Key_F);  // off again, where it stands
    QVERIFY(!follow.isChecked());
    QCOMPARE(view.to(), 33010.0);
    writeFile(w.path, knownLog(10, "", 6101), QIODevice::Append);
    QTRY_COMPARE_WITH_TIMEOUT(PlotPeer::follower(w.window).store().size(), std::size_t{6111}, kLoadMs);
    QCOMPARE(view.to(), 33010.0);
    QTest::keyClick(&w.window, Qt::Key_End);
    QVERIFY(follow.isChecked());
    QCOMPARE(view.to(), 33011.0);
    // A mouse drag away turns it off as well.
    QTest::mousePress(chart.viewport(), Qt::LeftButton, {}, at);
    QTest::mouseMove(chart.viewport(), at + QPoint(60, 0));
    QTest::mouseRelease(chart.viewport(), Qt::LeftButton, {}, at + QPoint(60, 0));
    QVERIFY(!follow.isChecked());
}

void PlotWindowTest::lastLineWithoutLineFeedIsDrawnOnce() {
    OpenWindow w;
    QVERIFY(w.open(knownLog(10, ""), 10));
    QLineSeries& watts = PlotPeer::series(PlotPeer::charts(w.window), Quantity::Watts);
    // The writer stops inside its last line: drawn after the file has stood still a while.
    const std::string line = logLine(kNine + 10, 230.0, 2.0);
    writeFile(w.path, line.substr(0, line.size() - 1), QIODevice::Append);
    QTRY_COMPARE_WITH_TIMEOUT(PlotPeer::follower(w.window).store().size(), std::size_t{11}, kLoadMs);
    QCOMPARE(watts.points().last().x(), 32401.0);
    QCOMPARE(watts.points().last().y(), 460.0);
    // Its line feed comes after all, then the next line: each line once.
    writeFile(w.path, "\n", QIODevice::Append);
    QTest::qWait(2 * LogFollower::kPollMs);
    writeFile(w.path, knownLog(1, "", 11), QIODevice::Append);
    QTRY_COMPARE_WITH_TIMEOUT(PlotPeer::follower(w.window).store().size(), std::size_t{12}, kLoadMs);
    QTest::qWait(2 * LogFollower::kPollMs);
    QCOMPARE(PlotPeer::follower(w.window).store().size(), std::size_t{12});
    QCOMPARE(PlotPeer::follower(w.window).reader().skippedLines(), std::uint64_t{0});
    QCOMPARE(watts.points().size(), 12);
    QCOMPARE(watts.points().last().x(), 32401.1);
}

void PlotWindowTest::darkPaletteKeepsTextReadable() {
    OpenWindow w;
    QVERIFY(w.open(gapLog(), 11));
    w.window.select(32402.0, 32404.0);
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(0x20, 0x20, 0x24));
    dark.setColor(QPalette::Base, QColor(0x18, 0x18, 0x1c));
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text})
        dark.setColor(role, QColor(0xe6, 0xe6, 0xe6));
    dark.setColor(QPalette::Mid, QColor(0x50, 0x50, 0x58));
    for (const QPalette& palette : {dark, QApplication::style()->standardPalette()}) {
        w.window.setPalette(palette);
        QCoreApplication::processEvents();
        ChartStack& charts = PlotPeer::charts(w.window);
        const QImage image = charts.grab().toImage();
        for (Quantity quantity : kQuantities) {
            TimeChartView& view = charts.view(quantity);
            const QColor ground = view.chart()->backgroundBrush().color();
            QCOMPARE(ground, palette.color(QPalette::Base));  // the charts take the desktop's colours
            QVERIFY(contrast(PlotPeer::valueAxis(charts, quantity).labelsBrush().color(), ground) >= 7.0);
            QVERIFY(contrast(PlotPeer::valueAxis(charts, quantity).titleBrush().color(), ground) >= 3.0);
            QVERIFY(contrast(PlotPeer::timeAxis(charts, quantity).labelsBrush().color(), ground) >= 7.0);
            // Drawn so: in the label gutter the ink stands out from the ground it is drawn on.
            const QRect gutter = QRect(view.mapTo(&charts, QPoint(0, 0)),
                                       QSize(static_cast<int>(view.chart()->plotArea().left()), view.height()))
                                     .intersected(image.rect());
            const QColor drawnGround = image.pixelColor(gutter.topLeft() + QPoint(2, 2));
            QCOMPARE(drawnGround, ground);
            double best = 1.0;
            for (int y = gutter.top(); y <= gutter.bottom(); ++y) {
                for (int x = gutter.left(); x <= gutter.right(); ++x)
                    best = std::max(best, contrast(image.pixelColor(x, y), drawnGround));
            }
            QVERIFY2(best >= 7.0, qPrintable(QString::number(best)));
        }
        for (QLabel* label : {&charts.statistics(), &PlotPeer::selectionLabel(charts)}) {
            QVERIFY(contrast(label->palette().color(label->foregroundRole()),
                             label->palette().color(label->backgroundRole())) >= 7.0);
        }
    }
}

void PlotWindowTest::recentFilesNewestFirstAndMissingGreyed() {
    OpenWindow w;
    QVERIFY(w.open(knownLog(5, ""), 5));
    QStringList opened{QFileInfo(w.path).absoluteFilePath()};
    QString error;
    for (int i = 0; i < PlotWindow::kRecentFiles + 2; ++i) {
        const QString path = w.folder.filePath(QStringLiteral("%1.log").arg(i));
        writeFile(path, knownLog(3, ""));
        QVERIFY2(w.window.openLog(path, &error), qPrintable(error));
        opened.prepend(QFileInfo(path).absoluteFilePath());
    }
    QVERIFY2(w.window.openLog(w.folder.filePath(QStringLiteral("3.log")), &error), qPrintable(error));
    opened.move(opened.indexOf(w.folder.filePath(QStringLiteral("3.log"))), 0);
    QCOMPARE(w.window.recentFiles(), opened.mid(0, PlotWindow::kRecentFiles));

    QVERIFY(QFile::remove(w.folder.filePath(QStringLiteral("5.log"))));
    emit PlotPeer::recentMenu(w.window).aboutToShow();
    QStringList missing, present;
    for (QAction* action : PlotPeer::recentMenu(w.window).actions()) {
        if (action->toolTip().endsWith(QStringLiteral(".log")))
            (action->isEnabled() ? present : missing) << action->text();
    }
    QCOMPARE(missing, QStringList{QStringLiteral("&6  5.log (missing)")});
    QCOMPARE(present.size(), PlotWindow::kRecentFiles - 1);
    QCOMPARE(present.first(), QStringLiteral("&1  3.log"));
    // Chosen from the menu, a log opens.
    for (QAction* action : PlotPeer::recentMenu(w.window).actions()) {
        if (action->text() == QStringLiteral("&2  9.log")) action->trigger();
    }
    QCOMPARE(PlotPeer::follower(w.window).path(), w.folder.filePath(QStringLiteral("9.log")));
}

void PlotWindowTest::appendsRedrawWhatTheyChangeOnScreen() {
    // An hour at 0.1 s in the whole view: a line more moves nothing by half a pixel.
    OpenWindow w;
    QVERIFY(w.open(knownLog(36000, ""), 36000));
    ChartStack& charts = PlotPeer::charts(w.window);
    QLineSeries& amperes = PlotPeer::series(charts, Quantity::Amperes);
    const QList<QPointF> before = amperes.points();
    const double axisEnd = PlotPeer::timeAxis(charts, Quantity::Amperes).max();
    const QString statistics = charts.statisticsText();

    const struct {
        const char* what;
        std::string lines;
        bool redrawn;
    } rows[] = {
        {"values within the last column's", knownLog(1, "", 36000), false},
        {"a new extreme", logLine(kNine + 36001, 230.0, 30.0), true},
        {"a gap", logLine(kNine + 36500, 230.0, 1.0), true},
    };
    std::size_t samples = 36000;
    for (const auto& row : rows) {
        writeFile(w.path, row.lines, QIODevice::Append);
        ++samples;
        QTRY_COMPARE_WITH_TIMEOUT(PlotPeer::follower(w.window).store().size(), samples, kLoadMs);
        QVERIFY2((PlotPeer::timeAxis(charts, Quantity::Amperes).max() != axisEnd) == row.redrawn, row.what);
        if (!row.redrawn) {
            QCOMPARE(amperes.points(), before);
            QVERIFY2(charts.statisticsText() != statistics, row.what);  // the numbers still count every line
        }
    }
    QCOMPARE(yRange(amperes).max, 30.0f);
    QCOMPARE(PlotPeer::runs(charts, Quantity::Amperes), 2);

    // A short span following the end slides with the next line, drawn once its wait is over.
    for (int i = 0; i < 8; ++i) QTest::keyClick(&w.window, Qt::Key_Plus);
    writeFile(w.path, logLine(kNine + 36510, 230.0, 1.0), QIODevice::Append);
    QTRY_COMPARE_WITH_TIMEOUT(PlotPeer::timeAxis(charts, Quantity::Amperes).max(), (kNine + 36510) / 10.0, kLoadMs);
}

}  // namespace vemtora::plot::testing
