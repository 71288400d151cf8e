// vemtora-plot's main window: the chart stack, its menus and keys, and a status bar with the readout.
#pragma once

#include <QAction>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QStringList>

#include "chart_stack.h"
#include "log_follower.h"
#include "plot/headless/sample_lines.h"
#include "plot/series/view_range.h"

namespace vemtora::plot {

namespace testing {
class PlotPeer;
}

class PlotWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit PlotWindow(QWidget* parent = nullptr);

    // Files read as one log, the last followed. On failure returns the reason, and the log shown
    // before stays.
    bool openLogs(const QStringList& paths, QString* error, bool waitIfMissing = false);
    bool openLog(const QString& path, QString* error, bool waitIfMissing = false) {
        return openLogs({path}, error, waitIfMissing);
    }
    bool exportView(const QString& path, QString* error);  // PNG or SVG by the name's ending
    // The selected stretch, or else the one in view, as a log of its own (the log's own lines) or
    // as comma-separated values.
    bool saveRangeAsLog(const QString& path, QString* error);
    bool exportCsv(const QString& path, QString* error);
    // Shift+drag does the same; NaN clears it, as Esc and a click do.
    void select(double from, double to);

    static constexpr int kRecentFiles = 8;
    QStringList recentFiles() const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    friend class testing::PlotPeer;  // looks into the window's parts, for its tests

    void buildMenus();
    void fillRecentMenu();
    void rememberRecent(const QString& path);
    void openRecent(const QString& path);
    void chooseRangeFile();
    bool writeRange(const QString& path, LineFormat format, QString* error);
    void showFollowing();
    void chooseLog();
    void chooseExport(const QString& suffix, const QString& filter);
    void showAbout();
    void samplesChanged(bool restarted);
    void zoomByKey(double factor);
    void panByKey(double fraction);
    void resetView();
    void showReadout(double seconds);
    void updateCounts();

    LogFollower follower_;
    ViewRange view_;
    ChartStack* charts_;
    QLabel* readout_;
    QLabel* counts_;
    QMenu* recentMenu_ = nullptr;
    QAction* follow_ = nullptr;
    double hoveredSeconds_;
};

}  // namespace vemtora::plot
