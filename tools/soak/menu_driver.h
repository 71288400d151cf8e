// Drives the Linux edition's window through its menu, as a user's clicks would.
#pragma once

#include <QMainWindow>

#include <cstdint>

#include "core/command_id.h"

namespace vemtora::soak {

// Triggers the menu item with this identifier; false when the menu has none.
bool pressMenuItem(QMainWindow& window, std::uint16_t command);
inline bool pressMenuItem(QMainWindow& window, CommandId command) { return pressMenuItem(window, toNumber(command)); }

// The Speed and Interval menus' items for a listed value; 0 for a value the menu does not list.
std::uint16_t speedCommand(std::int32_t baudRate);
std::uint16_t intervalCommand(std::int32_t intervalMs);

}  // namespace vemtora::soak
