#pragma once

#include <QDialog>

class CTarvelloWindow;
class QLabel;
class QTableWidget;

// The journal window: every closed order of the run under column headers,
// the summary below, and the export to CSV. Modeless; Refill brings it up to
// date with the run.
class CJournalDlg : public QDialog {
    Q_OBJECT

public:
    CJournalDlg(CTarvelloWindow& logic, QWidget* parent);

    void Refill();
    QTableWidget* Table() const { return m_pTable; }
    QLabel* Summary() const { return m_pSummary; }

protected:
    // The file to export to; "" when cancelled. Virtual so that tests can answer it.
    virtual QString AskExportFile();

private:
    CTarvelloWindow& m_logic;
    QTableWidget* m_pTable;
    QLabel* m_pSummary;
};
