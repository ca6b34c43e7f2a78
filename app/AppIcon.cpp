#include "app/AppIcon.h"

#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <cmath>

namespace {

struct Candle {
    double center;                  // x of the wick, fraction of the icon's size
    double high, low, open, close;  // y fractions, 0 at the top
};

// A falling bar, then two rising ones: the trend a trainee hopes to catch.
constexpr Candle kCandles[] = {
    {0.27, 0.30, 0.80, 0.44, 0.70},
    {0.50, 0.22, 0.68, 0.58, 0.32},
    {0.73, 0.14, 0.56, 0.44, 0.20},
};

}  // namespace

QPixmap CAppIcon::Pixmap(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    QLinearGradient blue(0, 0, 0, size);
    blue.setColorAt(0, QColor(58, 132, 214));
    blue.setColorAt(1, QColor(22, 74, 150));
    p.setPen(Qt::NoPen);
    p.setBrush(blue);
    const double radius = size / 6.0;
    p.drawRoundedRect(QRectF(0, 0, size, size), radius, radius);

    // Candles on whole pixels so that the small sizes stay crisp.
    p.setRenderHint(QPainter::Antialiasing, false);
    const int body = std::max(2, static_cast<int>(std::lround(size * 0.14)));
    const int wick = std::max(1, size / 24);
    auto px = [size](double f) { return static_cast<int>(std::lround(f * size)); };
    for (const Candle& c : kCandles) {
        const bool rising = c.close < c.open;
        const QColor color = rising ? QColor(92, 230, 120) : QColor(255, 96, 96);
        const int x = px(c.center);
        p.fillRect(QRect(x - wick / 2, px(c.high), wick, px(c.low) - px(c.high)), Qt::white);
        const int top = px(std::min(c.open, c.close));
        const int bottom = px(std::max(c.open, c.close));
        p.fillRect(QRect(x - body / 2, top, body, std::max(1, bottom - top)), color);
    }
    p.end();
    return QPixmap::fromImage(image);
}

QIcon CAppIcon::Icon() {
    QIcon icon;
    for (int size : {16, 32, 48, 64}) icon.addPixmap(Pixmap(size));
    return icon;
}
