// The one main window: owns the controller, its timers and the client area, and serves the
// controller as its ShellServices.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QTimer>

#include <functional>

#include "about_box.h"
#include "core/acquisition_controller.h"
#include "report_view.h"

namespace vemtora {

// The outer size of the window, frame, title bar and menu bar included.
inline constexpr QSize kOuterSize(550, 100);

class MainWindow : public QMainWindow, public ShellServices {
    Q_OBJECT

public:
    using Clock = std::function<LocalTime()>;

    // link and logFile must outlive the window.
    MainWindow(const AcquisitionSettings& settings, SerialLink& link, LogFile& logFile, Clock clock = wallClock);
    ~MainWindow() override;

    const AcquisitionController& controller() const { return controller_; }
    ReportView& reportView() { return *view_; }
    const QTimer& reportTimer() const { return reportTimer_; }
    const QTimer& pollTimer() const { return pollTimer_; }

    LocalTime localTime() override;
    void restartReportTimer(std::int32_t periodMs) override;
    void requestRepaint() override;

    static LocalTime wallClock();

signals:
    // Emitted before the controller shuts down, so an open file dialog can be dismissed.
    void closing();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;

private:
    void onCommand(std::uint16_t command);
    void syncPollTimer();
    void showAbout();
    void fitOuterSize();

    Clock clock_;
    ReportView* view_ = nullptr;
    QTimer pollTimer_;
    QTimer reportTimer_;
    QPointer<AboutBox> about_;
    QSize fittedFrame_{0, 0};  // the frame the outer size was last fitted to
    AcquisitionController controller_;
};

}  // namespace vemtora
