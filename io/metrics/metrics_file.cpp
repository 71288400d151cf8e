#include "io/metrics/metrics_file.h"

#include <chrono>
#include <utility>

namespace vemtora::metrics {

MetricsFile::MetricsFile(std::string device, std::string shownPath, Replace replace, Report report,
                         double energyJoulesAtStart)
    : device_(std::move(device)),
      shownPath_(std::move(shownPath)),
      replace_(std::move(replace)),
      report_(std::move(report)) {
    totals_.energyJoules = energyJoulesAtStart;
}

void MetricsFile::takeReading(const IntervalReading& reading) {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    addReading(totals_, reading, std::chrono::duration<double>(now).count());
    write();
}

void MetricsFile::collectingChanged(bool collecting) {
    totals_.connected = collecting;
    write();
}

void MetricsFile::write() {
    const std::string problem = replace_(exposition(totals_, device_));
    if (problem.empty() == !failing_) return;
    failing_ = !problem.empty();
    report_(failing_ ? "cannot replace metrics file " + shownPath_ + ": " + problem + "; trying again each interval"
                     : "writing metrics file " + shownPath_ + " again");
}

}  // namespace vemtora::metrics
