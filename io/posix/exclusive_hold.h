// Holding a file or device against other programs: both kinds of advisory lock Linux programs take.
#pragma once

namespace vemtora::posix {

// Takes an flock and an open-file-description write lock on the whole of fd, without waiting.
// Programs that lock with flock and programs that lock with fcntl or lockf see two worlds of
// locks that never meet; holding both keeps out either kind. 0, or the errno of the failure
// (EWOULDBLOCK when someone else holds one of them).
int takeExclusiveHold(int fd);

}  // namespace vemtora::posix
