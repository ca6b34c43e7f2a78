#pragma once

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QVector>
#include <cstdint>
#include <memory>

#include "platform/Canvas.h"

class QPaintDevice;

// The dash patterns repeat after this many pixels.
inline constexpr int kDashCycle = 24;

// Canvas on a QPainter, with the pixel rules of a classic device context:
// one-pixel lines are stepped here (the end point is left out, dash patterns
// run on from one LineTo to the next), rectangles leave out their right and
// bottom edge, text is placed by its top-left corner. A fresh canvas starts
// like a fresh device context: black thin pen, white brush, black text on an
// opaque white background, the dialog font.
class QtCanvas : public Canvas {
public:
    // Paints on `device` (a widget inside its paint event, or an image) for
    // the lifetime of the canvas.
    explicit QtCanvas(QPaintDevice* device);
    // An off-screen canvas over its own image, black at first like a fresh
    // compatible bitmap.
    QtCanvas(int width, int height);
    ~QtCanvas() override;
    QtCanvas(const QtCanvas&) = delete;
    QtCanvas& operator=(const QtCanvas&) = delete;

    // The painter, for what the view paints itself (the background picture).
    QPainter& Painter() { return m_painter; }
    // The off-screen image; null for a canvas on a device.
    const QImage* Image() const { return m_pImage.get(); }

    // "WenQuanYi Micro Hei" when installed, else the application font; 9 pt
    // at 96 dpi.
    static QFont DefaultFont();
    static QColor ToQColor(Color color);

    int Width() const override;
    int Height() const override;
    void SetPen(int style, int width, Color color) override;
    void SetBrush(Color color) override;
    void SetNullBrush() override;
    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;
    void Rectangle(int left, int top, int right, int bottom) override;
    void FillSolidRect(const Rect& rect, Color color) override;
    void Draw3dRect(const Rect& rect, Color topLeft, Color bottomRight) override;
    void SetTextColor(Color color) override;
    void SetBkColor(Color color) override;
    void SetBkOpaque(bool opaque) override;
    void SetFont(const FontDesc& font) override;
    void TextOut(int x, int y, const std::string& text) override;
    Size GetTextExtent(const std::string& text) override;
    std::unique_ptr<Canvas> CreateCompatible(int width, int height) override;
    void BitBlt(int x, int y, int width, int height, Canvas& source, int srcX, int srcY) override;

private:
    void Begin();
    // One pen-drawn segment up to but excluding its end, clipped to the
    // surface before any pixel is visited.
    void StrokeSegment(std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1);
    void StrokeWide(std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1);
    // Fills [left, right) x [top, bottom), normalised and cut to the surface.
    void FillClipped(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom,
                     Color color);
    // The image the thin pens write into directly, or null when the painter
    // must do it (another device, a clip or a transform).
    QImage* DirectImage();

    std::unique_ptr<QImage> m_pImage;  // before the painter: it outlives it
    QPaintDevice* m_pDevice;
    QPainter m_painter;

    int m_nPenStyle = kPenSolid;
    int m_nPenWidth = 0;
    Color m_clrPen = RGB(0, 0, 0);
    bool m_bNullBrush = false;
    Color m_clrBrush = RGB(255, 255, 255);
    Point m_ptCurrent;
    int m_nDashPos = 0;  // position in the pen's dash pattern, in pixels, modulo kDashCycle
    Color m_clrText = RGB(0, 0, 0);
    Color m_clrBk = RGB(255, 255, 255);
    bool m_bBkOpaque = true;
    QFont m_font;
    // Pixels of a thin line for a device that is not written directly; kept
    // so that no line allocates.
    QVector<QPoint> m_arrInk;
    QVector<QPoint> m_arrGaps;
};
