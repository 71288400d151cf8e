// How POSIX calls report failure, mapped once to what the link and the writer need.
#pragma once

#include <sys/types.h>
#include <cerrno>
#include <cstddef>

namespace vemtora::posix {

// A call that fails with -1 and errno EINTR was cut short by a signal and is simply repeated.
template <typename Call>
auto retryOnInterrupt(Call call) {
    auto result = call();
    while (result == -1 && errno == EINTR) result = call();
    return result;
}

inline bool succeeded(long result) { return result != -1; }

// For the poll, only bytes count: no data, an interrupted read and a vanished device all mean 0.
inline std::size_t bytesReceived(ssize_t result) { return result > 0 ? static_cast<std::size_t>(result) : 0; }

}  // namespace vemtora::posix
