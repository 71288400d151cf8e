#include "plot_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeySequence>
#include <QMenuBar>
#include <QMessageBox>
#include <QSettings>
#include <QStatusBar>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "chart_export.h"
#include "plot/headless/log_files.h"
#include "plot/series/decimation.h"
#include "plot/series/statistics.h"
#include "plot/series/statistics_text.h"
#include "plot/series/time_axis.h"
#include "resources/qt_icon/app_icon.h"

namespace vemtora::plot {

namespace {

constexpr double kKeyZoom = 0.5;
constexpr double kKeyPan = 0.2;
constexpr int kMinimumChartWidth = 600;
constexpr double kNone = std::numeric_limits<double>::quiet_NaN();

QSettings settings() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Vemtora"),
                     QStringLiteral("vemtora-plot"));
}
const QString kRecentKey = QStringLiteral("recentFiles");

QString valueText(float value, int decimals) {
    if (!std::isfinite(value)) return QString::number(static_cast<double>(value));
    // The log's own decimals; scientific where the log itself would have switched.
    return std::abs(value) < 1e15f ? QString::number(value, 'f', decimals) : QString::number(value, 'g', 7);
}

QString counted(std::uint64_t count, const char* one, const char* many) {
    return QStringLiteral("%1 %2").arg(count).arg(QLatin1String(count == 1 ? one : many));
}

}  // namespace

PlotWindow::PlotWindow(QWidget* parent)
    : QMainWindow(parent),
      charts_(new ChartStack(follower_.store(), view_, this)),
      readout_(new QLabel(this)),
      counts_(new QLabel(this)),
      hoveredSeconds_(kNone) {
    setWindowTitle(QStringLiteral("Vemtora Plot"));
    setWindowIcon(appIcon());
    setCentralWidget(charts_);
    statusBar()->addWidget(readout_, 1);
    statusBar()->addPermanentWidget(counts_);
    buildMenus();
    connect(&follower_, &LogFollower::samplesChanged, this, &PlotWindow::samplesChanged);
    connect(charts_, &ChartStack::hovered, this, &PlotWindow::showReadout);
    connect(charts_, &ChartStack::selectionDragged, this, &PlotWindow::select);
    connect(charts_, &ChartStack::clicked, this, [this] { select(kNone, kNone); });
    connect(charts_, &ChartStack::viewChanged, this, &PlotWindow::showFollowing);
    charts_->setMinimumWidth(kMinimumChartWidth);  // the height follows from the charts' own minimums
    resize(1000, 700);
    updateCounts();
}

void PlotWindow::buildMenus() {
    QMenu* file = menuBar()->addMenu(tr("&File"));
    QAction* open = file->addAction(tr("&Open..."), this, &PlotWindow::chooseLog);
    open->setShortcut(QKeySequence::Open);
    recentMenu_ = file->addMenu(tr("Open &Recent"));
    connect(recentMenu_, &QMenu::aboutToShow, this, &PlotWindow::fillRecentMenu);
    fillRecentMenu();
    file->addAction(tr("Save Range As &Log..."), this, &PlotWindow::chooseRangeFile)->setShortcut(QKeySequence::SaveAs);
    file->addAction(tr("Export as &PNG..."), this,
                    [this] { chooseExport(QStringLiteral("png"), tr("PNG pictures (*.png)")); });
    file->addAction(tr("Export as &SVG..."), this,
                    [this] { chooseExport(QStringLiteral("svg"), tr("SVG drawings (*.svg)")); });
    file->addAction(tr("Export as &CSV..."), this,
                    [this] { chooseExport(QStringLiteral("csv"), tr("Comma-separated values (*.csv)")); });
    file->addSeparator();
    QAction* quit = file->addAction(tr("&Quit"), this, &QWidget::close);
    quit->setShortcut(QKeySequence::Quit);

    QMenu* view = menuBar()->addMenu(tr("&View"));
    view->addAction(tr("Zoom &In"), this, [this] { zoomByKey(kKeyZoom); })
        ->setShortcuts({QKeySequence(Qt::Key_Plus), QKeySequence(Qt::Key_Equal), QKeySequence::ZoomIn});
    view->addAction(tr("Zoom &Out"), this, [this] { zoomByKey(1 / kKeyZoom); })
        ->setShortcuts({QKeySequence(Qt::Key_Minus), QKeySequence::ZoomOut});
    view->addAction(tr("Pan &Left"), this, [this] { panByKey(-kKeyPan); })->setShortcut(Qt::Key_Left);
    view->addAction(tr("Pan &Right"), this, [this] { panByKey(kKeyPan); })->setShortcut(Qt::Key_Right);
    view->addAction(tr("&Whole Log"), this, &PlotWindow::resetView)
        ->setShortcuts({QKeySequence(Qt::Key_Home), QKeySequence(Qt::Key_0), QKeySequence(Qt::Key_R)});
    view->addAction(tr("Fit &Values"), charts_, &ChartStack::fitValues)->setShortcut(Qt::Key_V);
    follow_ = view->addAction(tr("&Follow"));
    follow_->setCheckable(true);
    follow_->setShortcut(Qt::Key_F);
    connect(follow_, &QAction::triggered, this, [this](bool on) {
        view_.follow(on);
        charts_->refresh();
    });
    view->addAction(tr("Go to the &End"), this,
                    [this] {
                        view_.follow(true);
                        charts_->refresh();
                    })
        ->setShortcut(Qt::Key_End);
    view->addSeparator();
    view->addAction(tr("&Clear Selection"), this, [this] { select(kNone, kNone); })->setShortcut(Qt::Key_Escape);

    QMenu* help = menuBar()->addMenu(tr("&Help"));
    help->addAction(tr("&About"), this, &PlotWindow::showAbout);
}

bool PlotWindow::openLogs(const QStringList& paths, QString* error, bool waitIfMissing) {
    QString failed;
    const int failure = follower_.open(paths, waitIfMissing, &failed);
    if (failure != 0) {
        if (error)
            *error = paths.size() > 1
                         ? QStringLiteral("%1: %2").arg(failed, QString::fromLocal8Bit(std::strerror(failure)))
                         : QString::fromLocal8Bit(std::strerror(failure));
        return false;
    }
    QStringList names;
    for (const QString& path : paths) names << QFileInfo(path).fileName();
    setWindowTitle(QStringLiteral("%1 \u2013 Vemtora Plot").arg(names.join(QStringLiteral(", "))));
    rememberRecent(paths.back());
    return true;
}

void PlotWindow::closeEvent(QCloseEvent* event) {
    follower_.stop();  // nothing more to read once the window is gone
    QMainWindow::closeEvent(event);
}

QStringList PlotWindow::recentFiles() const { return settings().value(kRecentKey).toStringList(); }

void PlotWindow::rememberRecent(const QString& path) {
    QStringList recent = recentFiles();
    const QString absolute = QFileInfo(path).absoluteFilePath();
    recent.removeAll(absolute);
    recent.prepend(absolute);
    while (recent.size() > kRecentFiles) recent.removeLast();
    settings().setValue(kRecentKey, recent);
}

void PlotWindow::fillRecentMenu() {
    recentMenu_->clear();
    const QStringList recent = recentFiles();
    for (qsizetype i = 0; i < recent.size(); ++i) {
        const QFileInfo file(recent[i]);
        // A log moved or deleted since stays listed, greyed, until newer ones push it out.
        const bool there = file.isFile();
        QAction* action = recentMenu_->addAction(
            QStringLiteral("&%1  %2%3").arg(i + 1).arg(file.fileName(), there ? QString() : tr(" (missing)")), this,
            [this, path = recent[i]] { openRecent(path); });
        action->setToolTip(recent[i]);
        action->setEnabled(there);
    }
    if (recent.isEmpty()) recentMenu_->addAction(tr("No recent logs"))->setEnabled(false);
    recentMenu_->addSeparator();
    recentMenu_->addAction(tr("&Clear Menu"), this, [] { settings().remove(kRecentKey); })
        ->setEnabled(!recent.isEmpty());
}

void PlotWindow::openRecent(const QString& path) {
    QString error;
    if (openLog(path, &error)) return;
    QStringList recent = recentFiles();
    recent.removeAll(path);
    settings().setValue(kRecentKey, recent);
    QMessageBox::warning(this, tr("Open Log"), tr("Cannot open %1: %2").arg(path, error));
}

void PlotWindow::select(double from, double to) { charts_->showSelection(from, to); }

bool PlotWindow::saveRangeAsLog(const QString& path, QString* error) {
    return writeRange(path, LineFormat::AsLogged, error);
}

bool PlotWindow::exportCsv(const QString& path, QString* error) { return writeRange(path, LineFormat::Csv, error); }

bool PlotWindow::writeRange(const QString& path, LineFormat format, QString* error) {
    auto fail = [error](const QString& reason) {
        if (error) *error = reason;
        return false;
    };
    const SampleStore& store = follower_.store();
    if (follower_.path().isEmpty() || store.empty()) return fail(tr("no samples to save"));
    const SampleSpan span = charts_->hasSelection()
                                ? samplesBetween(store, charts_->selectionFrom(), charts_->selectionTo())
                                : samplesInView(store, view_.from(), view_.to());
    if (span.begin >= span.end) return fail(tr("no samples in the range"));
    const std::string problem =
        writeSampleLines(follower_.sources(), std::span(&span, 1), QFile::encodeName(path).toStdString(), format);
    if (!problem.empty()) return fail(QString::fromLocal8Bit(problem.c_str()));
    return true;
}

void PlotWindow::chooseRangeFile() {
    const QString path = QFileDialog::getSaveFileName(this, tr("Save Range As Log"), QFileInfo(follower_.path()).path(),
                                                      tr("Vemtora logs (*.log);;All files (*)"));
    if (path.isEmpty()) return;
    QString error;
    if (!saveRangeAsLog(path, &error))
        QMessageBox::warning(this, tr("Save Range As Log"), tr("Not saved: %1").arg(error));
}

void PlotWindow::showFollowing() {
    const QSignalBlocker quiet(follow_);
    follow_->setChecked(view_.following());
    // A sample under the mouse that the view has left is no longer read out.
    showReadout(hoveredSeconds_);
}

bool PlotWindow::exportView(const QString& path, QString* error) {
    if (path.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive)) return exportCsv(path, error);
    const bool svg = path.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive);
    const bool saved = svg ? exportSvg(*charts_, path, windowTitle()) : exportPng(*charts_, path);
    if (!saved && error) *error = tr("could not write %1").arg(path);
    return saved;
}

void PlotWindow::chooseLog() {
    const QString path = QFileDialog::getOpenFileName(this, tr("Open Log"), QFileInfo(follower_.path()).path(),
                                                      tr("Vemtora logs (*.log *.txt);;All files (*)"));
    if (path.isEmpty()) return;
    QString error;
    if (!openLog(path, &error)) QMessageBox::warning(this, tr("Open Log"), tr("Cannot open %1: %2").arg(path, error));
}

void PlotWindow::chooseExport(const QString& suffix, const QString& filter) {
    QString path = QFileDialog::getSaveFileName(this, tr("Export View"), QString(), filter);
    if (path.isEmpty()) return;
    if (QFileInfo(path).suffix().compare(suffix, Qt::CaseInsensitive) != 0) path += QLatin1Char('.') + suffix;
    QString error;
    if (!exportView(path, &error)) QMessageBox::warning(this, tr("Export View"), error);
}

void PlotWindow::showAbout() {
    QMessageBox::about(this, tr("About Vemtora Plot"),
                       tr("<b>Vemtora Plot</b> %1<br>Draws a Vemtora log as a graph and follows it while it grows.")
                           .arg(QApplication::applicationVersion()));
}

void PlotWindow::samplesChanged(bool restarted) {
    const SampleStore& store = follower_.store();
    if (store.empty()) {
        view_.clearData();
    } else {
        if (restarted) view_.showAll();
        view_.setData(static_cast<double>(store.tenths().front()) / 10.0,
                      static_cast<double>(store.tenths().back()) / 10.0);
    }
    charts_->setDated(follower_.reader().dated());
    if (restarted) {
        charts_->showSelection(kNone, kNone);
        charts_->refresh();
    } else {
        charts_->samplesAppended();
    }
    updateCounts();
}

void PlotWindow::zoomByKey(double factor) {
    hoveredSeconds_ = kNone;  // the mouse is over another time now; its next move reads it out
    // At the live end the end stays put, so the view keeps following.
    view_.zoom(factor, view_.showsEnd() ? view_.to() : (view_.from() + view_.to()) / 2);
    charts_->refresh();
}

void PlotWindow::panByKey(double fraction) {
    hoveredSeconds_ = kNone;
    view_.pan(fraction);
    charts_->refresh();
}

void PlotWindow::resetView() {
    view_.showAll();
    charts_->fitValues();
}

void PlotWindow::showReadout(double seconds) {
    hoveredSeconds_ = seconds;
    charts_->showCursor(seconds);
    const SampleStore& store = follower_.store();
    if (!std::isfinite(seconds) || store.empty()) {
        readout_->clear();
        return;
    }
    const std::size_t i = nearestIndex(store.tenths(), seconds);
    const double at = static_cast<double>(store.tenths()[i]) / 10.0;
    if (at < view_.from() || at > view_.to()) {
        readout_->clear();
        return;
    }
    QString text = QString::fromStdString(
        stampLabel(store.clockOf(i), follower_.reader().dated(), store.segmentOf(i).utcOffsetMinutes));
    for (Quantity quantity : kQuantities) {
        text += QStringLiteral("    %1 %2")
                    .arg(valueText(store.values(quantity)[i], decimalsOf(quantity)), QLatin1String(unitOf(quantity)));
    }
    readout_->setText(text);
}

void PlotWindow::updateCounts() {
    if (follower_.waiting()) {
        counts_->setText(tr("waiting for %1 to appear").arg(QFileInfo(follower_.path()).fileName()));
        return;
    }
    if (!follower_.isOpen()) {
        counts_->setText(tr("No log open: File > Open"));
        return;
    }
    QStringList parts;
    parts << counted(follower_.store().size(), "sample", "samples");
    if (follower_.reader().skippedLines() > 0) {
        parts << counted(follower_.reader().skippedLines(), "line skipped", "lines skipped");
    }
    if (!follower_.store().clockSteps().empty()) {
        parts << counted(follower_.store().clockSteps().size(), "clock step", "clock steps");
    }
    if (follower_.catchingUp()) {
        parts << tr("reading\u2026");
    } else if (const std::string problem = logProblem(follower_.reader()); !problem.empty()) {
        parts << QString::fromStdString(problem);
    }
    if (follower_.restarts() > 0) parts << tr("cut back or replaced: read again from its start");
    if (follower_.nameGone()) parts << tr("file removed");
    if (follower_.readError() != 0) parts << QString::fromLocal8Bit(std::strerror(follower_.readError()));
    counts_->setText(parts.join(QStringLiteral("  \u00b7  ")));
}

}  // namespace vemtora::plot
