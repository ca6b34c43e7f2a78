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

    std::string m_strHelp;

private:
    QPlainTextEdit* m_pEdit;
};
