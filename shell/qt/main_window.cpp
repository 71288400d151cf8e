#include "main_window.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QMenuBar>
#include <QShortcut>

#include "core/command_dispatch.h"
#include "menu_builder.h"
#include "resources/qt_icon/app_icon.h"

namespace vemtora {

MainWindow::MainWindow(const AcquisitionSettings& settings, SerialLink& link, LogFile& logFile,
                       LogPathChooser choosePath, Clock clock)
    : clock_(std::move(clock)), choosePath_(std::move(choosePath)), controller_(settings, link, logFile, *this) {
    setWindowTitle(QStringLiteral("Vemtora"));
    setWindowIcon(appIcon());
    view_ = new ReportView(controller_.texts(), this);
    setCentralWidget(view_);
    buildMenuBar(*menuBar(), kMenuBar, [this](std::uint16_t command) { onCommand(command); });
    portMenu_ = menuHolding(*menuBar(), toNumber(CommandId::PortFirst));
    if (portMenu_ != nullptr) connect(portMenu_, &QMenu::aboutToShow, this, [this] { refreshDeviceItems(); });

    // Character accelerators: Qt matches them on the character typed, whatever keys produce it.
    for (const QKeyCombination keys : {Qt::ALT | Qt::Key_Question, Qt::ALT | Qt::Key_Slash}) {
        auto* shortcut = new QShortcut(QKeySequence(keys), this);
        connect(shortcut, &QShortcut::activated, this, [this] { onCommand(toNumber(CommandId::About)); });
    }

    pollTimer_.setTimerType(Qt::PreciseTimer);
    reportTimer_.setTimerType(Qt::PreciseTimer);
    connect(&pollTimer_, &QTimer::timeout, this, [this] { controller_.onPollTick(); });
    connect(&reportTimer_, &QTimer::timeout, this, [this] { controller_.onReportTick(); });

    controller_.initialise();
    pollTimer_.setInterval(kPollPeriodMs);
    reportTimer_.start(controller_.reportIntervalMs());
    resize(kOuterSize);
}

MainWindow::~MainWindow() { controller_.shutdown(); }

LocalTime MainWindow::wallClock() {
    // One reading for date and time, so a tick at midnight cannot pair one day's date with the
    // next day's time.
    const QDateTime now = QDateTime::currentDateTime();
    const auto field = [](int value) { return static_cast<std::uint16_t>(value); };
    return {field(now.time().hour()), field(now.time().minute()), field(now.time().second()), field(now.time().msec()),
            field(now.date().year()), field(now.date().month()),  field(now.date().day())};
}

LocalTime MainWindow::localTime() { return clock_(); }

std::optional<std::wstring> MainWindow::chooseLogFile() { return choosePath_ ? choosePath_() : pathDialog_.choose(); }

void MainWindow::restartReportTimer(std::int32_t periodMs) {
    reportTimer_.stop();
    reportTimer_.start(periodMs);
}

void MainWindow::requestRepaint() { view_->refresh(); }

void MainWindow::setDeviceLister(DeviceLister listDevices) { listDevices_ = std::move(listDevices); }

void MainWindow::setFailedStartReason(FailedStartReason reason) { failedStartReason_ = std::move(reason); }

void MainWindow::onCommand(std::uint16_t command) {
    const bool wasCollecting = controller_.collecting();
    switch (dispatchCommand(controller_, command)) {
        case CommandOutcome::ShowAbout: showAbout(); break;
        case CommandOutcome::Exit: close(); break;
        case CommandOutcome::Handled: syncPollTimer(); break;
        case CommandOutcome::Unrecognised: break;
    }
    if (command == toNumber(CommandId::CollectStart) && !wasCollecting && !controller_.collecting()) tellFailedStart();
}

void MainWindow::refreshDeviceItems() {
    for (QAction* item : deviceItems_) {
        portMenu_->removeAction(item);
        item->deleteLater();
    }
    deviceItems_.clear();
    if (!listDevices_) return;
    const std::vector<NamedDevice> devices = listDevices_();
    if (!devices.empty()) deviceItems_.push_back(portMenu_->addSeparator());
    for (const NamedDevice& device : devices) {
        QAction* item = portMenu_->addAction(QString::fromStdWString(device.path));
        connect(item, &QAction::triggered, this, [this, device] { controller_.selectDevice(device); });
        deviceItems_.push_back(item);
    }
}

void MainWindow::tellFailedStart() {
    if (!failedStartReason_) return;
    const QString reason = QString::fromStdString(failedStartReason_());
    if (failedStart_) failedStart_->close();
    // Not modal: the clock, the log and the menus go on while it is read.
    auto* box = new QMessageBox(QMessageBox::Warning, windowTitle(), reason, QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    failedStart_ = box;
    box->show();
}

void MainWindow::syncPollTimer() {
    // A poll does nothing unless collecting: an idle logger need not wake 40 times a second.
    if (controller_.collecting() == pollTimer_.isActive()) return;
    if (controller_.collecting()) {
        pollTimer_.start();
    } else {
        pollTimer_.stop();
    }
}

void MainWindow::showAbout() {
    AboutBox box(*this, view_->mapToGlobal(QPoint(0, 0)));
    about_ = &box;
    box.exec();  // window-modal: its loop keeps the timers running
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // Whatever is open on top must go too, or the application would not see its last window close.
    pathDialog_.dismiss();
    if (about_) about_->reject();
    if (failedStart_) failedStart_->close();
    controller_.shutdown();
    pollTimer_.stop();
    reportTimer_.stop();
    event->accept();
}

bool MainWindow::event(QEvent* event) {
    const bool handled = QMainWindow::event(event);
    // A window manager frames the window some time after it is shown (and moves it then), and
    // may never activate it: the outer size follows the frame whenever the frame changes.
    switch (event->type()) {
        case QEvent::Show:
        case QEvent::Move:
        case QEvent::WindowActivate: fitOuterSize(); break;
        default: break;
    }
    return handled;
}

void MainWindow::fitOuterSize() {
    const QSize frame = frameGeometry().size() - geometry().size();
    if (frame == fittedFrame_) return;
    // Sized since by someone else (the user, a session manager): theirs to keep.
    if (size() != kOuterSize - fittedFrame_) return;
    fittedFrame_ = frame;
    resize(kOuterSize - frame);
}

}  // namespace vemtora
