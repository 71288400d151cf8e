// A strict UTF-32 to UTF-8 conversion, without the C library's locale-dependent wcstombs.
#include "io/posix/utf8_path.h"

#include <cstdint>

namespace vemtora::posix {

namespace {

void appendUtf8(std::string& out, std::uint32_t codePoint) {
    const auto byte = [](std::uint32_t value) { return static_cast<char>(static_cast<unsigned char>(value)); };
    if (codePoint < 0x80) {
        out += byte(codePoint);
    } else if (codePoint < 0x800) {
        out += byte(0xC0 | (codePoint >> 6));
        out += byte(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        out += byte(0xE0 | (codePoint >> 12));
        out += byte(0x80 | ((codePoint >> 6) & 0x3F));
        out += byte(0x80 | (codePoint & 0x3F));
    } else {
        out += byte(0xF0 | (codePoint >> 18));
        out += byte(0x80 | ((codePoint >> 12) & 0x3F));
        out += byte(0x80 | ((codePoint >> 6) & 0x3F));
        out += byte(0x80 | (codePoint & 0x3F));
    }
}

bool isFileNameCodePoint(std::uint32_t codePoint) {
    const bool surrogate = codePoint >= 0xD800 && codePoint <= 0xDFFF;
    return codePoint != 0 && !surrogate && codePoint <= 0x10FFFF;
}

}  // namespace

std::optional<std::string> toUtf8Path(std::wstring_view path) {
    std::string out;
    out.reserve(path.size());
    for (const wchar_t ch : path) {
        // Through uint32_t so a negative wchar_t cannot slip below the range checks.
        const auto codePoint = static_cast<std::uint32_t>(ch);
        if (!isFileNameCodePoint(codePoint)) return std::nullopt;
        appendUtf8(out, codePoint);
    }
    return out;
}

}  // namespace vemtora::posix
