// Throughput of the frame scanner on what a line delivers and on what a broken line might.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <string>

#include "core/frame_scanner.h"
#include "core/meter_frame.h"

namespace {

using vemtora::FrameScanner;
using vemtora::IntervalAccumulator;
using vemtora::MeterFrame;

// 64 KiB of a meter's stream: frames with changing values, now and then a burst of line noise.
std::string meterStream() {
    std::string stream;
    for (int i = 0; stream.size() < 64 * 1024; ++i) {
        stream += "a" + std::to_string(3500 + i % 97) + "\t" + std::to_string(180 + i % 31) + "\t10z";
        if (i % 50 == 0) stream += "\x7f\xff\r\n";
    }
    return stream;
}

void scanInPolls(benchmark::State& state, const std::string& stream) {
    const auto pollBytes = static_cast<std::size_t>(state.range(0));
    FrameScanner scanner;
    IntervalAccumulator totals;
    const vemtora::AcquisitionSettings settings;
    for (auto _ : state) {
        for (std::size_t next = 0; next < stream.size(); next += pollBytes) {
            scanner.scan(std::string_view(stream).substr(next, pollBytes),
                         [&](const MeterFrame& frame) { totals.addFrame(frame, settings); });
        }
        benchmark::DoNotOptimize(totals);
        totals.clear();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(stream.size()));
}

void realisticStream(benchmark::State& state) { scanInPolls(state, meterStream()); }
void allStartMarks(benchmark::State& state) { scanInPolls(state, std::string(64 * 1024, 'a')); }
void allEndMarks(benchmark::State& state) { scanInPolls(state, std::string(64 * 1024, 'z')); }
void endlessDigits(benchmark::State& state) { scanInPolls(state, "a" + std::string(64 * 1024 - 1, '7')); }
// Frames at the longest a frame may be: every one is copied into the pending buffer.
void longestFrames(benchmark::State& state) {
    std::string stream;
    while (stream.size() < 64 * 1024) stream += "a" + std::string(30, ' ') + "-2147483648\t-1\t2147483647z";
    scanInPolls(state, stream);
}

}  // namespace

// 4 KiB is the most one poll takes; 32 bytes is what a 25 ms poll finds on a 9600 bit/s line;
// 1 byte is a slow line read as it arrives.
BENCHMARK(realisticStream)->Arg(4096)->Arg(32)->Arg(1);
BENCHMARK(longestFrames)->Arg(4096)->Arg(32)->Arg(1);
BENCHMARK(allStartMarks)->Arg(4096)->Arg(32)->Arg(1);
BENCHMARK(allEndMarks)->Arg(4096)->Arg(32)->Arg(1);
BENCHMARK(endlessDigits)->Arg(4096)->Arg(32)->Arg(1);

BENCHMARK_MAIN();
