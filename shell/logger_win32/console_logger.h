// The Windows logger's loop: the controller served by a console program instead of a window,
// polled every 25 ms, reporting once per interval, and reading again after an unplugged adapter.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/acquisition_controller.h"
#include "io/win32/log_file_writer.h"
#include "io/win32/serial_port_link.h"
#include "shell/logger_win32/console_options.h"

namespace vemtora::logger {

inline constexpr std::uint64_t kReconnectPeriodMs = 1000;

// Each line to standard output and, with --log, to the log file, shared with readers.
class ConsoleLog final : public LogFile {
public:
    // output: standard output's handle, or nullptr when there is none. linesToOutput: false
    // where standard output carries JSON instead.
    ConsoleLog(void* output, bool linesToOutput)
        : output_(output), linesToOutput_(linesToOutput), file_(LogFileWriter::Sharing::Readers) {}

    bool open(const std::wstring& path) override;
    void appendLine(std::string_view line) override;
    void close() override { file_.close(); }

    // A text to standard output, unless its reader went away.
    void writeOutput(std::string_view text);
    // The reader of standard output went away: nobody wants further lines there.
    bool outputClosed() const { return outputClosed_; }

private:
    void* output_;
    bool linesToOutput_;
    LogFileWriter file_;
    bool outputClosed_ = false;
};

// --format json: each reading as one JSON object a line on standard output.
class JsonLines final : public ReadingSink {
public:
    JsonLines(ConsoleLog& log, LogTimeStamp stamp) : log_(log), stamp_(stamp) {}
    void takeReading(const IntervalReading& reading) override;
    void collectingChanged(bool) override {}

private:
    ConsoleLog& log_;
    LogTimeStamp stamp_;
};

class ConsoleLogger final : public ShellServices {
public:
    // stopEvent: a HANDLE set by the console's control handler. readings: told of every
    // interval's numbers, nullptr for none. All must outlive the logger.
    ConsoleLogger(const ConsoleOptions& options, SerialPortLink& link, ConsoleLog& log, void* stopEvent,
                  ReadingSink* readings = nullptr);
    ~ConsoleLogger() override { controller_.shutdown(); }

    // Opens the port and the log, then collects until told to stop; returns the exit status.
    int run();

    LocalTime localTime() override;
    std::optional<std::wstring> chooseLogFile() override { return options_.logPath.value_or(std::wstring()); }
    void restartReportTimer(std::int32_t periodMs) override;
    void requestRepaint() override {}

private:
    // False when the run is over, with exitStatus_ set.
    bool onDeviceLost();
    void onReconnectTick();

    const ConsoleOptions& options_;
    SerialPortLink& link_;
    ConsoleLog& log_;
    void* stopEvent_;
    std::uint64_t nextReport_ = 0;
    std::uint64_t reportPeriod_ = 0;
    std::optional<std::uint64_t> nextReconnect_;  // set while the device is away
    int exitStatus_ = kExitOk;
    AcquisitionController controller_;  // last: it calls back into the members above
};

// "vemtora-logger: sentence" on standard error.
void tellUser(std::string_view sentence);

// The system's words for an error code, without the line end and the full stop.
std::string systemErrorText(unsigned long code);

}  // namespace vemtora::logger
