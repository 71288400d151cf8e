// The controller's log file for the logger: each line to standard output and, with --log, to
// the real log file, so the controller's own rule decides which intervals give a line.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "core/controller_interfaces.h"
#include "io/posix/log_file_writer.h"
#include "shell/logger/loss_run.h"
#include "shell/logger/standard_output.h"

namespace vemtora::logger {

class TeeLogFile final : public LogFile {
public:
    using Report = std::function<void(std::string_view sentence)>;

    // outputFd: standard output, or -1 when it is closed. logPath: the --log file, or nullopt
    // for standard output alone. report is told when a stream starts and stops losing lines.
    // linesToOutput: false where standard output carries something else (JSON) instead.
    TeeLogFile(int outputFd, std::optional<std::wstring> logPath, Report report, bool linesToOutput = true);
    ~TeeLogFile() override;

    TeeLogFile(const TeeLogFile&) = delete;
    TeeLogFile& operator=(const TeeLogFile&) = delete;

    // path: the --log file, empty for standard output alone.
    bool open(const std::wstring& path) override;
    void appendLine(std::string_view line) override;
    void close() override;

    // Why open failed.
    std::string openFailureText() const;
    // Closes the log file and opens its name again, for a rotation; between two lines.
    void reopenFile();
    // Standard output, nullptr when it was closed at start.
    StandardOutput* output() { return output_.get(); }
    // The reader of standard output went away (EPIPE): nobody wants further lines there.
    bool outputClosed() const { return output_ && output_->closed(); }

private:
    void reportFileState();

    Report report_;
    std::unique_ptr<LogFileWriter> file_;
    std::unique_ptr<StandardOutput> output_;
    LossRun fileLosses_;
    bool linesToOutput_;
};

}  // namespace vemtora::logger
