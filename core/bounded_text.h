// A fixed-capacity text that keeps its length and can never overflow.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace vemtora {

template <typename CharT, std::size_t Capacity>
class BoundedText {
    static_assert(Capacity > 0);

public:
    static constexpr std::size_t kMaxLength = Capacity - 1;  // room for the terminating NUL

    void clear() {
        length_ = 0;
        chars_[0] = CharT{};
    }

    // Appends ASCII text; whatever does not fit is dropped. Returns false when something was dropped.
    bool append(std::string_view ascii) {
        const std::size_t room = kMaxLength - length_;
        const std::size_t n = ascii.size() < room ? ascii.size() : room;
        for (std::size_t i = 0; i < n; ++i) chars_[length_ + i] = static_cast<CharT>(ascii[i]);
        length_ += n;
        chars_[length_] = CharT{};
        return n == ascii.size();
    }

    // Appends text of its own kind, which may be more than ASCII (a device's name).
    bool appendText(std::basic_string_view<CharT> text) {
        const std::size_t room = kMaxLength - length_;
        const std::size_t n = text.size() < room ? text.size() : room;
        for (std::size_t i = 0; i < n; ++i) chars_[length_ + i] = text[i];
        length_ += n;
        chars_[length_] = CharT{};
        return n == text.size();
    }

    std::size_t length() const { return length_; }
    const CharT* c_str() const { return chars_.data(); }
    std::basic_string_view<CharT> view() const { return {chars_.data(), length_}; }

private:
    std::array<CharT, Capacity> chars_{};
    std::size_t length_ = 0;
};

}  // namespace vemtora
