#include "app/GotoDlg.h"

#include <QDateTimeEdit>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/QtCanvas.h"

namespace {

const QString kFormat = QStringLiteral("yyyy-MM-dd HH:mm");

}  // namespace

CGotoDlg::CGotoDlg(const std::string& initial, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("跳到日期"));
    setFont(QtCanvas::DefaultFont());
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        new QLabel(QStringLiteral("回放前进到这个时间(UTC)或之后的第一根K线:"), this));
    m_pEdit = new QDateTimeEdit(this);
    m_pEdit->setObjectName(QStringLiteral("gotoDateTime"));
    m_pEdit->setTimeSpec(Qt::UTC);
    m_pEdit->setDisplayFormat(kFormat);
    m_pEdit->setCalendarPopup(true);
    QDateTime start = QDateTime::fromString(QString::fromStdString(initial), kFormat);
    start.setTimeSpec(Qt::UTC);
    if (!start.isValid()) start = QDateTime(QDate::currentDate(), QTime(0, 0), Qt::UTC);
    m_pEdit->setDateTime(start);
    layout->addWidget(m_pEdit);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

std::string CGotoDlg::Value() const {
    return m_pEdit->dateTime().toUTC().toString(kFormat).toStdString();
}
