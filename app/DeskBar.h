#pragma once

#include <QObject>
#include <QString>
#include <optional>

class CJournalDlg;
class QAction;
class CTarvelloWindow;
class QDialog;
class QLineEdit;
class QMenu;
class QPushButton;
class QToolButton;
class QWidget;

// The desk's controls on the main window, in the strip between the trade
// panel and the chart: the stop-loss and take-profit of the next order (or,
// with "改单", of the selected row), the spread, the journal (also key J)
// and the saved runs ("保存训练", "继续训练", "继续上次训练").
class CDeskBar : public QObject {
    Q_OBJECT

public:
    CDeskBar(QDialog* window, CTarvelloWindow& logic);

    // Mirrors the levels and the spread; refills the journal when shown.
    void Update();
    // Right-aligned to the chart, below the trade panel.
    // Where the strip starts, from the left.
    int Place();
    void ShowJournal();

    QLineEdit* StopLoss() const { return m_pStopLoss; }
    QLineEdit* TakeProfit() const { return m_pTakeProfit; }
    QPushButton* Modify() const { return m_pModify; }
    QAction* SpreadAction() const { return m_pSpreadAction; }
    QPushButton* JournalButton() const { return m_pJournal; }
    QToolButton* RunButton() const { return m_pRun; }
    QMenu* RunMenu() const { return m_pRunMenu; }
    CJournalDlg* Journal() const { return m_pJournalDlg; }

    // The file dialogs; "" when cancelled. Virtual so that tests can answer them.
    virtual QString AskSaveFile();
    virtual QString AskOpenFile();
    virtual std::optional<int> AskSpread(int current);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void LevelsEdited();

    QDialog* m_pWindow;
    CTarvelloWindow& m_logic;
    QWidget* m_pPanel;
    QLineEdit* m_pStopLoss;
    QLineEdit* m_pTakeProfit;
    QPushButton* m_pModify;
    QAction* m_pSpreadAction = nullptr;
    QPushButton* m_pJournal;
    QToolButton* m_pRun;
    QMenu* m_pRunMenu;
    CJournalDlg* m_pJournalDlg = nullptr;
};
