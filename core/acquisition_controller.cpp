#include "acquisition_controller.h"

#include <algorithm>
#include <utility>

namespace vemtora {

AcquisitionController::AcquisitionController(const AcquisitionSettings& settings, SerialLink& serialLink,
                                             LogFile& logFile, ShellServices& shell)
    : settings_(settings), serialLink_(serialLink), logFile_(logFile), shell_(shell) {}

void AcquisitionController::initialise() {
    if (shutDown_) return;
    totals_.clear();
    scanner_ = FrameScanner{};
    collecting_ = false;
    logging_ = false;
    refreshStatus();
}

void AcquisitionController::onPollTick() {
    if (shutDown_ || !collecting_) return;
    const std::size_t count = std::min(serialLink_.poll(receiveBuffer_), kMaxPollBytes);
    scanner_.scan({receiveBuffer_.data(), count},
                  [this](const MeterFrame& frame) { totals_.addFrame(frame, settings_); });
}

void AcquisitionController::onReportTick() {
    if (shutDown_) return;
    const LocalTime now = shell_.localTime();
    texts_.formatTimeText(now);
    if (totals_.frameCount > 0) {
        texts_.formatMeasurementText(totals_);
        if (logging_) logFile_.appendLine(formatLogLine(now, totals_, settings_.logTimeStamp).view());
        if (readingSink_ != nullptr)
            readingSink_->takeReading(makeIntervalReading(now, totals_, settings_.reportIntervalMs));
    }
    totals_.clear();
    shell_.requestRepaint();
}

void AcquisitionController::startCollecting() {
    if (shutDown_) return;
    if (!collecting_) {
        // No frame is pending here: Stop and initialise, the only ways out of collecting, drop it.
        setCollecting(serialLink_.open(portName(settings_), settings_.baudRate));
    }
    refreshStatus();
}

void AcquisitionController::stopCollecting() {
    if (shutDown_) return;
    if (collecting_) {
        serialLink_.close();
        setCollecting(false);
        // The port is closed: a frame begun on it cannot go on.
        scanner_.dropPendingFrame();
    }
    refreshStatus();
}

void AcquisitionController::startLogging() {
    if (shutDown_ || choosingFile_) return;
    if (!logging_) {
        // The dialog runs its own message loop: ticks and commands, even shutdown, may arrive meanwhile.
        choosingFile_ = true;
        const auto path = shell_.chooseLogFile();
        choosingFile_ = false;
        if (shutDown_ || !path) return;
        // Another path may have been chosen and opened while the dialog was up.
        if (!logging_) logging_ = logFile_.open(*path);
    }
    refreshStatus();
}

void AcquisitionController::stopLogging() {
    if (shutDown_) return;
    if (logging_) {
        logFile_.close();
        logging_ = false;
    }
    refreshStatus();
}

void AcquisitionController::selectPort(std::uint32_t portIndex) {
    if (shutDown_ || collecting_ || portIndex >= kPortCount) return;
    settings_.portIndex = portIndex;
    settings_.device.reset();
    refreshStatus();
}

void AcquisitionController::selectDevice(NamedDevice device) {
    if (shutDown_ || collecting_) return;
    settings_.device = std::move(device);
    refreshStatus();
}

void AcquisitionController::selectBaudRate(std::int32_t baudRate) {
    if (shutDown_ || collecting_) return;
    settings_.baudRate = baudRate;
    refreshStatus();
}

void AcquisitionController::selectReportInterval(std::int32_t intervalMs) {
    if (shutDown_) return;
    shell_.restartReportTimer(intervalMs);
    settings_.reportIntervalMs = intervalMs;
    refreshStatus();
}

void AcquisitionController::shutdown() {
    if (shutDown_) return;
    shutDown_ = true;
    if (logging_) {
        logFile_.close();
        logging_ = false;
    }
    if (collecting_) {
        serialLink_.close();
        setCollecting(false);
    }
}

void AcquisitionController::setReadingSink(ReadingSink* sink) {
    readingSink_ = sink;
    if (readingSink_ != nullptr) readingSink_->collectingChanged(collecting_);
}

void AcquisitionController::setCollecting(bool collecting) {
    if (collecting == collecting_) return;
    collecting_ = collecting;
    if (readingSink_ != nullptr) readingSink_->collectingChanged(collecting_);
}

void AcquisitionController::refreshStatus() {
    texts_.formatStatusLine(settings_, collecting_, logging_);
    shell_.requestRepaint();
}

}  // namespace vemtora
