#include "tools/soak/process_usage.h"

#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

namespace vemtora::soak {

ProcessUsage processUsage() {
    ProcessUsage usage;
    rusage r{};
    getrusage(RUSAGE_SELF, &r);
    usage.cpuSeconds = static_cast<double>(r.ru_utime.tv_sec + r.ru_stime.tv_sec) +
                       static_cast<double>(r.ru_utime.tv_usec + r.ru_stime.tv_usec) * 1e-6;
    usage.contextSwitches = static_cast<std::uint64_t>(r.ru_nvcsw + r.ru_nivcsw);
    usage.peakResidentKb = r.ru_maxrss;
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) usage.residentKb = std::stol(line.substr(6));
    }
    return usage;
}

double secondsSinceProcessStart() {
    // Field 22 of /proc/self/stat: start time in clock ticks after boot. The name in field 2
    // may hold blanks, so count from the closing parenthesis.
    std::ifstream statFile("/proc/self/stat");
    const std::string stat((std::istreambuf_iterator<char>(statFile)), std::istreambuf_iterator<char>());
    std::istringstream fields(stat.substr(stat.rfind(')') + 2));
    std::string field;
    for (int i = 3; i < 22 && fields >> field; ++i) {}
    unsigned long long startTicks = 0;
    fields >> startTicks;
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    const double nowSeconds = static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
    return nowSeconds - static_cast<double>(startTicks) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

}  // namespace vemtora::soak
