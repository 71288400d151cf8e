// What --metrics serves: running totals of the readings, and their text in Prometheus' text
// exposition format 0.0.4.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/interval_reading.h"

namespace vemtora::metrics {

inline constexpr std::string_view kExpositionContentType = "text/plain; version=0.0.4; charset=utf-8";

enum class MetricId { Volts, Amperes, Watts, Frames, Intervals, Energy, Connected, LastReadingTime };

struct MetricInfo {
    MetricId id;
    std::string_view name;
    std::string_view type;  // "gauge" or "counter"
    std::string_view help;
};

// Served in this order; the man page and the dashboard name the same metrics.
inline constexpr std::array<MetricInfo, 8> kMetrics = {{
    {MetricId::Volts, "vemtora_volts", "gauge", "Average voltage over the last report interval with frames."},
    {MetricId::Amperes, "vemtora_amperes", "gauge", "Average current over the last report interval with frames."},
    {MetricId::Watts, "vemtora_watts", "gauge", "Average power over the last report interval with frames."},
    {MetricId::Frames, "vemtora_frames_total", "counter", "Meter frames read."},
    {MetricId::Intervals, "vemtora_intervals_total", "counter", "Report intervals with frames (log lines)."},
    {MetricId::Energy, "vemtora_energy_joules_total", "counter",
     "Energy: each interval's average power times its length, summed."},
    {MetricId::Connected, "vemtora_connected", "gauge", "1 while the serial port is open, else 0."},
    {MetricId::LastReadingTime, "vemtora_last_reading_timestamp_seconds", "gauge", "Unix time of the last reading."},
}};

struct LastReading {
    double volts = 0.0;
    double amperes = 0.0;
    double watts = 0.0;
    double unixSeconds = 0.0;
};

struct MeterTotals {
    bool connected = false;
    std::optional<LastReading> last;  // none before the first reading: no gauge then, not a 0
    std::uint64_t frames = 0;
    std::uint64_t intervals = 0;
    double energyJoules = 0.0;
};

void addReading(MeterTotals& totals, const IntervalReading& reading, double unixSeconds);

// Every metric with one `device` label.
std::string exposition(const MeterTotals& totals, std::string_view device);

// Backslash, double quote and line feed escaped; a byte that is not part of valid UTF-8 becomes
// '?', since Prometheus refuses the whole scrape for it.
std::string labelValue(std::string_view text);

}  // namespace vemtora::metrics
