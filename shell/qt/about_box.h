// The modal version-information box of the Help menu.
#pragma once

#include <QDialog>

namespace vemtora {

class AboutBox : public QDialog {
    Q_OBJECT

public:
    // Opens at the top left of the owner's client area rather than centred over it.
    AboutBox(QWidget& owner, QPoint clientOrigin);
};

}  // namespace vemtora
