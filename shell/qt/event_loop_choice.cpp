#include "event_loop_choice.h"

#include <QByteArray>
#include <QtGlobal>

namespace vemtora {

void preferPlainEventDispatcher() {
    if (qEnvironmentVariableIsSet("QT_NO_GLIB")) return;
    qputenv("QT_NO_GLIB", QByteArrayLiteral("1"));
}

}  // namespace vemtora
