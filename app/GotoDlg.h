#pragma once

#include <QDialog>
#include <string>

class QDateTimeEdit;

// The jump dialog: one date and time in UTC, "确定" and "取消".
class CGotoDlg : public QDialog {
    Q_OBJECT

public:
    // `initial` as "YYYY-MM-DD HH:MM"; anything else starts at today's midnight.
    CGotoDlg(const std::string& initial, QWidget* parent = nullptr);
    // "YYYY-MM-DD HH:MM".
    std::string Value() const;
    QDateTimeEdit* Edit() const { return m_pEdit; }

private:
    QDateTimeEdit* m_pEdit;
};
