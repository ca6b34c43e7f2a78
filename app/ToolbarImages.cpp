#include "app/ToolbarImages.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>

#include "data/Period.h"
#include "window/Commands.h"

namespace {

const QColor kInk(20, 20, 20);
const QColor kUp(0, 150, 0);
const QColor kDown(200, 30, 30);
const QColor kTool(30, 60, 160);

void DrawPeriodName(QPainter& p, const char* name) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(10);
    font.setBold(true);
    p.setFont(font);
    p.setPen(kInk);
    p.drawText(QRect(0, 0, CToolbarImages::kWidth, CToolbarImages::kHeight), Qt::AlignCenter,
               QString::fromLatin1(name));
}

void DrawCandle(QPainter& p, int x, int top, int bodyTop, int bodyBottom, int bottom, bool up) {
    p.setPen(kInk);
    p.drawLine(x + 2, top, x + 2, bottom);
    p.fillRect(x, bodyTop, 5, bodyBottom - bodyTop, up ? Qt::white : kDown);
    p.drawRect(x, bodyTop, 4, bodyBottom - bodyTop - 1);
}

void DrawMagnifier(QPainter& p, bool plus) {
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kInk, 1.5));
    p.drawEllipse(QRectF(8, 1.5, 10, 10));
    p.setPen(QPen(kInk, 2.5));
    p.drawLine(QPointF(16.5, 10.5), QPointF(21, 15));
    p.setPen(QPen(kTool, 1.5));
    p.drawLine(QPointF(10.5, 6.5), QPointF(15.5, 6.5));
    if (plus) p.drawLine(QPointF(13, 4), QPointF(13, 9));
}

}  // namespace

QPixmap CToolbarImages::ForCommand(int id) {
    QPixmap pixmap(kWidth, kHeight);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    if (int per = PeriodOfCommand(id); per >= 0) {
        DrawPeriodName(p, period::kNames[per]);
        return pixmap;
    }
    switch (id) {
        case ID_TOOL_POINTER: {
            p.setRenderHint(QPainter::Antialiasing);
            QPainterPath arrow;
            arrow.moveTo(10, 1);
            arrow.lineTo(10, 14);
            arrow.lineTo(13, 11);
            arrow.lineTo(15.5, 15.5);
            arrow.lineTo(17.5, 14.5);
            arrow.lineTo(15, 10);
            arrow.lineTo(19, 10);
            arrow.closeSubpath();
            p.fillPath(arrow, Qt::white);
            p.setPen(QPen(kInk, 1));
            p.drawPath(arrow);
            break;
        }
        case ID_TOOL_VLINE:
            p.setPen(QPen(kTool, 2));
            p.drawLine(14, 1, 14, 15);
            break;
        case ID_TOOL_HLINE:
            p.setPen(QPen(kTool, 2));
            p.drawLine(3, 8, 25, 8);
            break;
        case ID_TOOL_TREND:
            p.setRenderHint(QPainter::Antialiasing);
            p.setPen(QPen(kTool, 2));
            p.drawLine(QPointF(4, 14), QPointF(24, 2));
            p.fillRect(3, 13, 3, 3, kInk);
            p.fillRect(22, 1, 3, 3, kInk);
            break;
        case ID_TOOL_FIBO:
            p.setPen(QPen(kTool, 1));
            for (int y : {2, 6, 9, 12, 14}) p.drawLine(4, y, 24, y);
            p.setPen(QPen(kInk, 1, Qt::DotLine));
            p.drawLine(4, 14, 24, 2);
            break;
        case ID_ZOOM_IN:
            DrawMagnifier(p, true);
            break;
        case ID_ZOOM_OUT:
            DrawMagnifier(p, false);
            break;
        case ID_CHART_WESTERN:
            p.setPen(QPen(kInk, 1));
            for (int i = 0; i < 3; ++i) {
                int x = 6 + i * 7, top = 2 + (i % 2) * 3, bottom = 13 - (i == 1 ? 0 : 2);
                p.drawLine(x, top, x, bottom);
                p.drawLine(x - 2, top + 3, x, top + 3);
                p.drawLine(x, bottom - 2, x + 2, bottom - 2);
            }
            break;
        case ID_CHART_CANDLE:
            DrawCandle(p, 5, 1, 4, 11, 14, true);
            DrawCandle(p, 12, 3, 5, 13, 15, false);
            DrawCandle(p, 19, 0, 2, 8, 11, true);
            break;
        case ID_CHART_LINE: {
            p.setRenderHint(QPainter::Antialiasing);
            p.setPen(QPen(kUp, 1.6));
            const QPointF pts[] = {{3, 12}, {8, 8}, {12, 10}, {17, 4}, {21, 7}, {25, 2}};
            p.drawPolyline(pts, 6);
            break;
        }
        case ID_INDICATOR_MENU: {
            p.setRenderHint(QPainter::Antialiasing);
            p.setPen(QPen(kDown, 1.4));
            QPainterPath wave;
            wave.moveTo(2, 9);
            wave.cubicTo(7, 0, 11, 16, 15, 8);
            wave.cubicTo(19, 1, 22, 12, 26, 5);
            p.drawPath(wave);
            QFont font(QStringLiteral("DejaVu Sans"));
            font.setPixelSize(7);
            p.setFont(font);
            p.setPen(kInk);
            p.drawText(QRect(0, 9, kWidth, 7), Qt::AlignCenter, QStringLiteral("f(x)"));
            break;
        }
        default:
            break;
    }
    return pixmap;
}
