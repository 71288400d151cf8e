// Builds the Qt menu bar from the core's menu tree, the one place captions and identifiers live.
#pragma once

#include <QMenuBar>

#include <cstdint>
#include <functional>
#include <span>

#include "core/menu_layout.h"

namespace vemtora {

using CommandHandler = std::function<void(std::uint16_t command)>;

// Each command action carries its identifier as its data and calls onCommand when triggered.
void buildMenuBar(QMenuBar& bar, std::span<const MenuItem> items, const CommandHandler& onCommand);

// The menu that holds the action of `command`; nullptr when none does.
QMenu* menuHolding(QMenuBar& bar, std::uint16_t command);

QString fromUtf8(std::string_view text);

}  // namespace vemtora
