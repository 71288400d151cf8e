// Writing all of a short text to a descriptor, through partial writes and signals.
#pragma once

#include <unistd.h>

#include <cerrno>
#include <string_view>

#include "io/posix/posix_result.h"

namespace vemtora::posix {

// False with errno set when the descriptor stops taking bytes part way.
inline bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = retryOnInterrupt([&] { return ::write(fd, bytes.data(), bytes.size()); });
        // 0 would mean no progress; treat it as the failure it is rather than loop on it.
        if (written == 0) errno = EIO;
        if (written <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

}  // namespace vemtora::posix
