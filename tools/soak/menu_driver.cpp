#include "tools/soak/menu_driver.h"

#include <QAction>
#include <QMenuBar>

#include <algorithm>

#include "core/acquisition_settings.h"

namespace vemtora::soak {

namespace {

template <typename Values>
std::uint16_t commandFor(CommandId first, const Values& values, std::int32_t value) {
    const auto found = std::find(values.begin(), values.end(), value);
    if (found == values.end()) return 0;
    return static_cast<std::uint16_t>(toNumber(first) + (found - values.begin()));
}

}  // namespace

bool pressMenuItem(QMainWindow& window, std::uint16_t command) {
    for (QAction* action : window.menuBar()->findChildren<QAction*>()) {
        if (action->menu() == nullptr && action->data().toUInt() == command) {
            action->trigger();
            return true;
        }
    }
    return false;
}

std::uint16_t speedCommand(std::int32_t baudRate) { return commandFor(CommandId::SpeedFirst, kBaudRates, baudRate); }

std::uint16_t intervalCommand(std::int32_t intervalMs) {
    return commandFor(CommandId::IntervalFirst, kReportIntervalsMs, intervalMs);
}

}  // namespace vemtora::soak
