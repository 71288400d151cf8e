#include "time_axis.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "plot/reader/log_stamp.h"

namespace vemtora::plot {

namespace {

// Tenths of a second; each divides a day (or is whole days), so ticks land on round times.
constexpr std::int64_t kSteps[] = {1,
                                   2,
                                   5,
                                   10,
                                   20,
                                   50,
                                   100,
                                   150,
                                   300,  // up to 30 s
                                   600,
                                   1200,
                                   3000,
                                   6000,
                                   9000,
                                   18000,  // up to 30 min
                                   36000,
                                   72000,
                                   108000,
                                   216000,
                                   432000,  // up to 12 h
                                   kTenthsPerDay,
                                   2 * kTenthsPerDay,
                                   7 * kTenthsPerDay,
                                   14 * kTenthsPerDay,
                                   28 * kTenthsPerDay,
                                   91 * kTenthsPerDay,
                                   364 * kTenthsPerDay};

// A view outside this (about ±2.7 million years) is no log's: no ticks rather than overflow.
constexpr double kLimitSeconds = 8.64e13;

// Between neighbouring labels; Qt Charts also keeps 4 px of padding on either side of each.
constexpr double kLabelGap = 10.0;

constexpr std::int64_t kTenthsPerMinute = 600;

std::int64_t floorDiv(std::int64_t a, std::int64_t b) { return a / b - (a % b != 0 && (a < 0) != (b < 0) ? 1 : 0); }

std::string clockLabel(std::int64_t tenthsOfDay) {
    const auto seconds = tenthsOfDay / 10;
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%d", static_cast<int>(seconds / 3600),
                  static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60),
                  static_cast<int>(tenthsOfDay % 10));
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

std::string utcOffsetText(std::int32_t minutes) {
    char text[16];
    const std::int32_t size = minutes < 0 ? -minutes : minutes;
    std::snprintf(text, sizeof text, "%c%02d:%02d", minutes < 0 ? '-' : '+', static_cast<int>(size / 60 % 100),
                  static_cast<int>(size % 60));
    return text;
}

std::string stampLabel(std::int64_t tenths, bool dated, std::optional<std::int32_t> utcOffsetMinutes) {
    const std::int64_t days = floorDiv(tenths, kTenthsPerDay);
    std::string clock = clockLabel(tenths - days * kTenthsPerDay);
    if (utcOffsetMinutes) clock += utcOffsetText(*utcOffsetMinutes);
    if (!dated && days == 0) return clock;
    return dayLabel(days, dated) + " " + clock;
}

std::string clockStepText(std::int64_t tenths) {
    const std::int64_t size = tenths < 0 ? -tenths : tenths;
    std::string text = tenths < 0 ? "clock \u2212" : "clock +";
    const std::int64_t hours = size / 36000, minutes = size / 600 % 60, rest = size % 600;
    if (hours > 0) text += std::to_string(hours) + " h ";
    if (minutes > 0) text += std::to_string(minutes) + " min ";
    if (rest > 0 || size == 0)
        text +=
            (rest % 10 == 0 ? std::to_string(rest / 10) : std::to_string(rest / 10) + "." + std::to_string(rest % 10)) +
            " s ";
    text.pop_back();
    return text;
}

namespace {

// One piece's ticks at `step`, after those of the pieces before it. Where two clocks meet, a tick
// too close to the one before it takes that one's place.
void addPieceTicks(std::vector<TimeTick>& ticks, std::int64_t low, std::int64_t high, std::int64_t shift,
                   std::int64_t step, bool dated, double pixelsPerSecond, const TimeAxisRoom& room) {
    const std::int64_t firstTick = floorDiv(low + shift + step - 1, step);
    for (std::int64_t tick = firstTick; tick <= floorDiv(high + shift, step); ++tick) {
        const std::int64_t clock = tick * step;
        TimeTick next{static_cast<double>(clock - shift) / 10.0, tickLabel(clock, step, dated)};
        if (tick == firstTick && !ticks.empty() &&
            (next.seconds - ticks.back().seconds) * pixelsPerSecond <
                (room.labelWidth(ticks.back().label) + room.labelWidth(next.label)) / 2 + kLabelGap) {
            ticks.pop_back();
        }
        ticks.push_back(std::move(next));
    }
}

}  // namespace

TimeAxisText timeAxisText(double from, double to, const TimeAxisRoom& room, bool dated,
                          std::span<const ClockPiece> pieces) {
    TimeAxisText result;
    if (!(from > -kLimitSeconds) || !(to < kLimitSeconds) || !(to > from) || !(room.pixels > 0) || !room.labelWidth)
        return result;
    const ClockPiece timeline{from, 0, std::nullopt};
    if (pieces.empty()) pieces = std::span(&timeline, 1);
    const auto firstTenths = static_cast<std::int64_t>(std::floor(from * 10)) + 1;
    const auto lastTenths = static_cast<std::int64_t>(std::floor(to * 10));
    const std::int64_t startClock = firstTenths - 1 + pieces.front().clockMinusTenths;
    const std::int64_t startDay = floorDiv(startClock, kTenthsPerDay);
    const double pixelsPerSecond = room.pixels / (to - from);

    for (const std::int64_t step : kSteps) {
        // Too many to fit even as empty labels: not worth writing them out.
        if ((static_cast<double>(lastTenths - firstTenths) / static_cast<double>(step) +
             static_cast<double>(pieces.size()) + 1) *
                kLabelGap >
            room.pixels) {
            continue;
        }
        result.ticks.clear();
        for (std::size_t k = 0; k < pieces.size(); ++k) {
            const std::int64_t low =
                k == 0 ? firstTenths : std::max(firstTenths, static_cast<std::int64_t>(std::ceil(pieces[k].from * 10)));
            const std::int64_t high =
                k + 1 == pieces.size()
                    ? lastTenths
                    : std::min(lastTenths, static_cast<std::int64_t>(std::ceil(pieces[k + 1].from * 10)) - 1);
            addPieceTicks(result.ticks, low, high, pieces[k].clockMinusTenths, step, dated, pixelsPerSecond, room);
        }
        if (!labelsFit(result.ticks, from, to, room)) continue;
        if (dated || startDay != 0) result.context = dayLabel(startDay, dated);
        if (step < kTenthsPerMinute) {
            const std::string minute = minuteLabel(startClock - startDay * kTenthsPerDay);
            result.context = result.context.empty() ? minute : result.context + " " + minute;
        }
        if (pieces.front().utcOffsetMinutes) {
            const std::string offset = "UTC" + utcOffsetText(*pieces.front().utcOffsetMinutes);
            result.context = result.context.empty() ? offset : result.context + " " + offset;
        }
        return result;
    }
    result.ticks.clear();
    return result;
}

}  // namespace vemtora::plot
