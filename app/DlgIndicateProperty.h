#pragma once

#include <QDialog>
#include <functional>
#include <optional>

#include "indicators/IndicatePropertyData.h"

class CMyButton;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The modal dialog "指标属性": an indicator's parameters, applied price,
// method or display and up to three lines' colour, style and width. One
// object lives as long as the main window. It shows only the rows the kind
// uses, with that kind's captions, and sizes itself to them. Controls are
// named "id<control id>".
class CDlgIndicateProperty : public QDialog {
    Q_OBJECT

public:
    explicit CDlgIndicateProperty(QWidget* owner);

    // Shows the dialog modally on `data`; on OK `data` takes what was typed
    // and chosen and the result is true. Cancel leaves `data` as it was.
    bool DoModal(CIndicatePropertyData& data);

    // Fills the controls from `data` and arranges them for its kind, as each
    // display does before the dialog is shown.
    void OnInitDialog(const CIndicatePropertyData& data);
    // Reads the controls back into Data() and closes with OK.
    void OnOK();
    const CIndicatePropertyData& Data() const { return m_data; }

    // The colour dialog: the chosen colour, or nullopt on Cancel. Replaceable
    // so that tests can answer it.
    std::function<std::optional<Color>(Color initial)> m_chooseColor;

    // The controls of one row (labels, then the controls beside them).
    struct RowControls {
        std::vector<QLabel*> labels;
        std::vector<QWidget*> controls;
    };
    const RowControls& Row(int row) const { return m_rows[row]; }

private:
    void OnColor(int line);
    void ArrangeControls();
    void PlaceRow(int row, int x, int y, int w);

    CIndicatePropertyData m_data;
    RowControls m_rows[10];
    QLineEdit* m_editPar[5] = {};
    QComboBox* m_comboApplyTo = nullptr;
    QComboBox* m_comboMethod = nullptr;
    CMyButton* m_btnColor[3] = {};
    QComboBox* m_comboStyle[3] = {};
    QComboBox* m_comboWidth[3] = {};
    QPushButton* m_btnOK = nullptr;
    QPushButton* m_btnCancel = nullptr;
};
