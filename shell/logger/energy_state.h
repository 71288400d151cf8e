// --energy-state FILE: the energy counted so far, kept across runs with the meter it belongs to.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <string_view>

#include "core/controller_interfaces.h"

namespace vemtora::logger {

// The total is written at most this often while logging, and at the end: a kill loses at most
// this much of it.
inline constexpr std::chrono::seconds kEnergySavePeriod{60};

struct KeptEnergy {
    double joules = 0.0;
    std::string message;  // the file is missing or unreadable: the count starts from zero
    std::string refusal;  // the file is another meter's: the start ends rather than add to it
};

// meter: the device as its metrics label names it.
KeptEnergy loadEnergy(const std::string& path, std::string_view meter);

// Adds each reading's energy to the total and replaces the file with it.
class EnergyStateFile final : public ReadingSink {
public:
    using Tell = std::function<void(std::string_view)>;

    EnergyStateFile(std::string path, std::string meter, double joules, Tell tell);
    ~EnergyStateFile() override;  // the end's save

    EnergyStateFile(const EnergyStateFile&) = delete;
    EnergyStateFile& operator=(const EnergyStateFile&) = delete;

    void takeReading(const IntervalReading& reading) override;
    void collectingChanged(bool) override {}

private:
    void save();

    const std::string path_;
    const std::string meter_;
    const Tell tell_;
    double joules_;
    std::chrono::steady_clock::time_point nextSave_;
    bool failing_ = false;  // said once until a save works again
};

}  // namespace vemtora::logger
