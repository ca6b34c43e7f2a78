#include "app/QtCanvas.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPaintDevice>
#include <QPen>
#include <QVector>
#include <algorithm>
#include <array>
#include <cstdlib>
#include <span>

namespace {

// Dash patterns (on, off, on, ...) of the thin styled pens, in pixels, as the
// classic device context steps them.
constexpr std::array<int, 2> kDash{18, 6};
constexpr std::array<int, 2> kDot{3, 3};
constexpr std::array<int, 4> kDashDot{9, 6, 3, 6};
constexpr std::array<int, 6> kDashDotDot{9, 3, 3, 3, 3, 3};

std::span<const int> DashPattern(int style) {
    switch (style) {
        case kPenDash:
            return kDash;
        case kPenDot:
            return kDot;
        case kPenDashDot:
            return kDashDot;
        case kPenDashDotDot:
            return kDashDotDot;
        default:
            return {};
    }
}

// Whether pixel `pos` of a dash pattern is drawn.
bool DashOn(std::span<const int> pattern, int pos) {
    int total = 0;
    for (int n : pattern) total += n;
    pos %= total;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pos < pattern[i]) return i % 2 == 0;
        pos -= pattern[i];
    }
    return false;
}

QPen PixelPen(const QColor& color) {
    QPen pen(color);
    pen.setWidth(1);
    pen.setCosmetic(true);
    pen.setCapStyle(Qt::SquareCap);
    return pen;
}

QRect NormalizedRect(int left, int top, int right, int bottom) {
    if (left > right) std::swap(left, right);
    if (top > bottom) std::swap(top, bottom);
    return QRect(left, top, right - left, bottom - top);
}

}  // namespace

QtCanvas::QtCanvas(QPaintDevice* device) : m_pDevice(device), m_painter(device) {
    Begin();
}

QtCanvas::QtCanvas(int width, int height)
    : m_pImage(
          std::make_unique<QImage>(std::max(width, 1), std::max(height, 1), QImage::Format_RGB32)),
      m_pDevice(m_pImage.get()) {
    m_pImage->fill(Qt::black);
    m_painter.begin(m_pImage.get());
    Begin();
}

QtCanvas::~QtCanvas() {
    if (m_painter.isActive()) m_painter.end();
}

void QtCanvas::Begin() {
    m_painter.setRenderHint(QPainter::Antialiasing, false);
    m_painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    m_font = DefaultFont();
    m_painter.setFont(m_font);
}

QFont QtCanvas::DefaultFont() {
    static const QString family = [] {
        const QString wanted = QStringLiteral("WenQuanYi Micro Hei");
        return QFontDatabase::families().contains(wanted) ? wanted
                                                          : QGuiApplication::font().family();
    }();
    QFont font(family);
    // 9 pt at 96 dpi; in pixels so that text keeps its size against the
    // pixel-converted dialog templates whatever the screen reports.
    font.setPixelSize(12);
    return font;
}

QColor QtCanvas::ToQColor(Color color) {
    return QColor(GetRValue(color), GetGValue(color), GetBValue(color));
}

int QtCanvas::Width() const {
    return m_pDevice->width();
}
int QtCanvas::Height() const {
    return m_pDevice->height();
}

void QtCanvas::SetPen(int style, int width, Color color) {
    m_nPenStyle = std::clamp(style, 0, static_cast<int>(kPenNull));
    m_nPenWidth = std::max(width, 0);
    // A styled pen wider than one pixel draws solid, as a device context's does.
    if (m_nPenWidth > 1 && m_nPenStyle != kPenNull) m_nPenStyle = kPenSolid;
    m_clrPen = color;
    m_nDashPos = 0;
}

void QtCanvas::SetBrush(Color color) {
    m_bNullBrush = false;
    m_clrBrush = color;
}

void QtCanvas::SetNullBrush() {
    m_bNullBrush = true;
}

void QtCanvas::MoveTo(int x, int y) {
    m_ptCurrent = Point{x, y};
}

void QtCanvas::LineTo(int x, int y) {
    StrokeSegment(m_ptCurrent, Point{x, y});
    m_ptCurrent = Point{x, y};
}

void QtCanvas::StrokeSegment(Point from, Point to) {
    if (m_nPenStyle == kPenNull || from == to) return;
    if (m_nPenWidth > 1) {
        QPen pen(ToQColor(m_clrPen), m_nPenWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        m_painter.setPen(pen);
        m_painter.drawLine(from.x, from.y, to.x, to.y);
        return;
    }
    // Thin pens are stepped here: Qt leaves out the last pixel in its own
    // drawing order, which is the start point for lines drawn leftwards or
    // upwards.
    const std::span<const int> pattern = DashPattern(m_nPenStyle);
    QVector<QPoint> ink;
    QVector<QPoint> gaps;
    const int dx = std::abs(to.x - from.x);
    const int dy = -std::abs(to.y - from.y);
    const int sx = from.x < to.x ? 1 : -1;
    const int sy = from.y < to.y ? 1 : -1;
    int err = dx + dy;
    int x = from.x;
    int y = from.y;
    while (x != to.x || y != to.y) {
        if (pattern.empty() || DashOn(pattern, m_nDashPos))
            ink.append(QPoint(x, y));
        else
            gaps.append(QPoint(x, y));
        ++m_nDashPos;
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
    m_painter.setPen(PixelPen(ToQColor(m_clrPen)));
    m_painter.drawPoints(ink.constData(), static_cast<int>(ink.size()));
    // An opaque background fills the gaps of a dashed line.
    if (m_bBkOpaque && !gaps.isEmpty()) {
        m_painter.setPen(PixelPen(ToQColor(m_clrBk)));
        m_painter.drawPoints(gaps.constData(), static_cast<int>(gaps.size()));
    }
}

void QtCanvas::Rectangle(int left, int top, int right, int bottom) {
    const QRect r = NormalizedRect(left, top, right, bottom);
    if (r.width() <= 0 || r.height() <= 0) return;
    if (m_nPenStyle == kPenNull) {
        // Without an outline the fill also stops one pixel short.
        if (!m_bNullBrush) m_painter.fillRect(r.adjusted(0, 0, -1, -1), ToQColor(m_clrBrush));
        return;
    }
    if (!m_bNullBrush) m_painter.fillRect(r, ToQColor(m_clrBrush));
    const int l = r.left();
    const int t = r.top();
    const int rr = l + r.width() - 1;
    const int b = t + r.height() - 1;
    if (m_nPenWidth > 1) {
        m_painter.setPen(
            QPen(ToQColor(m_clrPen), m_nPenWidth, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        m_painter.setBrush(Qt::NoBrush);
        m_painter.drawRect(QRect(l, t, rr - l, b - t));
        return;
    }
    if (rr == l || b == t) {
        // One pixel thick: a single stroke that includes its far end.
        StrokeSegment(Point{l, t}, rr == l ? Point{l, b + 1} : Point{rr + 1, t});
        return;
    }
    StrokeSegment(Point{l, t}, Point{rr, t});
    StrokeSegment(Point{rr, t}, Point{rr, b});
    StrokeSegment(Point{rr, b}, Point{l, b});
    StrokeSegment(Point{l, b}, Point{l, t});
}

void QtCanvas::FillSolidRect(const Rect& rect, Color color) {
    const QRect r = NormalizedRect(rect.left, rect.top, rect.right, rect.bottom);
    if (!r.isEmpty()) m_painter.fillRect(r, ToQColor(color));
    // The classic call fills by opaque text output and so leaves the
    // background colour set to `color`.
    m_clrBk = color;
}

void QtCanvas::Draw3dRect(const Rect& rect, Color topLeft, Color bottomRight) {
    const int x = rect.left;
    const int y = rect.top;
    const int cx = rect.Width();
    const int cy = rect.Height();
    FillSolidRect(Rect{x, y, x + cx - 1, y + 1}, topLeft);
    FillSolidRect(Rect{x, y, x + 1, y + cy - 1}, topLeft);
    FillSolidRect(Rect{x + cx, y, x + cx - 1, y + cy}, bottomRight);
    FillSolidRect(Rect{x, y + cy, x + cx, y + cy - 1}, bottomRight);
}

void QtCanvas::SetTextColor(Color color) {
    m_clrText = color;
}
void QtCanvas::SetBkColor(Color color) {
    m_clrBk = color;
}
void QtCanvas::SetBkOpaque(bool opaque) {
    m_bBkOpaque = opaque;
}

void QtCanvas::SetFont(const FontDesc& desc) {
    QFont font = DefaultFont();
    // Faces that are not installed (the Windows ones among them) fall back to
    // the dialog font rather than to whatever fontconfig would substitute.
    if (!desc.face.empty()) {
        const QString face = QString::fromStdString(desc.face);
        if (QFontDatabase::families().contains(face, Qt::CaseInsensitive)) font.setFamily(face);
    }
    if (desc.height != 0) font.setPixelSize(std::abs(desc.height));
    font.setWeight(
        static_cast<QFont::Weight>(desc.weight > 0 ? std::clamp(desc.weight, 100, 900) : 400));
    m_font = font;
    m_painter.setFont(m_font);
}

void QtCanvas::TextOut(int x, int y, const std::string& text) {
    const QString s = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    const QFontMetrics fm = m_painter.fontMetrics();
    if (m_bBkOpaque)
        m_painter.fillRect(QRect(x, y, fm.horizontalAdvance(s), fm.height()), ToQColor(m_clrBk));
    m_painter.setPen(ToQColor(m_clrText));
    m_painter.drawText(QPoint(x, y + fm.ascent()), s);
}

Size QtCanvas::GetTextExtent(const std::string& text) {
    const QString s = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    const QFontMetrics fm = m_painter.fontMetrics();
    return Size{fm.horizontalAdvance(s), fm.height()};
}

std::unique_ptr<Canvas> QtCanvas::CreateCompatible(int width, int height) {
    return std::make_unique<QtCanvas>(width, height);
}

void QtCanvas::BitBlt(int x, int y, int width, int height, Canvas& source, int srcX, int srcY) {
    auto* src = dynamic_cast<QtCanvas*>(&source);
    if (src == nullptr || src->m_pImage == nullptr || width <= 0 || height <= 0) return;
    const QRect from(srcX, srcY, width, height);
    m_painter.setCompositionMode(QPainter::CompositionMode_Source);
    if (src == this)
        m_painter.drawImage(QPoint(x, y), m_pImage->copy(from));
    else
        m_painter.drawImage(QPoint(x, y), *src->m_pImage, from);
    m_painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
}
