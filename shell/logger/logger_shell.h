// The logger's shell: serves the controller with a plain loop of timerfd ticks instead of a
// window, and keeps reading through a device that goes away and comes back.
#pragma once

#include "core/acquisition_controller.h"
#include "io/posix/serial_port_link.h"
#include "shell/logger/logger_options.h"
#include "shell/logger/periodic_timer.h"
#include "shell/logger/tee_log_file.h"
#include "shell/logger/termination_signals.h"

namespace vemtora::logger {

inline constexpr std::int32_t kReconnectPeriodMs = 1000;

class LoggerShell final : public ShellServices {
public:
    // link, log and signals must outlive the shell.
    LoggerShell(const LoggerOptions& options, SerialPortLink& link, TeeLogFile& log, TerminationSignals& signals);
    ~LoggerShell() override;

    LoggerShell(const LoggerShell&) = delete;
    LoggerShell& operator=(const LoggerShell&) = delete;

    // Opens the port and the log, then collects until told to stop; returns the exit status.
    int run();

    LocalTime localTime() override;
    void restartReportTimer(std::int32_t periodMs) override;
    void requestRepaint() override {}

private:
    bool start();
    // Each returns false when the run is over, with exitStatus_ set.
    bool onPollTick();
    bool onReportTick();
    void onReconnectTick();
    bool onDeviceLost();

    const LoggerOptions& options_;
    SerialPortLink& link_;
    TeeLogFile& log_;
    TerminationSignals& signals_;
    PeriodicTimer pollTimer_;
    PeriodicTimer reportTimer_;
    PeriodicTimer reconnectTimer_;
    int exitStatus_ = 0;
    AcquisitionController controller_;  // last: it calls back into the members above
};

}  // namespace vemtora::logger
