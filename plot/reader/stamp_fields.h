// The fields a time stamp is made of, read strictly: shared by the log's stamps and the times
// --from and --to name.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace vemtora::plot::stamp_fields {

// Exactly `count` ASCII digits at `at`, no sign, no blanks.
inline std::optional<unsigned> digits(std::string_view text, std::size_t at, std::size_t count) {
    if (at > text.size() || count > text.size() - at) return std::nullopt;
    unsigned value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        const char c = text[i];
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    return value;
}

inline bool isLeapYear(std::int64_t year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

inline unsigned daysInMonth(std::int64_t year, unsigned month) {
    static constexpr unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

// "+hh:mm" or "-hh:mm", less than a day, in minutes east of UTC.
inline std::optional<std::int32_t> utcOffset(std::string_view text) {
    if (text.size() != 6 || (text[0] != '+' && text[0] != '-') || text[3] != ':') return std::nullopt;
    const auto hours = digits(text, 1, 2);
    const auto minutes = digits(text, 4, 2);
    if (!hours || !minutes || *hours > 23 || *minutes > 59) return std::nullopt;
    const auto size = static_cast<std::int32_t>(*hours * 60 + *minutes);
    return text[0] == '-' ? -size : size;
}

// "YYYY-MM-DD" as a valid date.
struct Date {
    std::int64_t year;
    unsigned month;
    unsigned day;
};
inline std::optional<Date> date(std::string_view text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
    const auto year = digits(text, 0, 4);
    const auto month = digits(text, 5, 2);
    const auto day = digits(text, 8, 2);
    if (!year || !month || !day || *month < 1 || *month > 12 || *day < 1 || *day > daysInMonth(*year, *month))
        return std::nullopt;
    return Date{*year, *month, *day};
}

}  // namespace vemtora::plot::stamp_fields
