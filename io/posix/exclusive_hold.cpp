// flock and fcntl locks together.
#include "io/posix/exclusive_hold.h"

#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>

#include "io/posix/posix_result.h"

namespace vemtora::posix {

int takeExclusiveHold(int fd) {
    if (!succeeded(retryOnInterrupt([fd] { return ::flock(fd, LOCK_EX | LOCK_NB); }))) return errno;
    // An OFD lock belongs to this descriptor, not to the process, so closing some other
    // descriptor of the same file cannot drop it as it would a classic fcntl lock.
    struct flock whole {};
    whole.l_type = F_WRLCK;
    whole.l_whence = SEEK_SET;
    if (succeeded(retryOnInterrupt([&] { return ::fcntl(fd, F_OFD_SETLK, &whole); }))) return 0;
    // fcntl says EACCES or EAGAIN for a lock held elsewhere; one word for both, as flock has.
    const int error = errno == EACCES || errno == EAGAIN ? EWOULDBLOCK : errno;
    ::flock(fd, LOCK_UN);
    return error;
}

}  // namespace vemtora::posix
