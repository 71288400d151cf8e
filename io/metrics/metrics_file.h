// --metrics-file: the --metrics numbers in Prometheus' text format, in a file that a textfile
// collector (node_exporter's, windows_exporter's) reads. The file is replaced whole once per
// interval, so a reader never sees half of it.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "core/controller_interfaces.h"
#include "io/metrics/exposition.h"

namespace vemtora::metrics {

class MetricsFile final : public ReadingSink {
public:
    // Writes the text beside the file and moves it over the file; the reason, empty on success.
    using Replace = std::function<std::string(std::string_view text)>;
    using Report = std::function<void(std::string_view sentence)>;

    // device: the label; shownPath: the file as messages name it; energyJoulesAtStart: the total
    // the energy counter continues from.
    MetricsFile(std::string device, std::string shownPath, Replace replace, Report report,
                double energyJoulesAtStart = 0.0);

    // Told with the wall clock now, as --metrics is.
    void takeReading(const IntervalReading& reading) override;
    void collectingChanged(bool collecting) override;

private:
    void write();

    std::string device_;
    std::string shownPath_;
    Replace replace_;
    Report report_;
    MeterTotals totals_;
    bool failing_ = false;  // said once when it starts failing, once when it works again
};

}  // namespace vemtora::metrics
