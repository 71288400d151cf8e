#include "about_box.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "core/menu_layout.h"
#include "menu_builder.h"
#include "resources/qt_icon/app_icon.h"
#include "vemtora_version.h"

namespace vemtora {

AboutBox::AboutBox(QWidget& owner, QPoint clientOrigin)
    : QDialog(&owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
    setWindowTitle(fromUtf8(kAboutCaption));
    setWindowModality(Qt::WindowModal);

    auto* icon = new QLabel(this);
    icon->setPixmap(appIcon().pixmap(32, 32));
    auto* text = new QLabel(QString::fromUtf8(VEMTORA_ABOUT_TEXT), this);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QGridLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);  // a fixed frame, like the dialog it stands for
    layout->setHorizontalSpacing(16);
    layout->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
    layout->addWidget(text, 1, 1);
    layout->addWidget(ok, 2, 1, Qt::AlignRight);
    // The client area, not the frame, goes to the point: move() would place the frame there.
    adjustSize();
    setGeometry(QRect(clientOrigin, size()));
}

}  // namespace vemtora
