// SIGTERM, SIGINT and SIGHUP as readable events for a program's loop (a signalfd), so a signal
// never interrupts a write and the loop ends after the step it is in.
#pragma once

#include <initializer_list>

#include "io/posix/owned_descriptor.h"

namespace vemtora::posix {

class TerminationSignals {
public:
    // Blocks the three signals for the rest of the process's life (unblocked at the end, a second
    // signal still pending would kill it after its clean end); made before anything else.
    // One that was ignored when the program started is left ignored: `nohup` and a shell's `&`
    // job ask for exactly that. alsoRead: further signals read from the same descriptor, always.
    explicit TerminationSignals(std::initializer_list<int> alsoRead = {});

    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

    bool valid() const { return fd_.isOpen(); }
    int fd() const { return fd_.get(); }
    // The signal that arrived, 0 when none is waiting.
    int take();

private:
    OwnedDescriptor fd_;
};

}  // namespace vemtora::posix
