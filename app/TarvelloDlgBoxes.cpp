// The main window's modal boxes and dialogs: messages, the wait box, the
// file dialog, about, help, the jump and text dialogs, the indicator
// properties.
#include <QFile>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include "app/AboutDlg.h"
#include "app/DlgHelp.h"
#include "app/DlgIndicateProperty.h"
#include "app/ImportFileDialog.h"
#include "app/TarvelloDlg.h"
#include "app/TrainerBar.h"

namespace {

QString ToQString(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

void CTarvelloDlg::ShowHelp(const std::string& text) {
    m_pDlgHelp->SetHelp(text);
    ShowHelpDialog();
}

void CTarvelloDlg::ShowHelpDialog() { m_pDlgHelp->exec(); }

QStringList CTarvelloDlg::ToQtFilters(const std::string& filter) {
    const QStringList parts = ToQString(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString& description = parts[i];
        if (description.isEmpty()) break;  // the closing "||"
        QString given = parts[i + 1];
        given.replace(QLatin1Char(';'), QLatin1Char(' '));
        // "*.*" means every file; here it would skip the names without a dot.
        QStringList list = given.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        for (QString& pattern : list)
            if (pattern == QStringLiteral("*.*")) pattern = QStringLiteral("*");
        const QString patterns = QLatin1Char('(') + list.join(QLatin1Char(' ')) + QLatin1Char(')');
        // Qt reads the patterns from the description's trailing parentheses.
        const QString written = QLatin1Char('(') + given + QLatin1Char(')');
        if (description.endsWith(written))
            filters.append(description.chopped(written.size()) + patterns);
        else
            filters.append(description + QLatin1Char(' ') + patterns);
    }
    return filters;
}

void CTarvelloDlg::MessageBox(const std::string& text) {
    ShowMessageBox(ToQString(text));
}

void CTarvelloDlg::ShowMessageBox(const QString& text) {
    // Modal: its nested event loop keeps delivering the workers' queued calls.
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Tarvello"), text, QMessageBox::Ok, this);
    box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
    box.exec();
}

void CTarvelloDlg::ShowWaitBox(const std::string& text) {
    ShowWaitMessageBox(ToQString(text));
}

void CTarvelloDlg::ShowWaitMessageBox(const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Tarvello"), text, QMessageBox::Ok, this);
    box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
    m_pWaitBox = &box;
    box.exec();
    m_pWaitBox = nullptr;
}

void CTarvelloDlg::CloseWaitBox() {
    // Runs inside the box's own loop; exec returns once this call is done.
    if (m_pWaitBox) m_pWaitBox->done(QMessageBox::Ok);
}

std::optional<std::string> CTarvelloDlg::ChooseOpenFile(const std::string& filter,
                                                        const std::string& defaultExt) {
    QString suffix = ToQString(defaultExt);
    while (suffix.startsWith(QLatin1Char('*')) || suffix.startsWith(QLatin1Char('.')))
        suffix.remove(0, 1);
    const QString path = GetOpenFileName(ToQtFilters(filter), suffix);
    if (path.isEmpty()) return std::nullopt;
    return QFile::encodeName(path).toStdString();
}

QString CTarvelloDlg::GetOpenFileName(const QStringList& filters, const QString& defaultSuffix) {
    CImportFileDialog dialog(this, filters, defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
    return dialog.selectedFiles().first();
}

void CTarvelloDlg::ShowAboutBox() {
    CAboutDlg about(this);
    about.exec();
}

std::optional<std::string> CTarvelloDlg::AskDateTime(const std::string& initial) {
    return m_pTrainerBar->AskDateTime(initial);
}

std::optional<std::string> CTarvelloDlg::AskText(const std::string& title,
                                                const std::string& prompt,
                                                const std::string& initial) {
    bool ok = false;
    QString text = QInputDialog::getText(this, QString::fromStdString(title),
                                         QString::fromStdString(prompt), QLineEdit::Normal,
                                         QString::fromStdString(initial), &ok);
    if (!ok) return std::nullopt;
    return text.trimmed().toStdString();
}

bool CTarvelloDlg::DoModalIndicateProperty(CIndicatePropertyData& data) {
    return m_pDlgIndicateProperty->DoModal(data);
}
