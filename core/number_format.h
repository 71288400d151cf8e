// printf-style number formatting in the classic locale, whatever locale the process runs in.
#pragma once

#include <array>
#include <charconv>
#include <cstdint>
#include <string_view>

namespace vemtora {

// Room for any double in fixed notation (309 integer digits) and its decimals.
using NumberChars = std::array<char, 400>;

// "%.*f"
inline std::string_view formatFixed(NumberChars& out, double value, int decimals) {
    const auto result = std::to_chars(out.data(), out.data() + out.size(), value, std::chars_format::fixed, decimals);
    return {out.data(), static_cast<std::size_t>(result.ptr - out.data())};
}

// Shortest form that reads back as the same double, in scientific notation.
inline std::string_view formatScientific(NumberChars& out, double value) {
    const auto result = std::to_chars(out.data(), out.data() + out.size(), value, std::chars_format::scientific);
    return {out.data(), static_cast<std::size_t>(result.ptr - out.data())};
}

// "%0*d" for a value that is not negative.
inline std::string_view formatUnsigned(NumberChars& out, std::uint64_t value, std::size_t minDigits = 1) {
    std::array<char, 20> digits{};
    const auto result = std::to_chars(digits.data(), digits.data() + digits.size(), value);
    const auto length = static_cast<std::size_t>(result.ptr - digits.data());
    std::size_t n = 0;
    while (n + length < minDigits && n < out.size() - digits.size()) out[n++] = '0';
    for (std::size_t i = 0; i < length; ++i) out[n++] = digits[i];
    return {out.data(), n};
}

// "%d"
inline std::string_view formatSigned(NumberChars& out, std::int64_t value) {
    const auto result = std::to_chars(out.data(), out.data() + out.size(), value);
    return {out.data(), static_cast<std::size_t>(result.ptr - out.data())};
}

}  // namespace vemtora
