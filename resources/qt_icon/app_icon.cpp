#include "resources/qt_icon/app_icon.h"

namespace vemtora {

QIcon appIcon() {
    // The PNGs drawn by packaging/linux/make_png_icons.py from the one picture both editions share.
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256}) icon.addFile(QStringLiteral(":/icons/vemtora-%1.png").arg(size));
    return icon;
}

}  // namespace vemtora
