#pragma once

#include <QPushButton>

#include "platform/Canvas.h"

// A push button that shows only a colour swatch with a thin black border.
class CMyButton : public QPushButton {
    Q_OBJECT

public:
    explicit CMyButton(QWidget* parent = nullptr) : QPushButton(parent) {}
    // Stores the colour and repaints at once.
    void SetColor(Color color);
    Color GetColor() const { return m_crColor; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Color m_crColor = RGB(0, 0, 0);
};
