// The window's client area: fonts, where each text lands, repaints on resize and on ticks.
#include <QElapsedTimer>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QPaintEvent>
#include <QTest>

#include "shell/qt/report_view.h"
#include "shell_fixture.h"
#include "shell_tests.h"

namespace vemtora::testing {

bool PaintRecorder::eventFilter(QObject*, QEvent* event) {
    if (event->type() == QEvent::Paint) {
        ++paints;
        lastRegion = static_cast<QPaintEvent*>(event)->region();
    }
    return false;
}

namespace {

QImage grabView(MainWindow& window) { return window.reportView().grab().toImage(); }

QRgb background(MainWindow& window) {
    return window.reportView().palette().color(window.reportView().backgroundRole()).rgb();
}

void feedFrames(ShellUnderTest& shell, int count) {
    for (int i = 0; i < count; ++i) shell.link.pending.emplace_back(kFrame);
}

}  // namespace

void WindowPaintTest::fontsHaveTheirLineHeights() {
    ShellUnderTest shell;
    const ReportFonts& fonts = shell.window->reportView().fonts();
    const struct {
        const char* name;
        QFont font;
        int lineHeight;
    } rows[] = {{"time", fonts.time, 20}, {"measurement", fonts.measurement, 40}, {"status", fonts.status, 15}};
    for (const auto& row : rows) {
        QFont larger = row.font;
        larger.setPixelSize(row.font.pixelSize() + 1);
        QVERIFY2(QFontMetrics(row.font).height() <= row.lineHeight, row.name);
        QVERIFY2(QFontMetrics(larger).height() > row.lineHeight, row.name);  // no smaller than it need be
        if (QFontDatabase::hasFamily(QStringLiteral("IPAGothic"))) {
            QCOMPARE(QFontInfo(row.font).family(), QStringLiteral("IPAGothic"));
        }
    }
}

void WindowPaintTest::textsArePaintedInTheirPlaces() {
    ShellUnderTest shell;
    MainWindow& window = *shell.window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QRgb paper = background(window);

    // Only the status line exists at first: ink along the bottom left, nowhere else.
    QImage image = grabView(window);
    const QRect all = image.rect();
    QRect ink = inkBounds(image, all, paper);
    QVERIFY(!ink.isEmpty());
    QVERIFY2(ink.top() >= all.height() - kStatusLineHeight, qPrintable(QStringLiteral("top %1").arg(ink.top())));
    QVERIFY(ink.left() <= 3);
    QVERIFY(ink.right() < all.width() / 2);

    // The first report tick brings the clock: a single line at the top left.
    QTRY_VERIFY_WITH_TIMEOUT(!shell.time().empty(), 3000);
    image = grabView(window);
    ink = inkBounds(image, QRect(0, 0, all.width(), all.height() - kStatusLineHeight), paper);
    QVERIFY(!ink.isEmpty());
    QVERIFY(ink.left() <= 3);
    QVERIFY(ink.top() <= 6);
    QVERIFY(ink.bottom() < kTimeLineHeight);
    QVERIFY(ink.right() < all.width() / 2);

    // Frames bring the averages, right-aligned from the top.
    feedFrames(shell, 3);
    QVERIFY(trigger(window, {QStringLiteral("Data Collect"), QStringLiteral("Start")}));
    QTRY_VERIFY_WITH_TIMEOUT(!shell.measurement().empty(), 3000);
    image = grabView(window);
    ink = inkBounds(image, QRect(all.width() / 2, 0, all.width() / 2, kMeasurementLineHeight), paper);
    QVERIFY(!ink.isEmpty());
    QVERIFY2(ink.right() >= all.width() - 4, qPrintable(QStringLiteral("right %1").arg(ink.right())));
    QVERIFY(ink.top() <= 12);
}

void WindowPaintTest::resizeRepaintsTheWholeClientArea() {
    ShellUnderTest shell;
    MainWindow& window = *shell.window;
    feedFrames(shell, 2);
    QVERIFY(trigger(window, {QStringLiteral("Data Collect"), QStringLiteral("Start")}));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTRY_VERIFY_WITH_TIMEOUT(!shell.measurement().empty(), 3000);

    PaintRecorder recorder(window.reportView());
    window.resize(700, 220);
    QTRY_VERIFY_WITH_TIMEOUT(recorder.paints > 0 && recorder.lastRegion.contains(window.reportView().rect()), 3000);

    // Tall enough now for the second measurement line, and the status line follows the bottom.
    const QImage image = grabView(window);
    const QRect all = image.rect();
    const QRgb paper = background(window);
    QCOMPARE(all.width(), 700);
    const QRect secondLine =
        inkBounds(image, QRect(all.width() / 2, kMeasurementLineHeight, all.width() / 2, kMeasurementLineHeight), paper);
    QVERIFY(!secondLine.isEmpty());
    QVERIFY(secondLine.right() >= all.width() - 4);
    const QRect status = inkBounds(image, QRect(0, all.height() - kStatusLineHeight, all.width() / 2, kStatusLineHeight), paper);
    QVERIFY(!status.isEmpty());
    QVERIFY(status.bottom() >= all.height() - 5);
    QVERIFY(inkBounds(image, QRect(0, 2 * kMeasurementLineHeight, all.width(), all.height() - 2 * kMeasurementLineHeight - kStatusLineHeight), paper).isEmpty());
}

void WindowPaintTest::timeAdvancesEveryIntervalWithoutCollecting() {
    ShellUnderTest shell;
    shell.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(shell.window.get()));
    PaintRecorder recorder(shell.window->reportView());
    QVERIFY(trigger(*shell.window, {QStringLiteral("Settings"), QStringLiteral("Interval"), QStringLiteral("0.1sec")}));

    const int before = shell.clockCalls;
    QElapsedTimer elapsed;
    elapsed.start();
    QTRY_VERIFY_WITH_TIMEOUT(shell.clockCalls >= before + 5, 5000);
    // Five ticks of a 100 ms timer cannot come sooner than about 500 ms.
    QVERIFY2(elapsed.elapsed() >= 450, qPrintable(QString::number(elapsed.elapsed())));
    QVERIFY(shell.time() == L"12:34:56.7");
    QVERIFY(shell.measurement().empty());
    QVERIFY(shell.link.pollCount == 0);

    shell.nextTime = {1, 2, 3, 400};
    QTRY_VERIFY_WITH_TIMEOUT(shell.time() == L"01:02:03.4", 2000);
    const int paintsSoFar = recorder.paints;
    QTRY_VERIFY_WITH_TIMEOUT(recorder.paints > paintsSoFar, 2000);
}

void WindowPaintTest::measurementUsesAPointInAnyLocale() {
    ShellUnderTest shell;
    feedFrames(shell, 1);
    QVERIFY(trigger(*shell.window, {QStringLiteral("Data Collect"), QStringLiteral("Start")}));
    QTRY_VERIFY_WITH_TIMEOUT(!shell.measurement().empty(), 3000);
    QCOMPARE(toDisplayText(shell.window->controller().texts().measurementText.view()),
             QStringLiteral("64.6 1.94 125.3\n64.6 1.94 125.3 1"));
}

}  // namespace vemtora::testing
