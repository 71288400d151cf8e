// What the window says of a selected stretch of time: its edges, the samples nearest them, and
// its statistics.
#pragma once

#include <string>

#include "sample_store.h"

namespace vemtora::plot {

// "Selected 09:00:01.0 – 09:00:05.0, Δt 4.0 s  ·  09:00:01.0: 230.1 V 1.90 A 437.2 W  ·  09:00:05.0: …"
// Each edge read on the clock in force there; the samples nearest them with their own stamps.
std::string selectionEdgesLine(const SampleStore& store, double from, double to, bool dated);

// The statistics line of the samples within [from, to).
std::string selectionStatisticsLine(const SampleStore& store, double from, double to);

// "2026-10-25 02:58:04.0+01:00: 230.1 V 1.90 A 437.2 W": sample i as its line gave it; "" past the end.
std::string sampleText(const SampleStore& store, std::size_t i, bool dated);

}  // namespace vemtora::plot
