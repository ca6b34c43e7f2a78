#pragma once

#include <QPixmap>

// The 28 x 16 pictures of the toolbar's buttons, drawn in code, by command id.
class CToolbarImages {
public:
    static constexpr int kWidth = 28;
    static constexpr int kHeight = 16;
    static QPixmap ForCommand(int id);
};
