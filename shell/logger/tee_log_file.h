// The controller's log file for the logger: each line to standard output and, with --log, to
// the real log file, so the controller's own rule decides which intervals give a line.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "core/controller_interfaces.h"
#include "io/posix/log_file_writer.h"

namespace vemtora::logger {

class TeeLogFile final : public LogFile {
public:
    using Report = std::function<void(std::string_view sentence)>;

    // outputFd: standard output. logPath: the --log file, or nullopt for standard output alone.
    // report is told when a stream starts and stops losing lines.
    TeeLogFile(int outputFd, std::optional<std::wstring> logPath, Report report);
    ~TeeLogFile() override;

    TeeLogFile(const TeeLogFile&) = delete;
    TeeLogFile& operator=(const TeeLogFile&) = delete;

    // Nothing to ask: the path from the command line, empty for standard output alone.
    std::optional<std::wstring> chooseFile() override;
    bool open(const std::wstring& path) override;
    void appendLine(std::string_view line) override;
    void close() override;

    // Why open failed.
    std::string openFailureText() const;
    // The reader of standard output went away (EPIPE): nobody wants further lines there.
    bool outputClosed() const { return outputClosed_; }

private:
    // A run of lost lines is reported when it starts and when it ends, not line by line.
    struct Losses {
        bool losing = false;
        bool changed(bool lost) {
            const bool change = lost != losing;
            losing = lost;
            return change;
        }
    };

    void writeOutput(std::string_view line);

    int outputFd_;
    std::optional<std::wstring> logPath_;
    Report report_;
    std::unique_ptr<LogFileWriter> file_;
    Losses fileLosses_;
    Losses outputLosses_;
    bool outputClosed_ = false;
};

}  // namespace vemtora::logger
