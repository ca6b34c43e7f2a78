#pragma once

#include <QDialog>

// The about box: the program icon and name, closed by "确定".
class CAboutDlg : public QDialog {
    Q_OBJECT

public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};
