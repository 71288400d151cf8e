// Follows a file as it grows, as tail -F does: new bytes as they are appended; a file rotated
// (renamed, a new one under the name) read to its end and then the new one; a fresh start when
// the file is cut back or replaced (the old one gone).
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "io/posix/owned_descriptor.h"

namespace vemtora::plot {

class FileTail {
public:
    FileTail() = default;
    FileTail(const FileTail&) = delete;
    FileTail& operator=(const FileTail&) = delete;
    ~FileTail() = default;

    // 0, or the errno of the failure: EISDIR for a folder, EINVAL for a device or pipe (no log is either).
    int open(const std::string& path);
    void close();
    bool isOpen() const { return fd_.isOpen(); }
    const std::string& path() const { return path_; }

    struct Read {
        bool restarted = false;              // cut back or replaced: `bytes` come from the file's start again
        bool rotated = false;                // `bytes` come from a new file under the name; the old one lives on
        posix::OwnedDescriptor rotatedFile;  // with rotated: the old file, still open
        std::string_view bytes;              // valid until the next poll
        bool more = false;                   // more is waiting than maxBytes allowed
        bool gone = false;                   // the name leads nowhere now; the open file is still read
        int error = 0;                       // errno of a failed read
    };
    Read poll(std::size_t maxBytes);

private:
    int openAt(const std::string& path);
    bool oldFileHasMore() const;

    std::string path_;
    posix::OwnedDescriptor fd_;
    dev_t device_ = 0;
    ino_t inode_ = 0;
    off_t offset_ = 0;
    std::vector<char> buffer_;
};

}  // namespace vemtora::plot
