// A small scanf-style reader: the few conversions the command line and the
// meter frames need, locale-free and without undefined behaviour on any input.
#pragma once

#include <charconv>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

namespace vemtora {

enum class ScanStatus {
    Missing,     // nothing that looks like the item: the scan stops here
    OutOfRange,  // the item was consumed but its value does not fit
    Read,
};

template <typename Value>
struct Scanned {
    ScanStatus status = ScanStatus::Missing;
    Value value{};
};

template <typename CharT>
class ScanReader {
public:
    explicit ScanReader(std::basic_string_view<CharT> text) : text_(text) {}

    // White space as the classic locale knows it.
    static constexpr bool isWhite(CharT c) {
        return c == CharT(' ') || c == CharT('\t') || c == CharT('\n') || c == CharT('\v') || c == CharT('\f') ||
               c == CharT('\r');
    }

    void skipWhite() {
        while (pos_ < text_.size() && isWhite(text_[pos_])) ++pos_;
    }

    // %d: optional white space, optional sign, one or more decimal digits.
    Scanned<std::int32_t> readInt32() {
        skipWhite();
        std::size_t p = pos_;
        bool negative = false;
        if (p < text_.size() && (text_[p] == CharT('+') || text_[p] == CharT('-'))) {
            negative = text_[p] == CharT('-');
            ++p;
        }
        const std::size_t digitsStart = p;
        // Magnitude saturates just past the range so arbitrarily long input cannot overflow.
        constexpr std::uint64_t kLimit = std::uint64_t{1} << 32;
        std::uint64_t magnitude = 0;
        while (p < text_.size() && isDigit(text_[p])) {
            if (magnitude < kLimit) magnitude = magnitude * 10 + static_cast<std::uint64_t>(text_[p] - CharT('0'));
            ++p;
        }
        if (p == digitsStart) return {};
        pos_ = p;
        const std::uint64_t maxMagnitude = negative ? std::uint64_t{1} << 31 : (std::uint64_t{1} << 31) - 1;
        if (magnitude > maxMagnitude) return {ScanStatus::OutOfRange, 0};
        const auto signedValue =
            negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
        return {ScanStatus::Read, static_cast<std::int32_t>(signedValue)};
    }

    // %f in plain decimal form (digits, point, exponent), correctly rounded to
    // single precision. A value that is not finite as a float is out of range.
    Scanned<float> readFloat() {
        skipWhite();
        std::size_t p = pos_;
        if (p < text_.size() && (text_[p] == CharT('+') || text_[p] == CharT('-'))) ++p;
        std::size_t digits = skipDigits(p);
        if (p < text_.size() && text_[p] == CharT('.')) {
            ++p;
            digits += skipDigits(p);
        }
        if (digits == 0) return {};
        if (p < text_.size() && (text_[p] == CharT('e') || text_[p] == CharT('E'))) {
            std::size_t e = p + 1;
            if (e < text_.size() && (text_[e] == CharT('+') || text_[e] == CharT('-'))) ++e;
            if (skipDigits(e) > 0) p = e;
        }
        std::string narrow;
        narrow.reserve(p - pos_);
        for (std::size_t i = pos_; i < p; ++i) narrow.push_back(static_cast<char>(text_[i]));
        pos_ = p;
        // from_chars takes no leading plus.
        const char* first = narrow.data();
        if (*first == '+') ++first;
        float value = 0.0f;
        const auto result = std::from_chars(first, narrow.data() + narrow.size(), value);
        if (result.ec != std::errc{} ||
            !(value <= std::numeric_limits<float>::max() && value >= std::numeric_limits<float>::lowest())) {
            return {ScanStatus::OutOfRange, 0.0f};
        }
        return {ScanStatus::Read, value};
    }

    std::size_t position() const { return pos_; }

private:
    static constexpr bool isDigit(CharT c) { return c >= CharT('0') && c <= CharT('9'); }

    std::size_t skipDigits(std::size_t& p) const {
        const std::size_t start = p;
        while (p < text_.size() && isDigit(text_[p])) ++p;
        return p - start;
    }

    std::basic_string_view<CharT> text_;
    std::size_t pos_ = 0;
};

}  // namespace vemtora
