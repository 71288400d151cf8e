#include "time_of_log.h"

#include "log_stamp.h"
#include "stamp_fields.h"

namespace vemtora::plot {

namespace {

using stamp_fields::digits;

// "hh:mm", "hh:mm:ss" or "hh:mm:ss.t".
std::optional<std::int64_t> timeOfDay(std::string_view text) {
    if (text.size() != 5 && text.size() != 8 && text.size() != 10) return std::nullopt;
    if (text[2] != ':' || (text.size() > 5 && text[5] != ':') || (text.size() > 8 && text[8] != '.'))
        return std::nullopt;
    const auto hour = digits(text, 0, 2);
    const auto minute = digits(text, 3, 2);
    const auto second = text.size() > 5 ? digits(text, 6, 2) : std::optional<unsigned>(0);
    const auto tenth = text.size() > 8 ? digits(text, 9, 1) : std::optional<unsigned>(0);
    if (!hour || !minute || !second || !tenth || *hour > 23 || *minute > 59 || *second > 59) return std::nullopt;
    return ((std::int64_t{*hour} * 60 + *minute) * 60 + *second) * 10 + *tenth;
}

// What follows a day: nothing (midnight), or a separator and a time of day.
bool readTimeAfterDay(std::string_view rest, TimeOfLog& time) {
    if (rest.empty()) return true;
    if (rest[0] != ' ' && rest[0] != 'T') return false;
    const auto tenths = timeOfDay(rest.substr(1));
    if (!tenths) return false;
    time.tenthsOfDay = *tenths;
    return true;
}

}  // namespace

std::optional<TimeOfLog> parseTimeOfLog(std::string_view text) {
    TimeOfLog time;
    if (const auto tenths = timeOfDay(text)) {
        time.tenthsOfDay = *tenths;
        return time;
    }
    if (text.starts_with("day")) {
        text.remove_prefix(text.starts_with("day ") ? 4 : 3);
        std::size_t length = 0;
        while (length < text.size() && length < 7 && text[length] >= '0' && text[length] <= '9') ++length;
        const auto number = digits(text, 0, length);
        if (length == 0 || !number || *number < 1 || !readTimeAfterDay(text.substr(length), time)) return std::nullopt;
        time.day = TimeOfLog::Day::Numbered;
        time.dayNumber = *number;
        return time;
    }
    const auto date = stamp_fields::date(text.substr(0, 10));
    if (!date) return std::nullopt;
    std::string_view rest = text.substr(10);
    // An offset only after a time.
    if (rest.size() > 6 && rest.back() == 'Z') {
        time.utcOffsetMinutes = 0;
        rest.remove_suffix(1);
    } else if (rest.size() > 6 && (rest[rest.size() - 6] == '+' || rest[rest.size() - 6] == '-')) {
        time.utcOffsetMinutes = stamp_fields::utcOffset(rest.substr(rest.size() - 6));
        if (!time.utcOffsetMinutes) return std::nullopt;
        rest.remove_suffix(6);
    }
    if (!readTimeAfterDay(rest, time)) return std::nullopt;
    time.day = TimeOfLog::Day::Dated;
    time.dayNumber = daysFromCivil({date->year, date->month, date->day});
    return time;
}

}  // namespace vemtora::plot
