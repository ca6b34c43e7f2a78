#include "app/MyButton.h"

#include "app/QtCanvas.h"

void CMyButton::SetColor(Color color) {
    m_crColor = color;
    repaint();
}

void CMyButton::paintEvent(QPaintEvent*) {
    QtCanvas canvas(this);
    canvas.SetPen(kPenSolid, 0, RGB(0, 0, 0));
    canvas.SetBrush(m_crColor);
    canvas.Rectangle(0, 0, width(), height());
}
