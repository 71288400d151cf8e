// A pseudo-terminal whose slave side plays the meter's serial port.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vemtora::simulator {

class PseudoTerminal {
public:
    PseudoTerminal();  // throws std::runtime_error when no pty can be had
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    const std::string& slavePath() const { return slavePath_; }

    // Makes `link` a symlink to the slave (replacing an old symlink); removed again on destruction.
    bool addLink(const std::string& link);

    // Writes what the line can take now; returns the bytes written (a full line drops the rest).
    std::size_t send(std::string_view bytes);

private:
    int master_ = -1;
    int slave_ = -1;  // held open so the line stays up while no reader has it
    std::string slavePath_;
    std::vector<std::string> links_;
};

}  // namespace vemtora::simulator
