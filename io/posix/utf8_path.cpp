// Strict conversions between UTF-32 and UTF-8, without the C library's locale-dependent wcstombs.
#include "io/posix/utf8_path.h"

#include <cstddef>
#include <cstdint>
#include <utility>

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

// The length of the sequence a lead byte starts, 0 for a byte that cannot lead one.
std::size_t sequenceLength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return 2;  // C0 and C1 would only start overlong forms
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;  // above F4 lies beyond U+10FFFF
    return 0;
}

// The smallest code point that needs a sequence of each length: anything less is overlong.
constexpr std::uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};

}  // namespace

std::optional<std::wstring> fromUtf8Path(std::string_view path) {
    std::wstring out;
    out.reserve(path.size());
    for (std::size_t i = 0; i < path.size();) {
        const auto lead = static_cast<unsigned char>(path[i]);
        const std::size_t length = sequenceLength(lead);
        if (length == 0 || path.size() - i < length) return std::nullopt;
        std::uint32_t codePoint = length == 1 ? lead : lead & (0xFFu >> (length + 1));
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(path[i + k]);
            if ((next & 0xC0) != 0x80) return std::nullopt;
            codePoint = (codePoint << 6) | (next & 0x3Fu);
        }
        if (codePoint < kSmallest[length] || !isFileNameCodePoint(codePoint)) return std::nullopt;
        out += static_cast<wchar_t>(codePoint);
        i += length;
    }
    return out;
}

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

std::string shownPath(std::wstring_view path) {
    if (auto converted = toUtf8Path(path)) return std::move(*converted);
    std::string shown;
    for (const wchar_t ch : path) shown += ch > 0 && ch < 0x80 ? static_cast<char>(ch) : '?';
    return shown;
}

}  // namespace vemtora::posix
