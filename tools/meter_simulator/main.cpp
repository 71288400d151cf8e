// vemtora-meter-simulator: a meter on a pseudo-terminal, paced like a real serial line.
#include <csignal>
#include <cstdio>
#include <ctime>
#include <exception>
#include <string>
#include <vector>

#include "tools/meter_simulator/frame_source.h"
#include "tools/meter_simulator/pseudo_terminal.h"
#include "tools/meter_simulator/simulator_options.h"

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void requestStop(int) { stopRequested = 1; }

double nowSeconds() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

void sleepUntil(double deadline) {
    timespec t{};
    t.tv_sec = static_cast<time_t>(deadline);
    t.tv_nsec = static_cast<long>((deadline - static_cast<double>(t.tv_sec)) * 1e9);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &t, nullptr) == EINTR && !stopRequested) {
    }
}

}  // namespace

int main(int argc, char** argv) {
    using namespace vemtora::simulator;
    std::string error;
    const auto options = parseSimulatorOptions(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!options) {
        std::fprintf(stderr, "%s\n%s", error.c_str(), kSimulatorUsage);
        return 2;
    }

    struct sigaction action {};
    action.sa_handler = requestStop;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    try {
        PseudoTerminal line;
        for (const auto& link : options->links) {
            if (!line.addLink(link)) {
                std::fprintf(stderr, "cannot link %s\n", link.c_str());
                return 1;
            }
        }
        std::printf("%s\n", line.slavePath().c_str());
        std::fflush(stdout);

        const double byteSeconds = 10.0 / options->baudRate;  // start, 8 data and stop bit
        const double start = nowSeconds();
        const double end = options->durationSeconds > 0 ? start + options->durationSeconds : 0.0;
        const double framePeriod = options->framesPerSecond > 0 ? 1.0 / options->framesPerSecond : 0.0;
        FrameSource source(*options);
        unsigned long long sent = 0, wellFormed = 0, dropped = 0;
        double due = start;
        bool rawSent = false;
        while (!stopRequested && (end == 0.0 || due < end)) {
            sleepUntil(due);
            if (stopRequested) break;
            if (options->raw) {
                if (!rawSent) line.send(*options->raw);
                rawSent = true;
                due += 0.05;
                continue;
            }
            bool counts = false;
            const std::string frame = source.next(counts);
            if (line.send(frame) == frame.size()) {
                ++sent;
                wellFormed += counts ? 1 : 0;
            } else {
                ++dropped;
            }
            const double lineTime = static_cast<double>(frame.size()) * byteSeconds;
            due += lineTime > framePeriod ? lineTime : framePeriod;
        }
        std::fprintf(stderr, "frames sent %llu, well-formed %llu, dropped %llu\n", sent, wellFormed, dropped);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
