// A pseudo-terminal whose slave side plays a meter's serial port: for the meter simulator and
// for the tests that stand a meter in front of the serial link.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "io/posix/owned_descriptor.h"

namespace vemtora::pty {

// How the slave starts out. A test of the serial link wants the tty as the system opens it
// (cooked, echoing), so that only the link's own settings can make it raw; the simulator wants
// it raw from the start, so that no echo piles up on the master before a reader sets it.
enum class LineMode { AsOpened, Raw };

class PseudoTerminal {
public:
    explicit PseudoTerminal(LineMode mode = LineMode::AsOpened);  // throws std::runtime_error without a pty
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    // The meter's end; never blocks, so a stopped line cannot hang the writer.
    int master() const { return master_.get(); }
    // Held open so the line stays up while no reader has it; never blocks either.
    int slave() const { return slave_.get(); }
    const std::string& slavePath() const { return slavePath_; }

    // Makes `link` a symlink to the slave (replacing an old symlink); removed again on destruction.
    bool addLink(const std::string& link);

    // Writes what the line can take now; returns the bytes written (a full line drops the rest).
    std::size_t send(std::string_view bytes);

    // The cable is pulled: the slave is hung up and its device node goes away.
    void unplug() { master_.reset(); }

private:
    posix::OwnedDescriptor master_;
    posix::OwnedDescriptor slave_;
    std::string slavePath_;
    std::vector<std::string> links_;
};

}  // namespace vemtora::pty
