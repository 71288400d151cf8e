#include "tools/pseudo_terminal/pseudo_terminal.h"

#include <fcntl.h>
#include <pty.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

namespace vemtora::pty {

namespace {

void setFlags(int fd) {
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    ::fcntl(fd, F_SETFD, FD_CLOEXEC);
}

}  // namespace

PseudoTerminal::PseudoTerminal(LineMode mode) {
    int master = -1;
    int slave = -1;
    char name[256] = {};
    termios raw{};
    ::cfmakeraw(&raw);
    if (::openpty(&master, &slave, name, mode == LineMode::Raw ? &raw : nullptr, nullptr) != 0) {
        throw std::runtime_error("openpty failed");
    }
    master_.reset(master);
    slave_.reset(slave);
    slavePath_ = name;
    setFlags(master);
    setFlags(slave);
}

PseudoTerminal::~PseudoTerminal() {
    for (const auto& link : links_) ::unlink(link.c_str());
}

bool PseudoTerminal::addLink(const std::string& link) {
    struct stat st {};
    if (::lstat(link.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) ::unlink(link.c_str());
    if (::symlink(slavePath_.c_str(), link.c_str()) != 0) return false;
    links_.push_back(link);
    return true;
}

std::size_t PseudoTerminal::send(std::string_view bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::write(master(), bytes.data() + sent, bytes.size() - sent);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            break;
        }
    }
    return sent;
}

}  // namespace vemtora::pty
