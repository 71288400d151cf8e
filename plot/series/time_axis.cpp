#include "time_axis.h"

#include <cmath>
#include <cstdio>

#include "plot/reader/log_stamp.h"

namespace vemtora::plot {

namespace {

// Tenths of a second; each divides a day (or is whole days), so ticks land on round times.
constexpr std::int64_t kSteps[] = {
    1, 2, 5, 10, 20, 50, 100, 150, 300,                            // up to 30 s
    600, 1200, 3000, 6000, 9000, 18000,                            // up to 30 min
    36000, 72000, 108000, 216000, 432000,                          // up to 12 h
    kTenthsPerDay, 2 * kTenthsPerDay, 7 * kTenthsPerDay, 14 * kTenthsPerDay, 28 * kTenthsPerDay,
    91 * kTenthsPerDay, 364 * kTenthsPerDay};

// A view outside this (about ±2.7 million years) is no log's: no ticks rather than overflow.
constexpr double kLimitSeconds = 8.64e13;

std::int64_t floorDiv(std::int64_t a, std::int64_t b) { return a / b - (a % b != 0 && (a < 0) != (b < 0) ? 1 : 0); }

std::string clockLabel(std::int64_t tenthsOfDay, std::int64_t step) {
    const auto seconds = tenthsOfDay / 10;
    char text[16];
    if (step < 10) {
        std::snprintf(text, sizeof text, "%02d:%02d:%02d.%d", static_cast<int>(seconds / 3600),
                      static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60),
                      static_cast<int>(tenthsOfDay % 10));
    } else if (step < 600) {
        std::snprintf(text, sizeof text, "%02d:%02d:%02d", static_cast<int>(seconds / 3600),
                      static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
    } else {
        std::snprintf(text, sizeof text, "%02d:%02d", static_cast<int>(seconds / 3600), static_cast<int>(seconds / 60 % 60));
    }
    return text;
}

}  // namespace

std::string dayLabel(std::int64_t days, bool dated) {
    char text[40];
    if (dated) {
        const CivilDate date = civilFromDays(days);
        std::snprintf(text, sizeof text, "%04lld-%02u-%02u", static_cast<long long>(date.year), date.month, date.day);
    } else {
        std::snprintf(text, sizeof text, "day %lld", static_cast<long long>(days) + 1);
    }
    return text;
}

std::string stampLabel(std::int64_t tenths, bool dated) {
    const std::int64_t days = floorDiv(tenths, kTenthsPerDay);
    std::string clock = clockLabel(tenths - days * kTenthsPerDay, 1);
    if (!dated && days == 0) return clock;
    return dayLabel(days, dated) + " " + clock;
}

TimeAxisText timeAxisText(double from, double to, int maxTicks, bool dated) {
    TimeAxisText result;
    if (!(from > -kLimitSeconds) || !(to < kLimitSeconds) || !(to > from) || maxTicks < 1) return result;
    const auto firstTenths = static_cast<std::int64_t>(std::ceil(from * 10));
    const auto lastTenths = static_cast<std::int64_t>(std::floor(to * 10));
    const std::int64_t startDay = floorDiv(static_cast<std::int64_t>(std::floor(from * 10)), kTenthsPerDay);
    if (dated || startDay != 0) result.day = dayLabel(startDay, dated);

    for (const std::int64_t step : kSteps) {
        const std::int64_t firstTick = floorDiv(firstTenths + step - 1, step);
        const std::int64_t lastTick = floorDiv(lastTenths, step);
        if (lastTick - firstTick + 1 > maxTicks) continue;
        for (std::int64_t tick = firstTick; tick <= lastTick; ++tick) {
            const std::int64_t tenths = tick * step;
            const std::int64_t days = floorDiv(tenths, kTenthsPerDay);
            const std::int64_t tenthsOfDay = tenths - days * kTenthsPerDay;
            result.ticks.push_back({static_cast<double>(tenths) / 10.0,
                                    tenthsOfDay == 0 ? dayLabel(days, dated) : clockLabel(tenthsOfDay, step)});
        }
        break;
    }
    return result;
}

}  // namespace vemtora::plot
