// Reading, decimating and opening a week of 0.1 s lines (six million), as made by formatLogLine.
//   plot_benchmarks [--lines=N] [Google Benchmark options]
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "plot/follow/file_tail.h"
#include "plot/headless/headless_run.h"
#include "plot/headless/log_summary.h"
#include "plot/series/decimation.h"
#include "plot/series/statistics.h"
#include "plot/window/plot_window.h"
#include "tests/plot/plot_peer.h"
#include "tests/plot/sample_log.h"

namespace vemtora::plot::testing {
namespace {

long long gLines = 6'000'000;
std::string gPath;
std::uintmax_t gBytes = 0;

void readAll(LogReader& reader) {
    FileTail tail;
    if (tail.open(gPath) != 0) std::abort();
    for (;;) {
        const FileTail::Read read = tail.poll(16 << 20);
        reader.feed(read.bytes);
        if (!read.more) break;
    }
}

void ReadLog(benchmark::State& state) {
    for (auto _ : state) {
        SampleStore store;
        LogReader reader(store);
        readAll(reader);
        if (store.size() != static_cast<std::size_t>(gLines)) state.SkipWithError("lines lost");
    }
    state.SetItemsProcessed(state.iterations() * gLines);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(gBytes));
}
BENCHMARK(ReadLog)->Unit(benchmark::kMillisecond)->UseRealTime();

const SampleStore& wholeLog() {
    static SampleStore store;
    if (store.empty()) {
        LogReader reader(store);
        readAll(reader);
    }
    return store;
}

// One redraw: all three quantities for a chart 1000 pixels wide.
void Decimate(benchmark::State& state) {
    const SampleStore& store = wholeLog();
    const double first = static_cast<double>(store.tenths().front()) / 10;
    const double last = static_cast<double>(store.tenths().back()) / 10;
    const double span = (last - first) / static_cast<double>(state.range(0));
    Trace trace;
    double from = first;
    for (auto _ : state) {
        for (Quantity quantity : kQuantities) decimate(store, quantity, from, from + span, 1000, trace);
        benchmark::DoNotOptimize(trace.points.data());
        from += span / 100;  // panning, as a drag does
        if (from + span > last) from = first;
    }
}
// The whole log, a day of a week, an hour of it.
BENCHMARK(Decimate)->Arg(1)->Arg(7)->Arg(168)->Unit(benchmark::kMicrosecond);

// The statistics line under the charts, for the same views.
void StatisticsInView(benchmark::State& state) {
    const SampleStore& store = wholeLog();
    const double first = static_cast<double>(store.tenths().front()) / 10;
    const double last = static_cast<double>(store.tenths().back()) / 10;
    const double span = (last - first) / static_cast<double>(state.range(0));
    double from = first;
    for (auto _ : state) {
        const SampleSpan inView = samplesInView(store, from, from + span);
        benchmark::DoNotOptimize(statisticsOf(store, inView.begin, inView.end).energyWh);
        from += span / 100;
        if (from + span > last) from = first;
    }
}
BENCHMARK(StatisticsInView)->Arg(1)->Arg(7)->Arg(168)->Unit(benchmark::kMicrosecond);

// vemtora-plot --summary without starting a process: read the whole file, print its statistics
// (state.range(0) 1: a row per hour).
void Summary(benchmark::State& state) {
    PlotCommandLine commandLine;
    commandLine.files = {gPath};
    SummaryRequest request;
    if (state.range(0) == 1) request.by = Period::Hour;
    for (auto _ : state) {
        LoadedLog log;
        std::string error;
        const auto runs = loadNamedSamples(commandLine, log, error);
        if (!runs) state.SkipWithError("no summary");
        benchmark::DoNotOptimize(summaryText(log, *runs, request).size());
    }
    state.SetItemsProcessed(state.iterations() * gLines);
}
BENCHMARK(Summary)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// The real window offscreen: time until the first samples are painted, and until all are.
void OpenWindow(benchmark::State& state) {
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        PlotWindow window;
        window.show();
        QString error;
        if (!window.openLog(QString::fromStdString(gPath), &error)) state.SkipWithError("cannot open");
        while (PlotPeer::follower(window).store().empty()) QCoreApplication::processEvents();
        window.grab();
        const double firstPaint = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        while (PlotPeer::follower(window).catchingUp() ||
               PlotPeer::follower(window).store().size() < static_cast<std::size_t>(gLines)) {
            QCoreApplication::processEvents();
        }
        window.grab();
        state.SetIterationTime(static_cast<double>(clock.nsecsElapsed()) / 1e9);
        state.counters["first_paint_ms"] = firstPaint;
        state.counters["all_painted_ms"] = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_rss_MiB"] = static_cast<double>(usage.ru_maxrss) / 1024;
}
BENCHMARK(OpenWindow)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);

}  // namespace
}  // namespace vemtora::plot::testing

int main(int argc, char** argv) {
    using namespace vemtora::plot::testing;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--lines=", 8) == 0) gLines = std::atoll(argv[i] + 8);
    }
    if (gLines < 1) gLines = 1;
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);

    gPath = (std::filesystem::temp_directory_path() / ("vemtora-plot-bench-" + std::to_string(::getpid()) + ".log"))
                .string();
    {
        std::ofstream out(gPath, std::ios::binary | std::ios::trunc);
        constexpr long long kBlock = 100'000;
        for (long long done = 0; done < gLines; done += kBlock) {
            std::string block;
            appendHouseholdLines(block, done, std::min(kBlock, gLines - done), 1);
            out << block;
        }
    }
    gBytes = std::filesystem::file_size(gPath);
    std::printf("%lld lines, %.1f MB in %s\n", gLines, static_cast<double>(gBytes) / 1e6, gPath.c_str());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove(gPath);
    return 0;
}
