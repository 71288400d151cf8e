// --format json: each reading on standard output as one JSON object a line, the MQTT payload's
// members, for mosquitto_pub -l and jq; the log file keeps its lines.
#pragma once

#include <string>

#include "core/controller_interfaces.h"
#include "core/reading_json.h"
#include "shell/logger/standard_output.h"

namespace vemtora::logger {

class JsonOutput final : public ReadingSink {
public:
    // output must outlive this.
    JsonOutput(StandardOutput& output, LogTimeStamp stamp) : output_(output), stamp_(stamp) {}

    void takeReading(const IntervalReading& reading) override {
        std::string line = readingJson(reading, stamp_);
        output_.write(line.append("\n"));
    }
    void collectingChanged(bool) override {}

private:
    StandardOutput& output_;
    LogTimeStamp stamp_;
};

}  // namespace vemtora::logger
