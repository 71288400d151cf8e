// The face of the window's three fonts: MS Gothic where installed, else one that shows the texts.
#pragma once

#include <windows.h>

namespace vemtora {

// The font to create the report fonts from, its height left for each font to set.
LOGFONTW chooseReportFont();

}  // namespace vemtora
