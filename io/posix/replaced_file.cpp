#include "io/posix/replaced_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "io/posix/failure.h"
#include "io/posix/whole_write.h"

namespace vemtora::posix {

std::string replaceFile(const std::string& path, std::string_view text) {
    // Beside the file, so the rename stays on one file system; a collector reads only *.prom.
    const std::string temporary = path + ".tmp";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return errorText(errno);
    const bool written = writeAll(fd, text);
    const int writeError = errno;
    if (::close(fd) != 0 || !written) {
        const int error = written ? errno : writeError;
        ::unlink(temporary.c_str());
        return errorText(error);
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        return errorText(error);
    }
    return {};
}

}  // namespace vemtora::posix
