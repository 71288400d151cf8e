// The one main window: owns the controller, its timers and the client area, and serves the
// controller as its ShellServices.
#pragma once

#include <QMainWindow>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "about_box.h"
#include "core/acquisition_controller.h"
#include "log_path_dialog.h"
#include "report_view.h"

namespace vemtora {

// The outer size of the window, frame, title bar and menu bar included.
inline constexpr QSize kOuterSize(550, 100);

class MainWindow : public QMainWindow, public ShellServices {
    Q_OBJECT

public:
    using Clock = std::function<LocalTime()>;
    // Where to log; nullopt when cancelled.
    using LogPathChooser = std::function<std::optional<std::wstring>()>;
    // The serial devices present now, for the Port menu.
    using DeviceLister = std::function<std::vector<NamedDevice>()>;
    // Why the port could not be opened, in one sentence, after a Start that failed.
    using FailedStartReason = std::function<std::string()>;

    // link and logFile must outlive the window. Without choosePath the window asks with its own
    // save dialog.
    MainWindow(const AcquisitionSettings& settings, SerialLink& link, LogFile& logFile, LogPathChooser choosePath = {},
               Clock clock = wallClock);
    ~MainWindow() override;

    // The Port menu lists these after COM1 to COM16, asked anew each time it opens.
    void setDeviceLister(DeviceLister listDevices);
    // A Start that cannot open the port says why in a message beside the window.
    void setFailedStartReason(FailedStartReason reason);

    const AcquisitionController& controller() const { return controller_; }
    ReportView& reportView() { return *view_; }
    const QTimer& reportTimer() const { return reportTimer_; }
    const QTimer& pollTimer() const { return pollTimer_; }

    LocalTime localTime() override;
    std::optional<std::wstring> chooseLogFile() override;
    void restartReportTimer(std::int32_t periodMs) override;
    void requestRepaint() override;

    static LocalTime wallClock();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;

private:
    void onCommand(std::uint16_t command);
    void syncPollTimer();
    void showAbout();
    void fitOuterSize();
    void refreshDeviceItems();
    void tellFailedStart();

    Clock clock_;
    LogPathChooser choosePath_;
    LogPathDialog pathDialog_;
    ReportView* view_ = nullptr;
    QTimer pollTimer_;
    QTimer reportTimer_;
    QPointer<AboutBox> about_;
    DeviceLister listDevices_;
    FailedStartReason failedStartReason_;
    QMenu* portMenu_ = nullptr;
    std::vector<QAction*> deviceItems_;  // the Port menu's entries after COM16
    QPointer<QMessageBox> failedStart_;
    QSize fittedFrame_{0, 0};  // the frame the outer size was last fitted to
    AcquisitionController controller_;
};

}  // namespace vemtora
