#pragma once

#include <QIcon>
#include <QPixmap>

// The program icon, drawn in code: three candlesticks on a blue square.
class CAppIcon {
public:
    // The icon at 16, 32, 48 and 64 pixels.
    static QIcon Icon();
    static QPixmap Pixmap(int size);
};
