// File names typed on a command line, read as strict UTF-8 and written back unchanged.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "io/posix/utf8_path.h"

namespace vemtora::posix {
namespace {

TEST(FromUtf8Path, TakesEveryCharacterAndGivesTheSameBytesBack) {
    const struct {
        std::string bytes;
        std::wstring wide;
    } rows[] = {
        {"meter.log", L"meter.log"},
        {"", L""},
        {"caf\xc3\xa9", L"caf\u00e9"},                          // two bytes
        {"\xe3\x83\xad\xe3\x82\xb0.log", L"\u30ed\u30b0.log"},  // three
        {"\xf0\x9f\x94\x8c", L"\U0001F50C"},                    // four
        {"\xc2\x80\xdf\xbf", L"\u0080\u07ff"},                  // the ends of the two-byte range
        {"\xef\xbf\xbf\xf4\x8f\xbf\xbf", L"\uffff\U0010FFFF"},  // the last of three and of four bytes
    };
    for (const auto& row : rows) {
        EXPECT_EQ(fromUtf8Path(row.bytes), row.wide) << row.bytes;
        EXPECT_EQ(toUtf8Path(row.wide), row.bytes);
    }
}

TEST(FromUtf8Path, RefusesWhatIsNotStrictUtf8) {
    const std::string rows[] = {
        std::string("a\0b", 3),  // NUL
        "\x80",                  // a continuation byte without a lead
        "\xc3",                  // cut short
        "\xe3\x83",              // cut short
        "\xc3\x28",              // a lead followed by no continuation
        "\xc0\xaf",              // overlong "/"
        "\xe0\x80\xaf",          // overlong "/"
        "\xf0\x80\x80\xaf",      // overlong "/"
        "\xed\xa0\x80",          // a surrogate
        "\xf4\x90\x80\x80",      // above U+10FFFF
        "\xf8\x88\x80\x80\x80",  // five bytes
        "\xff",                  // never in UTF-8
        "latin1 caf\xe9",        // a Latin-1 name
    };
    for (const auto& row : rows) EXPECT_EQ(fromUtf8Path(row), std::nullopt) << ::testing::PrintToString(row);
}

}  // namespace
}  // namespace vemtora::posix
