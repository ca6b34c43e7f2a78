#include "app/AboutDlg.h"

#include <QLabel>
#include <QPushButton>

#include "app/AppIcon.h"
#include "app/DialogUnits.h"
#include "app/QtCanvas.h"

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("关于 Tarvello"));
    setFont(QtCanvas::DefaultFont());
    setFixedSize(DluToPixels(235), DluToPixels(121));

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("icon"));
    icon->setPixmap(CAppIcon::Pixmap(32));
    icon->setGeometry(QRect(DluRect(11, 17, 0, 0).topLeft(), QSize(32, 32)));

    auto* text = new QLabel(QStringLiteral("Tarvello 1.0 版"), this);
    text->setObjectName(QStringLiteral("text"));
    text->move(DluRect(40, 10, 0, 0).topLeft());
    text->resize(text->sizeHint());

    auto* ok = new QPushButton(QStringLiteral("确定"), this);
    ok->setObjectName(QStringLiteral("id1"));
    ok->setGeometry(DluRect(178, 7, 50, 14));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}
