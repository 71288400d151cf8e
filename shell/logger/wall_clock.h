// The local date and time of day, from the system clock and time zone.
#pragma once

#include "core/local_time.h"

namespace vemtora::logger {

LocalTime localWallClock();

}  // namespace vemtora::logger
