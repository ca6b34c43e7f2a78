#pragma once

#include <QRect>

// Dialog templates are laid out in dialog units of the 9-point dialog font:
// 1.5 pixels per unit both ways, truncated.
inline int DluToPixels(int units) {
    return units * 3 / 2;
}

inline QRect DluRect(int x, int y, int width, int height) {
    return QRect(DluToPixels(x), DluToPixels(y), DluToPixels(width), DluToPixels(height));
}
