// What the window says of a selected stretch of time: its edges, the samples nearest them, and
// its statistics.
#pragma once

#include <string>

#include "sample_store.h"

namespace vemtora::plot {

// "Selected 09:00:01.0 – 09:00:05.0, Δt 4.0 s  ·  09:00:01.0: 230.1 V 1.90 A 437.2 W  ·  09:00:05.0: …"
// The edges' samples are the nearest ones, their own stamps shown.
std::string selectionEdgesLine(const SampleStore& store, double from, double to, bool dated);

// The statistics line of the samples within [from, to].
std::string selectionStatisticsLine(const SampleStore& store, double from, double to);

}  // namespace vemtora::plot
