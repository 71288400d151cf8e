// The charts as they are on screen, saved as a PNG picture or an SVG drawing.
#pragma once

#include <QString>

namespace vemtora::plot {

class ChartStack;

bool exportPng(ChartStack& stack, const QString& path);
bool exportSvg(ChartStack& stack, const QString& path, const QString& title);

}  // namespace vemtora::plot
