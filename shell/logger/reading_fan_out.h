// The controller hands each interval's reading to one sink; the logger has several outputs.
#pragma once

#include <vector>

#include "core/controller_interfaces.h"

namespace vemtora::logger {

class ReadingFanOut final : public ReadingSink {
public:
    // output must outlive the fan-out.
    void add(ReadingSink& output) { outputs_.push_back(&output); }
    bool empty() const { return outputs_.empty(); }

    void takeReading(const IntervalReading& reading) override {
        for (ReadingSink* output : outputs_) output->takeReading(reading);
    }
    void collectingChanged(bool collecting) override {
        for (ReadingSink* output : outputs_) output->collectingChanged(collecting);
    }

private:
    std::vector<ReadingSink*> outputs_;
};

}  // namespace vemtora::logger
