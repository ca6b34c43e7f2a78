#include "app/DlgIndicateProperty.h"

#include <QColorDialog>
#include <QComboBox>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

#include "app/MyButton.h"

namespace {

constexpr int kMargin = 20;

QLabel* MakeLabel(QWidget* parent, int id, const char* text) {
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    label->setObjectName(QStringLiteral("id%1").arg(id));
    return label;
}

template <class T>
T* Named(T* widget, int id) {
    widget->setObjectName(QStringLiteral("id%1").arg(id));
    return widget;
}

void Fill(QComboBox* combo, const std::vector<std::string>& items, int selected) {
    combo->clear();
    for (const std::string& item : items) combo->addItem(QString::fromStdString(item));
    // A selection outside the list leaves nothing selected, as a list does.
    combo->setCurrentIndex(selected >= 0 && selected < combo->count() ? selected : -1);
}

template <std::size_t N>
std::vector<std::string> Items(const std::array<const char*, N>& names) {
    return std::vector<std::string>(names.begin(), names.end());
}

}  // namespace

CDlgIndicateProperty::CDlgIndicateProperty(QWidget* owner) : QDialog(owner) {
    setWindowTitle(QString::fromUtf8("指标属性"));
    setModal(true);
    for (int i = 0; i < 5; ++i) {
        const std::string caption = "par" + std::to_string(i + 1) + ":";
        m_editPar[i] = Named(new QLineEdit(this), 1046 + i);
        m_rows[i] = {{MakeLabel(this, 1041 + i, caption.c_str())}, {m_editPar[i]}};
    }
    m_comboApplyTo = Named(new QComboBox(this), 1040);
    m_rows[5] = {{MakeLabel(this, 1069, "ApplyTo")}, {m_comboApplyTo}};
    m_comboMethod = Named(new QComboBox(this), 1072);
    m_rows[6] = {{MakeLabel(this, 1071, "MA Method")}, {m_comboMethod}};
    for (int k = 0; k < 3; ++k) {
        const int base = 1060 + 3 * k;  // labels 1060.., 1063.., 1066..
        const std::string n = std::to_string(k + 1);
        m_btnColor[k] = Named(new CMyButton(this), 1053 + 3 * k);
        m_btnColor[k]->setText(QString::fromStdString("color" + n));
        m_comboStyle[k] = Named(new QComboBox(this), 1051 + 3 * k);
        m_comboWidth[k] = Named(new QComboBox(this), 1052 + 3 * k);
        m_rows[7 + k] = {{MakeLabel(this, base, ("颜色" + n).c_str()),
                          MakeLabel(this, base + 1, ("线条形状" + n).c_str()),
                          MakeLabel(this, base + 2, ("线条粗细" + n).c_str())},
                         {m_btnColor[k], m_comboStyle[k], m_comboWidth[k]}};
        connect(m_btnColor[k], &QPushButton::clicked, this, [this, k] { OnColor(k); });
    }
    m_btnOK = Named(new QPushButton(QStringLiteral("OK"), this), 1);
    m_btnCancel = Named(new QPushButton(QStringLiteral("Cancel"), this), 2);
    m_btnOK->setDefault(true);
    connect(m_btnOK, &QPushButton::clicked, this, &CDlgIndicateProperty::OnOK);
    connect(m_btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    m_chooseColor = [this](Color initial) -> std::optional<Color> {
        const QColor chosen = QColorDialog::getColor(
            QColor(GetRValue(initial), GetGValue(initial), GetBValue(initial)), this);
        if (!chosen.isValid()) return std::nullopt;
        return RGB(chosen.red(), chosen.green(), chosen.blue());
    };
}

bool CDlgIndicateProperty::DoModal(CIndicatePropertyData& data) {
    OnInitDialog(data);
    // The dialog opens at the owner's client area and moves 100 pixels right
    // and down from there.
    if (QWidget* owner = parentWidget()) move(owner->mapToGlobal(QPoint(100, 100)));
    if (exec() != QDialog::Accepted) return false;
    data = m_data;
    return true;
}

void CDlgIndicateProperty::OnInitDialog(const CIndicatePropertyData& data) {
    m_data = data;
    for (int i = 0; i < 5; ++i) m_editPar[i]->setText(QString::fromStdString(m_data.m_strPar[i]));
    for (int k = 0; k < 3; ++k) {
        m_btnColor[k]->SetColor(m_data.m_clrLine[k]);
        Fill(m_comboStyle[k], Items(kLineStyleNames), m_data.m_nStyle[k]);
        Fill(m_comboWidth[k], Items(kLineWidthNames), m_data.m_nWidth[k]);
    }
    Fill(m_comboApplyTo, Items(kAppliedPriceNames), m_data.m_nApplyTo);
    Fill(m_comboMethod, IndicateMethodNames(m_data.m_nType), m_data.m_nOption);
    ArrangeControls();
}

void CDlgIndicateProperty::OnColor(int line) {
    if (const std::optional<Color> chosen = m_chooseColor(m_data.m_clrLine[line])) {
        m_data.m_clrLine[line] = *chosen;
        m_btnColor[line]->SetColor(*chosen);
    }
}

void CDlgIndicateProperty::OnOK() {
    for (int k = 0; k < 3; ++k) {
        m_data.m_nStyle[k] = m_comboStyle[k]->currentIndex();
        m_data.m_nWidth[k] = m_comboWidth[k]->currentIndex();
    }
    m_data.m_nApplyTo = m_comboApplyTo->currentIndex();
    m_data.m_nOption = m_comboMethod->currentIndex();  // -1 when the list is empty
    for (int i = 0; i < 5; ++i) m_data.m_strPar[i] = m_editPar[i]->text().toStdString();
    accept();
}

void CDlgIndicateProperty::ArrangeControls() {
    const IndicateDialogLayout layout = ArrangeIndicateDialog(m_data.m_nType);
    for (int row = 0; row < 10; ++row) {
        const IndicateDialogRow& r = layout.rows[row];
        RowControls& c = m_rows[row];
        for (std::size_t i = 0; i < c.labels.size() && i < r.captions.size(); ++i)
            c.labels[i]->setText(QString::fromStdString(r.captions[i]));
        for (QLabel* label : c.labels) label->setVisible(r.visible);
        for (QWidget* control : c.controls) control->setVisible(r.visible);
        if (r.visible) PlaceRow(row, kMargin + r.x, kMargin + r.y, r.w);
    }
    // The window manager adds its frame around this client size.
    setFixedSize(layout.width, layout.height);
    const int w = layout.width, h = layout.height;
    m_btnOK->setGeometry(w / 2 - 100, h - 30, 80, 20);
    m_btnCancel->setGeometry(w / 2 + 20, h - 30, 80, 20);
}

void CDlgIndicateProperty::PlaceRow(int row, int x, int y, int w) {
    // Label widths come from their text in the screen's default font.
    const QFontMetrics metrics(QGuiApplication::font());
    RowControls& c = m_rows[row];
    for (std::size_t i = 0; i < c.labels.size(); ++i) {
        QLabel* label = c.labels[i];
        QWidget* control = c.controls[i];
        const PlacedPair p = PlacePair(x, y, w, metrics.horizontalAdvance(label->text()),
                                       metrics.height(), control->sizeHint().height());
        label->setGeometry(p.labelX, p.labelY, p.labelW, p.height);
        control->setGeometry(p.controlX, p.controlY, p.controlW, p.height);
        y += p.height;  // a line row stacks its colour, style and width pairs
    }
}
