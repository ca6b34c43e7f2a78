#include "app/JournalDlg.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "window/TarvelloWindow.h"

namespace {

QString ToQString(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

CJournalDlg::CJournalDlg(CTarvelloWindow& logic, QWidget* parent)
    : QDialog(parent), m_logic(logic) {
    setObjectName(QStringLiteral("journalWindow"));
    setWindowTitle(QStringLiteral("交易日志"));
    resize(980, 420);
    auto* layout = new QVBoxLayout(this);
    m_pTable = new QTableWidget(this);
    m_pTable->setObjectName(QStringLiteral("journalTable"));
    m_pTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pTable->verticalHeader()->hide();
    QStringList headers;
    for (const std::string& column : CJournal::Columns()) headers << ToQString(column);
    m_pTable->setColumnCount(static_cast<int>(headers.size()));
    m_pTable->setHorizontalHeaderLabels(headers);
    layout->addWidget(m_pTable, 1);
    m_pSummary = new QLabel(this);
    m_pSummary->setObjectName(QStringLiteral("journalSummary"));
    m_pSummary->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_pSummary);
    auto* buttons = new QHBoxLayout;
    auto* exportButton = new QPushButton(QStringLiteral("导出CSV..."), this);
    exportButton->setObjectName(QStringLiteral("journalExport"));
    auto* closeButton = new QPushButton(QStringLiteral("关闭"), this);
    buttons->addStretch(1);
    buttons->addWidget(exportButton);
    buttons->addWidget(closeButton);
    layout->addLayout(buttons);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::hide);
    connect(exportButton, &QPushButton::clicked, this, [this] {
        const QString path = AskExportFile();
        if (!path.isEmpty()) m_logic.ExportJournal(path.toStdString());
    });
    Refill();
}

QString CJournalDlg::AskExportFile() {
    return QFileDialog::getSaveFileName(this, QStringLiteral("导出交易日志"),
                                        QStringLiteral("journal.csv"),
                                        QStringLiteral("CSV (*.csv);;All Files (*)"));
}

void CJournalDlg::Refill() {
    const CJournal journal = m_logic.GetJournal();
    const auto& entries = journal.Entries();
    m_pTable->setRowCount(static_cast<int>(entries.size()));
    for (int r = 0; r < static_cast<int>(entries.size()); ++r) {
        const std::vector<std::string> cells = CJournal::Cells(entries[r]);
        for (int c = 0; c < static_cast<int>(cells.size()); ++c) {
            auto* item = new QTableWidgetItem(ToQString(cells[c]));
            if (c == 11) {  // the profit: green won, red lost
                item->setForeground(entries[r].order.fprofit >= 0.0 ? QColor(0, 128, 0)
                                                                    : QColor(192, 0, 0));
            }
            m_pTable->setItem(r, c, item);
        }
    }
    m_pTable->resizeColumnsToContents();
    if (!entries.empty()) m_pTable->scrollToBottom();
    QStringList lines;
    for (const std::string& line : journal.ReportText()) lines << ToQString(line);
    m_pSummary->setText(lines.join(QLatin1Char('\n')));
}
