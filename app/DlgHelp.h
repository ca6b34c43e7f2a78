#pragma once

#include <QDialog>
#include <string>

class QPlainTextEdit;

// The help dialog: a read-only text on the dialog colour, "OK" and "Cancel".
class CDlgHelp : public QDialog {
    Q_OBJECT

public:
    explicit CDlgHelp(QWidget* parent = nullptr);
    // The text shown; set anew before each opening.
    void SetHelp(const std::string& text);
    QString Text() const;
    // The second page lists the trainer's keys; SetHelp shows the first.
    void ShowPage(int page);
    int Page() const { return m_nPage; }

    std::string m_strHelp;

private:
    QPlainTextEdit* m_pEdit;
    class QPushButton* m_pPageButton;
    int m_nPage = 0;
};
