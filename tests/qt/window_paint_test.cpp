// The window's client area: fonts, where each text lands, repaints on resize and on ticks.
#include <QElapsedTimer>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QPaintEvent>
#include <QScreen>
#include <QTest>

#include "shell/qt/laid_out_text.h"
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

// The client area as it is on the screen now: what earlier paints left there.
QImage onScreen(MainWindow& window) {
    ReportView& view = window.reportView();
    const QPoint at = view.mapTo(&window, QPoint(0, 0));
    return window.screen()
        ->grabWindow(window.winId(), at.x(), at.y(), view.width(), view.height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

// The client area painted whole, from nothing.
QImage paintedWhole(MainWindow& window) {
    return window.reportView().grab().toImage().convertToFormat(QImage::Format_RGB32);
}

void showAtTenthSeconds(ShellUnderTest& shell) {
    shell.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(shell.window.get()));
    QVERIFY(trigger(*shell.window, {QStringLiteral("Settings"), QStringLiteral("Interval"), QStringLiteral("0.1sec")}));
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

void WindowPaintTest::laidOutTextDrawsAsDrawTextDoes_data() {
    QTest::addColumn<int>("line");  // the font's line height
    QTest::addColumn<int>("flags");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QSize>("area");
    const int clock = Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine;
    const int averages = Qt::AlignRight | Qt::AlignTop;
    const int status = Qt::AlignLeft | Qt::AlignBottom | Qt::TextSingleLine;
    const QString twoLines = QStringLiteral("64.6 1.94 125.3\n129.2 3.88 250.6 2");
    QTest::newRow("clock") << kTimeLineHeight << clock << QStringLiteral("12:34:56.7") << QSize(550, 75);
    QTest::newRow("averages, second line cut") << kMeasurementLineHeight << averages << twoLines << QSize(550, 75);
    QTest::newRow("averages, both lines") << kMeasurementLineHeight << averages << twoLines << QSize(550, 200);
    QTest::newRow("averages, wider than the area") << kMeasurementLineHeight << averages << twoLines << QSize(120, 200);
    QTest::newRow("averages, one line") << kMeasurementLineHeight << averages << QStringLiteral("-1.5e+38 0.00 7")
                                        << QSize(550, 75);
    QTest::newRow("status") << kStatusLineHeight << status << QStringLiteral("COM16 38400bps 0.1sec Xfer Save")
                            << QSize(550, 75);
    QTest::newRow("status, line feed and CR read as blanks")
        << kStatusLineHeight << status << QStringLiteral("COM5\n9600bps\r0.5sec ") << QSize(550, 75);
    QTest::newRow("status, taller than the area")
        << kStatusLineHeight << status << QStringLiteral("COM5 9600bps") << QSize(550, 10);
    QTest::newRow("Japanese") << kMeasurementLineHeight << averages << QStringLiteral("ファイル\nバージョン情報")
                              << QSize(550, 200);
}

// The window lays its texts out once and draws the lines; the pixels must be drawText's own.
void WindowPaintTest::laidOutTextDrawsAsDrawTextDoes() {
    QFETCH(int, line);
    QFETCH(int, flags);
    QFETCH(QString, text);
    QFETCH(QSize, area);
    const QFont font = fontWithLineHeight(reportFontFamily(), line);
    const QRect rect(QPoint(0, 0), area);
    QImage expected(area, QImage::Format_RGB32), drawn(area, QImage::Format_RGB32);
    expected.fill(Qt::white);
    drawn.fill(Qt::white);
    QRect expectedBox;
    {
        QPainter painter(&expected);
        painter.setFont(font);
        painter.drawText(rect, flags, text, &expectedBox);
    }
    LaidOutText laidOut(font, flags);
    const QRegion changed = laidOut.lay(text, rect);
    {
        QPainter painter(&drawn);
        laidOut.draw(painter, QRegion(rect));
    }
    QCOMPARE(drawn, expected);
    QCOMPARE(laidOut.box(), expectedBox);
    // Everything drawn lies in what the text said changed, when it came.
    const QRect ink = inkBounds(expected, rect, QColor(Qt::white).rgb());
    QVERIFY(ink.isEmpty() || changed.intersected(rect).boundingRect().contains(ink));
    QVERIFY(laidOut.lay(text, rect).isEmpty());  // the same again changes nothing
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

// At the first size the averages' second line peeks out at the bottom: beside the status line,
// never over it. The status line must read exactly as it does in a window with no averages.
void WindowPaintTest::noTextCoversAnotherAtTheFirstSize() {
    ShellUnderTest busy;
    ShellUnderTest quiet;
    feedFrames(busy, 10);
    for (ShellUnderTest* shell : {&busy, &quiet}) {
        shell->window->show();
        QVERIFY(QTest::qWaitForWindowExposed(shell->window.get()));
        QVERIFY(trigger(*shell->window,
                        {QStringLiteral("ファイル(&F)"), QStringLiteral("Log File"), QStringLiteral("Save")}));
        QVERIFY(trigger(*shell->window, {QStringLiteral("Data Collect"), QStringLiteral("Start")}));
    }
    QTRY_VERIFY_WITH_TIMEOUT(busy.measurement().ends_with(L" 10"), 3000);
    const QImage crowded = grabView(*busy.window);
    const QImage alone = grabView(*quiet.window);
    QCOMPARE(crowded.size(), alone.size());
    const QRgb paper = background(*busy.window);
    const QRect band(0, alone.height() - kStatusLineHeight, alone.width(), kStatusLineHeight);
    const QRect status = inkBounds(alone, band, paper);
    QVERIFY(!status.isEmpty());
    QVERIFY2(crowded.copy(status) == alone.copy(status), "the status line is drawn over");
    const QRect besideStatus(status.right() + 4, kMeasurementLineHeight, alone.width() - status.right() - 4,
                             alone.height() - kMeasurementLineHeight);
    QVERIFY2(!inkBounds(crowded, besideStatus, paper).isEmpty(), "the totals line does not peek out");
    // The clock and the averages' first line stand apart.
    const QRect clock = inkBounds(crowded, QRect(0, 0, alone.width() / 3, kTimeLineHeight), paper);
    const QRect averages = inkBounds(
        crowded, QRect(clock.right() + 1, 0, alone.width() - clock.right() - 1, kMeasurementLineHeight), paper);
    QVERIFY(!clock.isEmpty() && !averages.isEmpty());
    QVERIFY(averages.left() > clock.right() + 8);
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
    const QRect secondLine = inkBounds(
        image, QRect(all.width() / 2, kMeasurementLineHeight, all.width() / 2, kMeasurementLineHeight), paper);
    QVERIFY(!secondLine.isEmpty());
    QVERIFY(secondLine.right() >= all.width() - 4);
    const QRect status =
        inkBounds(image, QRect(0, all.height() - kStatusLineHeight, all.width() / 2, kStatusLineHeight), paper);
    QVERIFY(!status.isEmpty());
    QVERIFY(status.bottom() >= all.height() - 5);
    QVERIFY(inkBounds(image,
                      QRect(0, 2 * kMeasurementLineHeight, all.width(),
                            all.height() - 2 * kMeasurementLineHeight - kStatusLineHeight),
                      paper)
                .isEmpty());
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
    QTRY_COMPARE_WITH_TIMEOUT(onScreen(*shell.window), paintedWhole(*shell.window), 2000);
}

void WindowPaintTest::onlyWhatChangedIsRepainted() {
    ShellUnderTest shell;
    showAtTenthSeconds(shell);
    QTRY_VERIFY_WITH_TIMEOUT(shell.time() == L"12:34:56.7", 2000);
    QTest::qWait(150);  // whatever the first tick made to paint is painted

    // Ticks that change no text change nothing on the screen: nothing to paint.
    PaintRecorder recorder(shell.window->reportView());
    const int ticksBefore = shell.clockCalls;
    QTest::qWait(400);
    QVERIFY2(shell.clockCalls >= ticksBefore + 2, "no ticks");
    QCOMPARE(recorder.paints, 0);

    // A new time repaints the clock's corner, not the status line along the bottom.
    shell.nextTime = {1, 2, 3, 400};
    QTRY_VERIFY_WITH_TIMEOUT(recorder.paints > 0, 2000);
    const QRect view = shell.window->reportView().rect();
    QVERIFY(recorder.lastRegion.intersects(QRect(0, 0, 10, kTimeLineHeight)));
    QVERIFY(
        !recorder.lastRegion.intersects(QRect(0, view.height() - kStatusLineHeight, view.width(), kStatusLineHeight)));
    QVERIFY(!recorder.lastRegion.intersects(QRect(view.width() - 10, 0, 10, view.height())));
}

void WindowPaintTest::changedStretchRepaintsAsAWholeLayoutWould_data() {
    QTest::addColumn<int>("line");
    QTest::addColumn<int>("flags");
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    QTest::addColumn<int>("keptLeft");  // pixels at the left the change must leave alone (words: none)
    const int clock = Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine;
    const int averages = Qt::AlignRight | Qt::AlignTop;
    const int status = Qt::AlignLeft | Qt::AlignBottom | Qt::TextSingleLine;
    const QString averagesLine = QStringLiteral("64.6 1.94 125.3\n");
    QTest::newRow("clock, a tenth") << kTimeLineHeight << clock << QStringLiteral("12:34:56.7")
                                    << QStringLiteral("12:34:56.8") << 60;
    QTest::newRow("clock, a minute") << kTimeLineHeight << clock << QStringLiteral("12:34:59.9")
                                     << QStringLiteral("12:35:00.0") << 30;
    QTest::newRow("clock, all digits") << kTimeLineHeight << clock << QStringLiteral("12:34:56.7")
                                       << QStringLiteral("01:02:03.4") << 0;
    QTest::newRow("totals, new frame count")
        << kMeasurementLineHeight << averages << averagesLine + "129.2 3.88 250.6 2"
        << averagesLine + "193.8 5.82 375.9 3" << 0;
    QTest::newRow("totals, wider") << kMeasurementLineHeight << averages << averagesLine + "9.2 3.88 250.6 2"
                                   << averagesLine + "19.2 3.88 250.6 2" << 0;
    QTest::newRow("totals, kept digits moved")
        << kMeasurementLineHeight << averages << averagesLine + "12.5 3.88 250.6 7"
        << averagesLine + "12.75 3.88 250.6 7" << 0;
    QTest::newRow("status, a word more") << kStatusLineHeight << status << QStringLiteral("COM5 38400bps 0.1sec")
                                         << QStringLiteral("COM5 38400bps 0.1sec Xfer") << 0;
    QTest::newRow("combining mark over a kept letter")
        << kStatusLineHeight << status << QStringLiteral("Save e") << QStringLiteral("Save e\u0301") << 0;
}

// The stretch a change repaints, erased and drawn over the old text, must give the pixels of
// the new text drawn whole, and leave the unchanged beginning of a line out of it.
void WindowPaintTest::changedStretchRepaintsAsAWholeLayoutWould() {
    QFETCH(int, line);
    QFETCH(int, flags);
    QFETCH(QString, before);
    QFETCH(QString, after);
    QFETCH(int, keptLeft);
    const QFont font = fontWithLineHeight(reportFontFamily(), line);
    const QRect rect(0, 0, 550, 200);
    QImage screen(rect.size(), QImage::Format_RGB32), whole(rect.size(), QImage::Format_RGB32);
    screen.fill(Qt::white);
    whole.fill(Qt::white);
    LaidOutText laidOut(font, flags);
    laidOut.lay(before, rect);
    {
        QPainter painter(&screen);
        laidOut.draw(painter, QRegion(rect));
    }
    const QRegion changed = laidOut.lay(after, rect) & rect;
    QVERIFY(!changed.isEmpty());
    {
        QPainter painter(&screen);
        painter.setClipRegion(changed);
        painter.fillRect(rect, Qt::white);
        laidOut.draw(painter, changed);
    }
    {
        QPainter painter(&whole);
        painter.setFont(font);
        painter.drawText(rect, flags, after);
    }
    QCOMPARE(screen, whole);
    QVERIFY2(!changed.intersects(QRect(0, 0, keptLeft, rect.height())),
             qPrintable(QStringLiteral("changed from x %1").arg(changed.boundingRect().left())));
}

void WindowPaintTest::screenShowsEachChangeAsAWholeRepaintWould_data() {
    QTest::addColumn<int>("height");
    QTest::newRow("first size") << 0;
    QTest::newRow("tall enough for the totals") << 200;
}

// A repaint that is lost, or that leaves part of the old text behind, shows as a difference
// between the screen and the client area painted whole.
void WindowPaintTest::screenShowsEachChangeAsAWholeRepaintWould() {
    QFETCH(int, height);
    ShellUnderTest shell;
    MainWindow& window = *shell.window;
    if (height > 0) window.resize(kOuterSize.width(), height);
    showAtTenthSeconds(shell);
    const auto sameAsWhole = [&] { return onScreen(window) == paintedWhole(window); };

    QTRY_VERIFY_WITH_TIMEOUT(shell.time() == L"12:34:56.7", 2000);
    QTRY_VERIFY_WITH_TIMEOUT(sameAsWhole(), 2000);
    shell.nextTime = {1, 2, 3, 400};  // shorter digits where the old ones were
    QTRY_VERIFY_WITH_TIMEOUT(shell.time() == L"01:02:03.4", 2000);
    QTRY_VERIFY_WITH_TIMEOUT(sameAsWhole(), 2000);

    // Start: the status line grows "Xfer", and a frame brings the averages.
    feedFrames(shell, 1);
    QVERIFY(trigger(window, {QStringLiteral("Data Collect"), QStringLiteral("Start")}));
    QTRY_VERIFY_WITH_TIMEOUT(shell.measurement().ends_with(L" 1"), 3000);
    QTRY_VERIFY_WITH_TIMEOUT(sameAsWhole(), 2000);

    // Two frames in one interval: the same averages, only the totals' line changes.
    shell.link.pending.emplace_back(std::string(kFrame) + kFrame);
    QTRY_VERIFY_WITH_TIMEOUT(shell.measurement().ends_with(L" 2"), 3000);
    QTRY_VERIFY_WITH_TIMEOUT(sameAsWhole(), 2000);

    // Stop: the status line shrinks again.
    QVERIFY(trigger(window, {QStringLiteral("Data Collect"), QStringLiteral("Stop")}));
    QTRY_VERIFY_WITH_TIMEOUT(sameAsWhole(), 2000);
    QVERIFY(shell.status().find(L"Xfer") == std::wstring::npos);
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
