// SIGTERM, SIGINT and SIGHUP as readable events for the logger's loop (a signalfd), so a signal
// never interrupts a write and the loop ends after the step it is in.
#pragma once

#include "io/posix/owned_descriptor.h"

namespace vemtora::logger {

class TerminationSignals {
public:
    // Blocks the three signals for the rest of the process's life (unblocked at the end, a second
    // signal still pending would kill it after its clean end); made before anything else.
    TerminationSignals();

    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

    bool valid() const { return fd_.isOpen(); }
    int fd() const { return fd_.get(); }
    // The signal that arrived, 0 when none is waiting.
    int take();

private:
    posix::OwnedDescriptor fd_;
};

}  // namespace vemtora::logger
