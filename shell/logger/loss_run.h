// A run of lost lines is reported when it starts and when it ends, not line by line.
#pragma once

namespace vemtora::logger {

struct LossRun {
    bool losing = false;
    // True when `lost` starts or ends a run.
    bool changed(bool lost) {
        const bool change = lost != losing;
        losing = lost;
        return change;
    }
};

}  // namespace vemtora::logger
