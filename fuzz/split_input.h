// How the fuzz targets read one input as a stream and the sizes of the pieces it arrives in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vemtora::fuzzing {

// The first byte says how many of the following bytes are piece sizes; the rest is the stream.
struct SplitInput {
    SplitInput(const std::uint8_t* data, std::size_t size) {
        if (size == 0) return;
        sizeCount = data[0] % 16;
        if (sizeCount > size - 1) sizeCount = size - 1;
        sizes = data + 1;
        stream = std::string_view(reinterpret_cast<const char*>(sizes + sizeCount), size - 1 - sizeCount);
    }

    // Calls take(piece) for consecutive pieces of the stream: of the given sizes (each taken as
    // 1 + its value modulo `largest`, cycling), one byte each when there are none.
    template <typename Take>
    void forEachPiece(std::size_t largest, Take&& take) const {
        std::size_t next = 0;
        for (std::size_t i = 0; next < stream.size(); ++i) {
            std::size_t piece = sizeCount == 0 ? 1 : sizes[i % sizeCount] % largest + 1;
            if (piece > stream.size() - next) piece = stream.size() - next;
            take(stream.substr(next, piece));
            next += piece;
        }
    }

    std::string_view stream;
    const std::uint8_t* sizes = nullptr;
    std::size_t sizeCount = 0;
};

}  // namespace vemtora::fuzzing
