#include "app/DlgHelp.h"

#include <QPlainTextEdit>
#include <QPushButton>

#include "app/DialogUnits.h"
#include "app/QtCanvas.h"
#include "trainer/TrainerHelp.h"
#include "window/TarvelloWindow.h"

CDlgHelp::CDlgHelp(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Help"));
    setFont(QtCanvas::DefaultFont());
    setFixedSize(DluToPixels(316), DluToPixels(203));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QtCanvas::ToQColor(CTarvelloWindow::kDialogColor));
    setPalette(pal);
    setAutoFillBackground(true);

    m_pEdit = new QPlainTextEdit(this);
    m_pEdit->setObjectName(QStringLiteral("id1036"));
    m_pEdit->setReadOnly(true);
    m_pEdit->setGeometry(DluRect(16, 7, 283, 173));
    m_pEdit->setTabStopDistance(4 * m_pEdit->fontMetrics().horizontalAdvance(QLatin1Char(' ')) * 2);
    // The read-only text stands on the dialog colour.
    QPalette editPal = m_pEdit->palette();
    editPal.setColor(QPalette::Base, QtCanvas::ToQColor(CTarvelloWindow::kDialogColor));
    m_pEdit->setPalette(editPal);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("id1"));
    ok->setGeometry(DluRect(107, 182, 50, 14));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("id2"));
    cancel->setGeometry(DluRect(166, 182, 50, 14));
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    m_pPageButton = new QPushButton(this);
    m_pPageButton->setObjectName(QStringLiteral("helpPage"));
    m_pPageButton->setGeometry(DluRect(249, 182, 50, 14));
    connect(m_pPageButton, &QPushButton::clicked, this, [this] { ShowPage(1 - m_nPage); });
    ShowPage(0);
}

void CDlgHelp::ShowPage(int page) {
    m_nPage = page == 1 ? 1 : 0;
    const std::string text = m_nPage == 0 ? m_strHelp : BuildTrainerHelpText();
    // The edit box breaks lines at CR LF.
    QString shown = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    m_pEdit->setPlainText(shown);
    m_pPageButton->setText(m_nPage == 0 ? QStringLiteral("训练功能 >>")
                                        : QStringLiteral("<< 帮助"));
}

void CDlgHelp::SetHelp(const std::string& text) {
    m_strHelp = text;
    ShowPage(0);
}

QString CDlgHelp::Text() const { return m_pEdit->toPlainText(); }
