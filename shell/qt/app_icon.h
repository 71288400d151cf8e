// The program's icon, drawn at run time: a panel meter's dial above a trace of readings.
#pragma once

#include <QIcon>

namespace vemtora {

QIcon appIcon();

}  // namespace vemtora
