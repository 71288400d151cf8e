#include "file_tail.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace vemtora::plot {

FileTail::~FileTail() { close(); }

int FileTail::open(const std::string& path) {
    close();
    const int error = openAt(path);
    if (error == 0) path_ = path;
    return error;
}

int FileTail::openAt(const std::string& path) {
    // Non-blocking, so a named pipe is refused at once instead of waiting for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return errno;
    struct stat status {};
    int error = 0;
    if (::fstat(fd, &status) != 0) {
        error = errno;
    } else if (!S_ISREG(status.st_mode)) {
        error = S_ISDIR(status.st_mode) ? EISDIR : EINVAL;
    }
    if (error != 0) {
        ::close(fd);
        return error;
    }
    fd_ = fd;
    device_ = status.st_dev;
    inode_ = status.st_ino;
    offset_ = 0;
    return 0;
}

void FileTail::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    offset_ = 0;
}

FileTail::Read FileTail::poll(std::size_t maxBytes) {
    Read result;
    if (fd_ < 0) return result;

    // Polled rather than watched: inotify misses appends on network file systems.
    struct stat named {};
    if (::stat(path_.c_str(), &named) != 0) {
        result.gone = true;  // mid-replacement, or deleted: keep reading what is open
    } else if (named.st_dev != device_ || named.st_ino != inode_) {
        const int oldFd = fd_;
        fd_ = -1;
        if (openAt(path_) == 0) {
            ::close(oldFd);
            result.restarted = true;
        } else {
            fd_ = oldFd;  // not readable yet; try again next time
        }
    }
    struct stat open {};
    if (::fstat(fd_, &open) == 0 && open.st_size < offset_) {
        offset_ = 0;
        result.restarted = true;
    }

    buffer_.resize(maxBytes);
    std::size_t filled = 0;
    while (filled < maxBytes) {
        const ssize_t n = ::pread(fd_, buffer_.data() + filled, maxBytes - filled, offset_);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            result.error = errno;
            break;
        }
        if (n == 0) break;
        filled += static_cast<std::size_t>(n);
        offset_ += n;
    }
    result.bytes = std::string_view(buffer_.data(), filled);
    result.more = filled == maxBytes && maxBytes > 0;
    return result;
}

}  // namespace vemtora::plot
