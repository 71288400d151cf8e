// Finds the meter's frames "a<volts>\t<amps>\t<divisor>z" in the byte stream, poll by poll.
#pragma once

#include <cstddef>
#include <cstring>
#include <string_view>

#include "raw_frame.h"

namespace vemtora {

// No real frame comes near this length (three signed 32-bit fields and two separators make 37
// bytes): an "a" that has seen this many bytes without its "z" is line noise, not a frame.
inline constexpr std::size_t kMaxFrameBytes = 64;

// A serial line splits frames wherever it likes, so a frame begun in one poll is continued in
// the next: what the scanner finds does not depend on where the polls cut the stream.
// The first "z" after a frame's "a" ends it; an "a" inside a frame starts no frame. A frame
// counts only when its body is three 32-bit integers, each after optional white space, with
// nothing but white space after the third; anything else is damage, and the frame is dropped.
// A frame that reaches kMaxFrameBytes without its "z" is given up, and the search for the next
// "a" starts with the byte after those kMaxFrameBytes. Allocates nothing.
class FrameScanner {
public:
    // Calls onFrame(const MeterFrame&) for every well-formed frame the bytes complete, in order,
    // whatever its divisor.
    template <typename OnFrame>
    void scan(std::string_view bytes, OnFrame&& onFrame);

    // Forgets a frame begun but not ended: the bytes that would follow it come from another
    // session of the port.
    void dropPendingFrame() { inFrame_ = false; }
    bool hasPendingFrame() const { return inFrame_; }

    // The last frame that parsed completely.
    const MeterFrame& frame() const { return frame_; }

private:
    static constexpr std::size_t kMaxBodyBytes = kMaxFrameBytes - 2;

    // Reads the bytes between "a" and "z" into frame_; false when they are not three fields.
    bool parseBody(std::string_view body);

    MeterFrame frame_;
    bool inFrame_ = false;
    std::size_t pendingLength_ = 0;
    char pending_[kMaxBodyBytes] = {};
};

template <typename OnFrame>
void FrameScanner::scan(std::string_view bytes, OnFrame&& onFrame) {
    const char* pos = bytes.data();
    const char* const end = pos + bytes.size();
    while (pos != end) {
        if (!inFrame_) {
            const auto* start = static_cast<const char*>(std::memchr(pos, 'a', static_cast<std::size_t>(end - pos)));
            if (start == nullptr) return;
            pos = start + 1;
            inFrame_ = true;
            pendingLength_ = 0;
            continue;
        }
        // Look no further than the byte that would make the frame too long.
        const std::size_t room = kMaxBodyBytes + 1 - pendingLength_;
        const std::size_t available = static_cast<std::size_t>(end - pos);
        const std::size_t window = available < room ? available : room;
        const auto* mark = static_cast<const char*>(std::memchr(pos, 'z', window));
        if (mark == nullptr) {
            if (window == room) {
                inFrame_ = false;  // given up; the search resumes after it
            } else {
                std::memcpy(pending_ + pendingLength_, pos, window);
                pendingLength_ += window;
            }
            pos += window;
            continue;
        }
        const auto length = static_cast<std::size_t>(mark - pos);
        std::string_view body(pos, length);
        if (pendingLength_ > 0) {
            std::memcpy(pending_ + pendingLength_, pos, length);
            body = std::string_view(pending_, pendingLength_ + length);
        }
        inFrame_ = false;
        pos = mark + 1;
        if (parseBody(body)) onFrame(frame_);
    }
}

}  // namespace vemtora
