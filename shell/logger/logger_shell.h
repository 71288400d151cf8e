// The logger's shell: serves the controller with a plain loop of timerfd ticks instead of a
// window, and keeps reading through a device that goes away and comes back.
#pragma once

#include <chrono>
#include <csignal>

#include "core/acquisition_controller.h"
#include "io/posix/serial_port_link.h"
#include "io/posix/termination_signals.h"
#include "shell/logger/logger_options.h"
#include "shell/logger/periodic_timer.h"
#include "shell/logger/tee_log_file.h"

namespace vemtora::logger {

inline constexpr std::int32_t kReconnectPeriodMs = 1000;
// logrotate's postrotate sends it: the log file is closed and its name opened again.
inline constexpr int kReopenSignal = SIGUSR1;
// How long the end waits for a stalled reader of standard output.
inline constexpr std::chrono::milliseconds kOutputPatience{250};

class LoggerShell final : public ShellServices, private ReadingSink {
public:
    // link, log, signals and readings must outlive the shell; signals also reads kReopenSignal.
    // readings: the outputs beside the log, told of every interval's numbers; nullptr for none.
    LoggerShell(const LoggerOptions& options, SerialPortLink& link, TeeLogFile& log, posix::TerminationSignals& signals,
                ReadingSink* readings = nullptr);
    ~LoggerShell() override;

    LoggerShell(const LoggerShell&) = delete;
    LoggerShell& operator=(const LoggerShell&) = delete;

    // Opens the port and the log, then collects until told to stop; returns the exit status.
    int run();

    LocalTime localTime() override;
    // Nothing to ask: the path from the command line, empty for standard output alone.
    std::optional<std::wstring> chooseLogFile() override;
    void restartReportTimer(std::int32_t periodMs) override;
    void requestRepaint() override {}

    // Handed on to the outputs with the time that really passed since the report before (the
    // report timer's periods), so energy adds up even when a tick comes late.
    void takeReading(const IntervalReading& reading) override;
    void collectingChanged(bool collecting) override;

private:
    enum Source : std::uint32_t { kSignals, kPoll, kReport, kReconnect, kEnd, kOutput, kSourceCount };

    bool start();
    // Each returns false when the run is over, with exitStatus_ set.
    bool onSignal(int signal);
    bool onOutputWritable();
    bool onPollTick();
    bool onReportTick(std::uint64_t ticks);
    void onReconnectTick();
    bool onDeviceLost();
    void watchOutput();

    const LoggerOptions& options_;
    SerialPortLink& link_;
    TeeLogFile& log_;
    posix::TerminationSignals& signals_;
    posix::OwnedDescriptor events_;
    bool watchingOutput_ = false;
    PeriodicTimer pollTimer_;
    PeriodicTimer reportTimer_;
    PeriodicTimer reconnectTimer_;
    PeriodicTimer endTimer_;  // --duration's end; its first tick ends the run
    int exitStatus_ = 0;
    ReadingSink* readings_;
    std::int32_t reportCoveredMs_ = 0;  // the time the report being made covers
    bool toldLateReport_ = false;
    AcquisitionController controller_;  // last: it calls back into the members above
};

}  // namespace vemtora::logger
