// Arbitrary totals and times through every formatter.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "core/report_texts.h"

using namespace vemtora;

namespace {

template <typename T>
T take(const std::uint8_t*& data, std::size_t& size) {
    T value{};
    const std::size_t n = size < sizeof value ? size : sizeof value;
    std::memcpy(&value, data, n);
    data += n;
    size -= n;
    return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    IntervalAccumulator totals;
    totals.voltageTotal = take<double>(data, size);
    totals.currentTotal = take<double>(data, size);
    totals.powerTotal = take<double>(data, size);
    const auto count = take<std::int32_t>(data, size);
    totals.frameCount = count > 0 ? count : 1;
    LocalTime time;
    time.hour = take<std::uint16_t>(data, size);
    time.minute = take<std::uint16_t>(data, size);
    time.second = take<std::uint16_t>(data, size);
    time.millisecond = take<std::uint16_t>(data, size);
    AcquisitionSettings settings;
    settings.portIndex = take<std::uint8_t>(data, size) % kPortCount;
    settings.baudRate = take<std::int32_t>(data, size);
    settings.reportIntervalMs = take<std::int32_t>(data, size);
    // Last, so the seeds written before the date keep their meaning.
    time.year = take<std::uint16_t>(data, size);
    time.month = take<std::uint16_t>(data, size);
    time.day = take<std::uint16_t>(data, size);

    ReportTexts texts;
    texts.formatTimeText(time);
    texts.formatMeasurementText(totals);
    texts.formatStatusLine(settings, size % 2 == 0, size % 3 == 0);
    const LogLine line = formatLogLine(time, totals);
    const LogLine dated = formatLogLine(time, totals, LogTimeStamp::LocalDateTime);

    for (const auto* text : {&texts.timeText, &texts.measurementText, &texts.statusText}) {
        if (text->length() > 255 || text->c_str()[text->length()] != L'\0') std::abort();
    }
    for (const std::string_view log : {line.view(), dated.view()}) {
        if (log.size() > 255 || log.empty() || log.back() != '\n' || log.find('\n') != log.size() - 1) std::abort();
    }
    if (dated.view().find('T') == std::string_view::npos || dated.view().find('T') > 17) std::abort();
    // The measurement text always holds both lines.
    if (texts.measurementText.view().find(L"\r\n") == std::wstring_view::npos) std::abort();
    return 0;
}
