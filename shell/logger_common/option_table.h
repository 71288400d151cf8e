// The loggers' options: what each is called and what its help says, written once for the
// loggers of both platforms; each program lists the rows it takes.
#pragma once

#include <string_view>

#include "core/usage_text.h"

namespace vemtora::logger {

enum class OptionId {
    Speed,
    Interval,
    Log,
    Device,
    DeviceFolder,
    IsoTime,
    Duration,
    Format,
    MetricsFile,
    NoReconnect,
    Mqtt,
    MqttCa,
    MqttPasswordFile,
    MqttDiscovery,
    EnergyState,
    Metrics,
    Help,
    Version
};

struct OptionEntry {
    OptionId id;
    std::string_view name;
    std::string_view valueName;  // empty for a flag
    std::string_view help;       // --speed and --interval get their choices added
};

inline constexpr OptionEntry kSpeedOption{OptionId::Speed, "--speed", "BPS", "line speed in bit/s:"};
inline constexpr OptionEntry kIntervalOption{OptionId::Interval, "--interval", "SECONDS", "report interval:"};
inline constexpr OptionEntry kLogOption{OptionId::Log, "--log", "FILE", "also append each line to FILE"};
inline constexpr OptionEntry kIsoTimeOption{OptionId::IsoTime, "--iso-time", "",
                                            "begin each line with the date: 2026-12-08T09:05:07.3+01:00"};
inline constexpr OptionEntry kDurationOption{OptionId::Duration, "--duration", "TIME",
                                             "log for TIME (90s, 15m, 8h or 7d), then end as when stopped, status 0"};
inline constexpr OptionEntry kFormatOption{
    OptionId::Format, "--format", "FORMAT",
    "standard output's lines: text, the log's lines (default), or json, one object a reading"};
inline constexpr OptionEntry kMetricsFileOption{
    OptionId::MetricsFile, "--metrics-file", "PATH",
    "the metrics in Prometheus' text format, PATH replaced whole each interval, for a textfile collector"};
inline constexpr OptionEntry kNoReconnectOption{OptionId::NoReconnect, "--no-reconnect", "",
                                                "exit when the device goes away instead of waiting for it"};
inline constexpr OptionEntry kHelpOption{OptionId::Help, "--help", "", kHelpOptionHelp};
inline constexpr OptionEntry kVersionOption{OptionId::Version, "--version", "", kVersionOptionHelp};

}  // namespace vemtora::logger
