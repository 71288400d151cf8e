// Waiting on a descriptor (a pty's end, a child's pipe) without ever outliving a deadline.
#pragma once

#include <chrono>

namespace vemtora::pty {

// True once fd is readable; false at the deadline.
bool waitReadable(int fd, std::chrono::steady_clock::time_point deadline);

}  // namespace vemtora::pty
