#include "time_axis.h"

#include <cmath>
#include <cstdio>
#include <string>

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

// Between neighbouring labels; Qt Charts also keeps 4 px of padding on either side of each.
constexpr double kLabelGap = 10.0;

constexpr std::int64_t kTenthsPerMinute = 600;

std::int64_t floorDiv(std::int64_t a, std::int64_t b) { return a / b - (a % b != 0 && (a < 0) != (b < 0) ? 1 : 0); }

std::string clockLabel(std::int64_t tenthsOfDay) {
    const auto seconds = tenthsOfDay / 10;
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%d", static_cast<int>(seconds / 3600), static_cast<int>(seconds / 60 % 60),
                  static_cast<int>(seconds % 60), static_cast<int>(tenthsOfDay % 10));
    return text;
}

std::string minuteLabel(std::int64_t tenthsOfDay) {
    const auto minutes = tenthsOfDay / kTenthsPerMinute;
    char text[8];
    std::snprintf(text, sizeof text, "%02d:%02d", static_cast<int>(minutes / 60), static_cast<int>(minutes % 60));
    return text;
}

// Short enough for four to fit the narrowest window: the larger units once they change, the
// rest in the axis' title.
std::string tickLabel(std::int64_t tenths, std::int64_t step, bool dated) {
    const std::int64_t days = floorDiv(tenths, kTenthsPerDay);
    const std::int64_t tenthsOfDay = tenths - days * kTenthsPerDay;
    if (tenthsOfDay == 0) {
        if (!dated) return dayLabel(days, false);
        // Not "12-09", too like "12:00" beside it.
        static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                  "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
        const CivilDate date = civilFromDays(days);
        return std::string(kMonths[(date.month + 11) % 12]) + " " + std::to_string(date.day);
    }
    if (step >= kTenthsPerMinute || tenthsOfDay % kTenthsPerMinute == 0) return minuteLabel(tenthsOfDay);
    const auto second = static_cast<int>(tenthsOfDay / 10 % 60);
    char text[8];
    if (step >= 10) {
        std::snprintf(text, sizeof text, ":%02d", second);
    } else {
        std::snprintf(text, sizeof text, ":%02d.%d", second, static_cast<int>(tenthsOfDay % 10));
    }
    return text;
}

// Every label within its share of the axis (Qt Charts shortens a longer one to "...") and clear
// of its neighbours.
bool labelsFit(const std::vector<TimeTick>& ticks, double from, double to, const TimeAxisRoom& room) {
    const double share = room.pixels / static_cast<double>(ticks.size() + 1);
    const double scale = room.pixels / (to - from);
    double previousX = 0.0;
    double previousHalf = 0.0;
    for (std::size_t i = 0; i < ticks.size(); ++i) {
        const double width = room.labelWidth(ticks[i].label);
        const double x = (ticks[i].seconds - from) * scale;
        if (width + kLabelGap > share) return false;
        if (i > 0 && x - previousX < previousHalf + width / 2 + kLabelGap) return false;
        previousX = x;
        previousHalf = width / 2;
    }
    return true;
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
    std::string clock = clockLabel(tenths - days * kTenthsPerDay);
    if (!dated && days == 0) return clock;
    return dayLabel(days, dated) + " " + clock;
}

TimeAxisText timeAxisText(double from, double to, const TimeAxisRoom& room, bool dated) {
    TimeAxisText result;
    if (!(from > -kLimitSeconds) || !(to < kLimitSeconds) || !(to > from) || !(room.pixels > 0) || !room.labelWidth) return result;
    const auto firstTenths = static_cast<std::int64_t>(std::floor(from * 10)) + 1;
    const auto lastTenths = static_cast<std::int64_t>(std::floor(to * 10));
    const std::int64_t startTenths = firstTenths - 1;
    const std::int64_t startDay = floorDiv(startTenths, kTenthsPerDay);

    for (const std::int64_t step : kSteps) {
        const std::int64_t firstTick = floorDiv(firstTenths + step - 1, step);
        const std::int64_t lastTick = floorDiv(lastTenths, step);
        // Too many to fit even as empty labels: not worth writing them out.
        if (static_cast<double>(lastTick - firstTick + 2) * kLabelGap > room.pixels) continue;
        result.ticks.clear();
        for (std::int64_t tick = firstTick; tick <= lastTick; ++tick) {
            const std::int64_t tenths = tick * step;
            result.ticks.push_back({static_cast<double>(tenths) / 10.0, tickLabel(tenths, step, dated)});
        }
        if (!labelsFit(result.ticks, from, to, room)) continue;
        if (dated || startDay != 0) result.context = dayLabel(startDay, dated);
        if (step < kTenthsPerMinute) {
            const std::string minute = minuteLabel(startTenths - startDay * kTenthsPerDay);
            result.context = result.context.empty() ? minute : result.context + " " + minute;
        }
        return result;
    }
    result.ticks.clear();
    return result;
}

}  // namespace vemtora::plot
