// The working core: settings, the collecting and logging states, the totals and the texts,
// driven by the poll tick, the report tick and the menu commands.
#pragma once

#include "acquisition_settings.h"
#include "controller_interfaces.h"
#include "frame_scanner.h"
#include "meter_frame.h"
#include "report_texts.h"

namespace vemtora {

inline constexpr std::int32_t kPollPeriodMs = 25;

class AcquisitionController {
public:
    // The three implementations must outlive the controller. The settings are the first state:
    // port, speed, interval and scales.
    AcquisitionController(const AcquisitionSettings& settings, SerialLink& serialLink, LogFile& logFile,
                          ShellServices& shell);

    AcquisitionController(const AcquisitionController&) = delete;
    AcquisitionController& operator=(const AcquisitionController&) = delete;

    // Told of every interval's reading from then on; nullptr for none. Must outlive the controller.
    void setReadingSink(ReadingSink* sink);

    void initialise();
    void onPollTick();
    void onReportTick();

    void startCollecting();
    void stopCollecting();
    void startLogging();
    void stopLogging();
    void selectPort(std::uint32_t portIndex);
    // As selectPort: a device by its path instead of a COM name, for the next Start.
    void selectDevice(NamedDevice device);
    void selectBaudRate(std::int32_t baudRate);
    void selectReportInterval(std::int32_t intervalMs);

    // Closes what is open; after it every operation is ignored.
    void shutdown();

    const ReportTexts& texts() const { return texts_; }
    const AcquisitionSettings& settings() const { return settings_; }
    std::int32_t reportIntervalMs() const { return settings_.reportIntervalMs; }
    bool collecting() const { return collecting_; }
    bool logging() const { return logging_; }
    const IntervalAccumulator& totals() const { return totals_; }
    // A frame begun on the line and not yet ended.
    bool framePending() const { return scanner_.hasPendingFrame(); }
    bool isShutDown() const { return shutDown_; }

private:
    void refreshStatus();
    void setCollecting(bool collecting);

    AcquisitionSettings settings_;
    bool collecting_ = false;
    bool logging_ = false;
    bool choosingFile_ = false;
    bool shutDown_ = false;
    FrameScanner scanner_;
    IntervalAccumulator totals_;
    ReportTexts texts_;
    ReceiveBuffer receiveBuffer_{};
    SerialLink& serialLink_;
    LogFile& logFile_;
    ShellServices& shell_;
    ReadingSink* readingSink_ = nullptr;
};

}  // namespace vemtora
