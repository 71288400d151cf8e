// The program's icon: a panel meter's dial above a trace of readings.
#pragma once

#include <QIcon>

namespace vemtora {

QIcon appIcon();

}  // namespace vemtora
