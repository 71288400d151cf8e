#include "log_stamp.h"

#include "stamp_fields.h"

namespace vemtora::plot {

namespace {

using stamp_fields::digits;

// "hh:mm:ss.t" as formatLogLine writes it from a wall clock: two-digit fields, one tenth digit.
std::optional<std::int64_t> parseClock(std::string_view text) {
    if (text.size() != 10 || text[2] != ':' || text[5] != ':' || text[8] != '.') return std::nullopt;
    const auto hour = digits(text, 0, 2);
    const auto minute = digits(text, 3, 2);
    const auto second = digits(text, 6, 2);
    const auto tenth = digits(text, 9, 1);
    if (!hour || !minute || !second || !tenth || *hour > 23 || *minute > 59 || *second > 59) return std::nullopt;
    return ((std::int64_t{*hour} * 60 + *minute) * 60 + *second) * 10 + *tenth;
}

}  // namespace

std::optional<LogStamp> parseLogStamp(std::string_view text) {
    if (text.size() == 10) {
        const auto tenths = parseClock(text);
        if (!tenths) return std::nullopt;
        return LogStamp{*tenths, std::nullopt, std::nullopt};
    }
    std::optional<std::int32_t> offset;
    if (text.size() == 27) {
        offset = stamp_fields::utcOffset(text.substr(21));
        if (!offset) return std::nullopt;
        text = text.substr(0, 21);
    }
    if (text.size() != 21 || text[10] != 'T') return std::nullopt;
    const auto date = stamp_fields::date(text.substr(0, 10));
    const auto tenths = parseClock(text.substr(11));
    if (!date || !tenths) return std::nullopt;
    return LogStamp{*tenths, daysFromCivil({date->year, date->month, date->day}), offset};
}

// Howard Hinnant's days_from_civil / civil_from_days: exact, no tables, no time zone.
std::int64_t daysFromCivil(const CivilDate& date) {
    const std::int64_t y = date.year - (date.month <= 2 ? 1 : 0);
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yearOfEra = y - era * 400;
    const std::int64_t dayOfYear = (153 * (date.month > 2 ? date.month - 3 : date.month + 9) + 2) / 5 + date.day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

CivilDate civilFromDays(std::int64_t days) {
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t dayOfEra = days - era * 146097;
    const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t mp = (5 * dayOfYear + 2) / 153;
    const auto day = static_cast<unsigned>(dayOfYear - (153 * mp + 2) / 5 + 1);
    const auto month = static_cast<unsigned>(mp < 10 ? mp + 3 : mp - 9);
    return {yearOfEra + era * 400 + (month <= 2 ? 1 : 0), month, day};
}

}  // namespace vemtora::plot
