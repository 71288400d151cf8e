// What this process has cost so far: CPU time, wake-ups, memory.
#pragma once

#include <cstdint>

namespace vemtora::soak {

struct ProcessUsage {
    double cpuSeconds = 0;              // user and system
    std::uint64_t contextSwitches = 0;  // voluntary and involuntary: each one a wake-up or a preemption
    long residentKb = 0;                // now
    long peakResidentKb = 0;
};

ProcessUsage processUsage();

// Seconds from the process's start to now.
double secondsSinceProcessStart();

}  // namespace vemtora::soak
