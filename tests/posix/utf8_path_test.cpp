// Wide paths to UTF-8 file names.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "io/posix/utf8_path.h"

namespace vemtora::posix {
namespace {

TEST(Utf8PathTest, EncodesEveryLengthAndRefusesWhatNoFileNameHolds) {
    struct Row {
        std::wstring path;
        std::optional<std::string> expected;
    };
    const Row rows[] = {
        {L"/tmp/a.log", "/tmp/a.log"},
        {L"\u007f", "\x7f"},
        {L"\u00e9", "\xc3\xa9"},
        {L"\u07ff", "\xdf\xbf"},
        {L"\u0800", "\xe0\xa0\x80"},
        {L"\u30ed\u30b0.log", "\xe3\x83\xad\xe3\x82\xb0.log"},
        {L"\uffff", "\xef\xbf\xbf"},
        {L"\U00010000", "\xf0\x90\x80\x80"},
        {L"\U0010ffff", "\xf4\x8f\xbf\xbf"},
        {L"", ""},
        {std::wstring(1, static_cast<wchar_t>(0xD800)), std::nullopt},
        {std::wstring(1, static_cast<wchar_t>(0xDFFF)), std::nullopt},
        {std::wstring(1, static_cast<wchar_t>(0x110000)), std::nullopt},
        {std::wstring(1, static_cast<wchar_t>(-1)), std::nullopt},
        {std::wstring(L"a\0b", 3), std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::PrintToString(row.path));
        EXPECT_EQ(toUtf8Path(row.path), row.expected);
    }
}

}  // namespace
}  // namespace vemtora::posix
