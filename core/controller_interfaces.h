// What the acquisition controller needs from the world outside the core.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "interval_reading.h"
#include "local_time.h"
#include "meter_frame.h"

namespace vemtora {

inline constexpr std::size_t kMaxLogPathLength = 255;

class SerialLink {
public:
    virtual ~SerialLink() = default;
    // portName is one of kPortNames, or the path of a NamedDevice.
    virtual bool open(std::wstring_view portName, std::int32_t baudRate) = 0;
    // Never waits; returns the bytes received since the last poll (0 to kMaxPollBytes), 0 on failure.
    virtual std::size_t poll(ReceiveBuffer& buffer) = 0;
    virtual void close() = 0;
};

class LogFile {
public:
    virtual ~LogFile() = default;
    virtual bool open(const std::wstring& path) = 0;
    // Failures are the writer's to absorb: the line is lost, logging goes on.
    virtual void appendLine(std::string_view line) = 0;
    virtual void close() = 0;
};

// Outputs beside the log that need an interval's numbers rather than its text.
class ReadingSink {
public:
    virtual ~ReadingSink() = default;
    // Once per report interval that counted frames, logging or not. Must not wait.
    virtual void takeReading(const IntervalReading& reading) = 0;
    // The port was opened or closed: whether readings can come at all.
    virtual void collectingChanged(bool collecting) = 0;
};

class ShellServices {
public:
    virtual ~ShellServices() = default;
    virtual LocalTime localTime() = 0;
    // Asks the user for a path of at most kMaxLogPathLength characters; nullopt when cancelled.
    virtual std::optional<std::wstring> chooseLogFile() = 0;
    // Stops the report timer and starts it again; the next tick is one full period away.
    virtual void restartReportTimer(std::int32_t periodMs) = 0;
    // Asks for a repaint of the whole window at the next opportunity, not at once.
    virtual void requestRepaint() = 0;
};

}  // namespace vemtora
