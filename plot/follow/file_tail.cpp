#include "file_tail.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace vemtora::plot {

namespace {

// 0 with a regular file open in `file`, or the errno of the failure.
int openRegular(const std::string& path, posix::OwnedDescriptor& file, struct stat& status) {
    // Non-blocking, so a named pipe is refused at once instead of waiting for a writer.
    posix::OwnedDescriptor opened(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!opened.isOpen()) return errno;
    if (::fstat(opened.get(), &status) != 0) return errno;
    if (!S_ISREG(status.st_mode)) return S_ISDIR(status.st_mode) ? EISDIR : EINVAL;
    file = std::move(opened);
    return 0;
}

}  // namespace

int FileTail::open(const std::string& path) {
    close();
    const int error = openAt(path);
    if (error == 0) path_ = path;
    return error;
}

int FileTail::openAt(const std::string& path) {
    posix::OwnedDescriptor file;
    struct stat status {};
    const int error = openRegular(path, file, status);
    if (error != 0) return error;
    fd_ = std::move(file);  // closes the file read so far, if any
    device_ = status.st_dev;
    inode_ = status.st_ino;
    offset_ = 0;
    return 0;
}

bool FileTail::oldFileHasMore() const {
    struct stat open {};
    return ::fstat(fd_.get(), &open) == 0 && open.st_size > offset_;
}

void FileTail::close() {
    fd_.reset();
    offset_ = 0;
}

FileTail::Read FileTail::poll(std::size_t maxBytes) {
    Read result;
    if (!fd_.isOpen()) return result;

    // Polled rather than watched: inotify misses appends on network file systems.
    struct stat named {};
    if (::stat(path_.c_str(), &named) != 0) {
        result.gone = true;  // mid-replacement, or deleted: keep reading what is open
    } else if ((named.st_dev != device_ || named.st_ino != inode_) && !oldFileHasMore()) {
        // What the writer put in the old file before it moved on is read first. One that lives on
        // under another name was rotated; one unlinked was replaced.
        struct stat old {};
        const bool rotated = ::fstat(fd_.get(), &old) == 0 && old.st_nlink > 0;
        posix::OwnedDescriptor previous(::fcntl(fd_.get(), F_DUPFD_CLOEXEC, 0));
        if (openAt(path_) == 0) {  // otherwise not readable yet: try again next time
            result.rotated = rotated;
            result.restarted = !rotated;
            if (rotated) result.rotatedFile = std::move(previous);
        }
    }
    struct stat open {};
    if (::fstat(fd_.get(), &open) == 0 && open.st_size < offset_) {
        offset_ = 0;
        result.restarted = true;
    }

    buffer_.resize(maxBytes);
    std::size_t filled = 0;
    while (filled < maxBytes) {
        const ssize_t n = ::pread(fd_.get(), buffer_.data() + filled, maxBytes - filled, offset_);
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
