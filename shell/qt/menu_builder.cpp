#include "menu_builder.h"

#include <QMenu>

namespace vemtora {

namespace {

void addItems(QMenu& menu, std::span<const MenuItem> items, const CommandHandler& onCommand) {
    for (const MenuItem& item : items) {
        if (item.command == 0) {
            addItems(*menu.addMenu(fromUtf8(item.caption)), item.items, onCommand);
            continue;
        }
        QAction* action = menu.addAction(fromUtf8(item.caption));
        action->setData(item.command);
        const std::uint16_t command = item.command;
        QObject::connect(action, &QAction::triggered, &menu, [onCommand, command] { onCommand(command); });
    }
}

}  // namespace

QString fromUtf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

QMenu* menuHolding(QMenuBar& bar, std::uint16_t command) {
    for (QMenu* menu : bar.findChildren<QMenu*>()) {
        for (const QAction* action : menu->actions()) {
            if (!action->menu() && action->data() == command) return menu;
        }
    }
    return nullptr;
}

void buildMenuBar(QMenuBar& bar, std::span<const MenuItem> items, const CommandHandler& onCommand) {
    for (const MenuItem& item : items) {
        addItems(*bar.addMenu(fromUtf8(item.caption)), item.items, onCommand);
    }
}

}  // namespace vemtora
