// vemtora-meter-simulator: a meter on a pseudo-terminal, paced like a real serial line.
#include <signal.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <exception>
#include <string>
#include <vector>

#include "tools/meter_simulator/frame_source.h"
#include "tools/meter_simulator/line_pacer.h"
#include "tools/meter_simulator/simulator_options.h"
#include "tools/pseudo_terminal/pseudo_terminal.h"

namespace {

volatile sig_atomic_t stopRequested = 0;
volatile sig_atomic_t released = 0;

void requestStop(int) { stopRequested = 1; }
void release(int) { released = 1; }

double nowSeconds() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

void sleepUntil(double deadline) {
    timespec t{};
    t.tv_sec = static_cast<time_t>(deadline);
    t.tv_nsec = static_cast<long>((deadline - static_cast<double>(t.tv_sec)) * 1e9);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &t, nullptr) == EINTR && !stopRequested) {}
}

void installHandlers() {
    struct sigaction action {};
    action.sa_handler = requestStop;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    action.sa_handler = release;
    sigaction(SIGUSR1, &action, nullptr);
    signal(SIGPIPE, SIG_IGN);
}

// Blocks until SIGUSR1 (or a stop request) without missing one sent before the wait began.
void waitForRelease() {
    sigset_t blocked, previous;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGUSR1);
    sigprocmask(SIG_BLOCK, &blocked, &previous);
    while (!released && !stopRequested) sigsuspend(&previous);
    sigprocmask(SIG_SETMASK, &previous, nullptr);
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
    if (options->help) {
        std::fputs(kSimulatorUsage, stdout);
        return 0;
    }
    installHandlers();

    try {
        vemtora::pty::PseudoTerminal line(vemtora::pty::LineMode::Raw);
        for (const auto& link : options->links) {
            if (!line.addLink(link)) {
                std::fprintf(stderr, "cannot link %s\n", link.c_str());
                return 1;
            }
        }
        std::printf("%s\n", line.slavePath().c_str());
        std::fflush(stdout);
        if (options->hold) waitForRelease();

        // Start, 8 data and stop bit.
        LinePacer pacer(options->delivery, 10.0 / options->baudRate, options->overrun);
        FrameSource source(*options);
        const double start = nowSeconds();
        const double end = options->durationSeconds > 0 ? start + options->durationSeconds : 0.0;
        const double framePeriod = options->framesPerSecond > 0 ? 1.0 / options->framesPerSecond : 0.0;
        const auto moreFrames = [&](unsigned long queued) { return options->frames == 0 || queued < options->frames; };
        unsigned long long queued = 0, sent = 0, wellFormed = 0, dropped = 0, bytesDropped = 0;
        bool rawQueued = false, finishReported = false;
        double due = start;
        while (!stopRequested && (end == 0.0 || nowSeconds() < end)) {
            // A frame or two ahead, so the line never waits for the next one to be made.
            while (pacer.queuedBytes() < 64 && !rawQueued && moreFrames(queued)) {
                if (options->raw) {
                    pacer.add(*options->raw, due, false);
                    rawQueued = true;
                    break;
                }
                bool counts = false;
                std::string frame = source.next(counts);
                const double lineFree = pacer.add(std::move(frame), due, counts);
                ++queued;
                due = std::max(due + framePeriod, lineFree);
            }
            const auto next = pacer.nextWrite();
            if (!next) {
                if (!finishReported && options->frames > 0) {
                    if (dropped > 0) {
                        std::printf("sent %llu frames, %llu well-formed, %llu cut\n", sent, wellFormed, dropped);
                    } else {
                        std::printf("sent %llu frames, %llu well-formed\n", sent, wellFormed);
                    }
                    std::fflush(stdout);
                    finishReported = true;
                }
                sleepUntil(end > 0.0 ? std::min(end, nowSeconds() + 1.0) : nowSeconds() + 1.0);
                continue;
            }
            if (end > 0.0 && *next >= end) break;
            sleepUntil(*next);
            if (stopRequested) break;
            const auto progress = pacer.wrote(line.send(pacer.bytesDue(*next)), *next);
            if (!options->raw) {
                sent += progress.framesDone;
                wellFormed += progress.wellFormedDone;
                dropped += progress.framesDropped;
            }
            bytesDropped += progress.bytesDropped;
        }
        std::fprintf(stderr, "frames sent %llu, well-formed %llu, dropped %llu; bytes dropped %llu\n", sent, wellFormed,
                     dropped, bytesDropped);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
