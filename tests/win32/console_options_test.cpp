// The Windows logger's command line: COM names of any number, and the window's arguments read
// strictly, with the hint where the index cannot reach.
#include <gtest/gtest.h>
#include <windows.h>

#include "shell/logger_win32/console_options.h"

namespace vemtora::logger {
namespace {

std::optional<std::wstring> widen(std::string_view utf8) {
    const int size =
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    if (size <= 0) return std::nullopt;
    std::wstring text(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()), text.data(), size);
    return text;
}

TEST(ConsoleCommandLine, ComNames) {
    const std::pair<std::string_view, const wchar_t*> cases[] = {
        {"COM1", L"COM1"}, {"com17", L"COM17"}, {"Com256", L"COM256"},      {"COM999999999", L"COM999999999"},
        {"COM0", nullptr}, {"COM01", nullptr},  {"COM", nullptr},           {"COM1x", nullptr},
        {"LPT1", nullptr}, {"COM-1", nullptr},  {"COM1000000000", nullptr},
    };
    for (const auto& [text, name] : cases) {
        const auto parsed = comPortName(text);
        EXPECT_EQ(parsed.has_value(), name != nullptr) << text;
        if (parsed && name) {
            EXPECT_EQ(*parsed, name) << text;
        }
    }
}

TEST(ConsoleCommandLine, OptionsAndRefusals) {
    struct Case {
        std::vector<std::string_view> arguments;
        std::string error;  // a part of it; empty: accepted
        std::uint32_t port = 4;
        std::int32_t baud = 9600;
        std::int32_t intervalMs = 500;
        bool dated = false;
        bool reconnect = true;
        std::int64_t durationMs = 0;
        const wchar_t* device = nullptr;
        const wchar_t* log = nullptr;
    };
    const Case cases[] = {
        {{"3", "--speed", "1200", "--interval=0.2", "--iso-time", "--no-reconnect", "--duration", "8h"},
         "",
         3,
         1200,
         200,
         true,
         false,
         28'800'000},
        {{"--device", "com17", "--log", "C:\\lab\\\xc3\xa9t\xc3\xa9.log"},
         "",
         4,
         9600,
         500,
         false,
         true,
         0,
         L"COM17",
         L"C:\\lab\\\u00e9t\u00e9.log"},
        {{"16"}, "for COM17 and up, use --device COMn"},
        {{"COM3"}, "use --device COMn"},
        {{"--device", "/dev/ttyUSB0"}, "--device '/dev/ttyUSB0'"},
        {{"2", "0.5"}, "scale"},
        {{"--speed", "1000"}, "--speed '1000'"},
        {{"--log", ""}, "--log needs a file name"},
        {{"--log", "\xff.log"}, "not a file name"},
        {{"--duration", "1w"}, "--duration '1w'"},
        {{"--format", "csv"}, "--format 'csv': use text or json"},
        {{"--metrics-file="}, "--metrics-file '': not a file name"},
        {{"--mqtt", "mqtt://host/x"}, "unknown option --mqtt"},
        {{"--metrics", "9100"}, "unknown option --metrics"},
    };
    for (const Case& c : cases) {
        const ParsedConsoleLine parsed = parseConsoleCommandLine(c.arguments, widen);
        const std::string shown = c.arguments.empty() ? "" : std::string(c.arguments[0]);
        if (!c.error.empty()) {
            EXPECT_NE(parsed.error.find(c.error), std::string::npos) << shown << ": " << parsed.error;
            continue;
        }
        ASSERT_EQ(parsed.error, "") << shown;
        const ConsoleOptions& options = parsed.options;
        EXPECT_EQ(options.settings.portIndex, c.port) << shown;
        EXPECT_EQ(options.settings.baudRate, c.baud) << shown;
        EXPECT_EQ(options.settings.reportIntervalMs, c.intervalMs) << shown;
        EXPECT_EQ(options.settings.logTimeStamp == LogTimeStamp::LocalDateTime, c.dated) << shown;
        EXPECT_EQ(options.reconnect, c.reconnect) << shown;
        EXPECT_EQ(options.durationMs.value_or(0), c.durationMs) << shown;
        EXPECT_EQ(std::wstring(portName(options.settings)),
                  c.device ? std::wstring(c.device) : std::wstring(kPortNames[c.port]))
            << shown;
        EXPECT_EQ(options.logPath.value_or(L""), c.log ? c.log : L"") << shown;
    }
    EXPECT_EQ(parseConsoleCommandLine({"--help", "--bogus"}, widen).options.action, ConsoleAction::ShowHelp);
    EXPECT_EQ(parseConsoleCommandLine({"--format", "json"}, widen).options.format, OutputFormat::Json);
    EXPECT_EQ(parseConsoleCommandLine({}, widen).options.format, OutputFormat::Text);
}

}  // namespace
}  // namespace vemtora::logger
