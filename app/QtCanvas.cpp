#include "app/QtCanvas.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPaintDevice>
#include <QPen>
#include <QVector>
#include <algorithm>
#include <array>
#include <cmath>
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

// Every pattern's length divides 24, so the dash position is kept modulo 24
// and a pattern is a 24-bit mask of the pixels it draws.
constexpr unsigned kSolidMask = (1u << kDashCycle) - 1;

unsigned BuildDashMask(int style) {
    const std::span<const int> pattern = DashPattern(style);
    if (pattern.empty()) return kSolidMask;
    int total = 0;
    for (int n : pattern) total += n;
    unsigned mask = 0;
    for (int pos = 0; pos < kDashCycle; ++pos) {
        int p = pos % total;
        for (std::size_t i = 0; i < pattern.size(); ++i) {
            if (p < pattern[i]) {
                if (i % 2 == 0) mask |= 1u << pos;
                break;
            }
            p -= pattern[i];
        }
    }
    return mask;
}

// Narrows the steps kLo..kHi of a line walk to those whose pixel lies in the
// image: the major coordinate bounds them directly, and the minor one moves
// one way only, so a bisection finds its part. False when none is inside.
template <class Offset>
bool ClipWalk(std::int64_t major, std::int64_t major0, std::int64_t minor0, int sMajor, int sMinor,
              std::int64_t majorEnd, std::int64_t minorEnd, const Offset& offsetAt,
              std::int64_t& kLo, std::int64_t& kHi) {
    auto minorAt = [&](std::int64_t k) { return minor0 + sMinor * offsetAt(k); };
    kLo = sMajor > 0 ? -major0 : major0 - (majorEnd - 1);
    kHi = sMajor > 0 ? majorEnd - 1 - major0 : major0;
    kLo = std::max<std::int64_t>(kLo, 0);
    kHi = std::min<std::int64_t>(kHi, major - 1);
    if (kLo > kHi) return false;
    // The minor coordinate moves one way only: bisect for the steps where it
    // is inside too.
    auto inside = [&](std::int64_t k) {
        const std::int64_t m = minorAt(k);
        return m >= 0 && m < minorEnd;
    };
    auto before = [&](std::int64_t k) {  // not yet reached the image
        const std::int64_t m = minorAt(k);
        return sMinor > 0 ? m < 0 : m >= minorEnd;
    };
    std::int64_t lo = kLo, hi = kHi + 1;
    while (lo < hi) {
        const std::int64_t mid = lo + (hi - lo) / 2;
        if (before(mid))
            lo = mid + 1;
        else
            hi = mid;
    }
    kLo = lo;
    if (kLo > kHi || !inside(kLo)) return false;
    lo = kLo;
    hi = kHi;
    while (lo < hi) {  // the last step still inside
        const std::int64_t mid = hi - (hi - lo) / 2;
        if (inside(mid))
            lo = mid;
        else
            hi = mid - 1;
    }
    kHi = lo;
    return true;
}

unsigned DashMask(int style) {
    static const std::array<unsigned, kPenNull + 1> masks = [] {
        std::array<unsigned, kPenNull + 1> m{};
        for (int s = 0; s <= kPenNull; ++s) m[s] = BuildDashMask(s);
        return m;
    }();
    return masks[static_cast<std::size_t>(std::clamp(style, 0, static_cast<int>(kPenNull)))];
}

QPen PixelPen(const QColor& color) {
    QPen pen(color);
    pen.setWidth(1);
    pen.setCosmetic(true);
    pen.setCapStyle(Qt::SquareCap);
    return pen;
}

}  // namespace

QtCanvas::QtCanvas(QPaintDevice* device) : m_pDevice(device), m_painter(device) {
    Begin();
}

namespace {

// The last off-screen image of this thread, kept for the next canvas of the
// same size: the chart draws one per paint, and a fresh allocation of a few
// megabytes costs more in page faults than the whole drawing.
thread_local std::unique_ptr<QImage> t_spareImage;

std::unique_ptr<QImage> TakeImage(int width, int height) {
    if (t_spareImage && t_spareImage->width() == width && t_spareImage->height() == height &&
        t_spareImage->isDetached())
        return std::move(t_spareImage);
    return std::make_unique<QImage>(width, height, QImage::Format_RGB32);
}

}  // namespace

QtCanvas::QtCanvas(int width, int height)
    : m_pImage(TakeImage(std::max(width, 1), std::max(height, 1))), m_pDevice(m_pImage.get()) {
    m_pImage->fill(Qt::black);
    m_painter.begin(m_pImage.get());
    Begin();
}

QtCanvas::~QtCanvas() {
    if (m_painter.isActive()) m_painter.end();
    // Only an image nobody else shares is reused.
    if (m_pImage && m_pImage->isDetached()) t_spareImage = std::move(m_pImage);
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
    StrokeSegment(m_ptCurrent.x, m_ptCurrent.y, x, y);
    m_ptCurrent = Point{x, y};
}

void QtCanvas::StrokeSegment(std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1) {
    if (m_nPenStyle == kPenNull || (x0 == x1 && y0 == y1)) return;
    if (m_nPenWidth > 1) {
        StrokeWide(x0, y0, x1, y1);
        return;
    }
    // Thin pens are stepped here: Qt leaves out the last pixel in its own
    // drawing order, which is the start point for lines drawn leftwards or
    // upwards. The steps are those of the classic integer line walk; pixel k
    // of the walk is computed directly, so that only the part inside the
    // image is visited, whatever the line's length.
    const std::int64_t dx = x1 > x0 ? x1 - x0 : x0 - x1;
    const std::int64_t dy = y1 > y0 ? y1 - y0 : y0 - y1;
    const int sx = x0 < x1 ? 1 : -1;
    const int sy = y0 < y1 ? 1 : -1;
    const bool xMajor = dx >= dy;
    const std::int64_t major = xMajor ? dx : dy;  // the number of pixels
    const std::int64_t minor = xMajor ? dy : dx;
    const std::int64_t major0 = xMajor ? x0 : y0, minor0 = xMajor ? y0 : x0;
    const int sMajor = xMajor ? sx : sy, sMinor = xMajor ? sy : sx;
    const std::int64_t majorEnd = xMajor ? Width() : Height();
    const std::int64_t minorEnd = xMajor ? Height() : Width();
    const int dashStart = m_nDashPos;
    m_nDashPos = static_cast<int>((m_nDashPos + major % kDashCycle) % kDashCycle);

    // The walk's minor offset after k steps: floor((2 minor k + major) / (2 major)).
    const std::int64_t twoMajor = 2 * major;
    auto offsetAt = [&](std::int64_t k) -> std::int64_t {
        constexpr std::int64_t kSmall = std::int64_t{1} << 30;
        if (minor < kSmall && k < kSmall) return (2 * minor * k + major) / twoMajor;
        const auto num = static_cast<unsigned __int128>(2 * minor) * static_cast<std::uint64_t>(k) +
                         static_cast<std::uint64_t>(major);
        return static_cast<std::int64_t>(num / static_cast<std::uint64_t>(twoMajor));
    };
    std::int64_t kLo = 0, kHi = major - 1;
    const bool wholeInside = x0 >= 0 && y0 >= 0 && x1 >= 0 && y1 >= 0 && x0 < Width() &&
                             x1 < Width() && y0 < Height() && y1 < Height();
    if (!wholeInside &&
        !ClipWalk(major, major0, minor0, sMajor, sMinor, majorEnd, minorEnd, offsetAt, kLo, kHi))
        return;

    const unsigned mask = DashMask(m_nPenStyle);
    const QRgb ink = qRgb(GetRValue(m_clrPen), GetGValue(m_clrPen), GetBValue(m_clrPen));
    const QRgb gap = qRgb(GetRValue(m_clrBk), GetGValue(m_clrBk), GetBValue(m_clrBk));
    const bool fillGaps = m_bBkOpaque && mask != kSolidMask;
    QImage* image = DirectImage();
    if (image == nullptr) {
        m_arrInk.clear();
        m_arrGaps.clear();
    }
    // The walk's remainder at kLo: (2 minor kLo + major) mod 2 major.
    const std::int64_t q = offsetAt(kLo);
    const auto rem = static_cast<unsigned __int128>(2 * minor) * static_cast<std::uint64_t>(kLo) +
                     static_cast<std::uint64_t>(major) -
                     static_cast<unsigned __int128>(q) * static_cast<std::uint64_t>(twoMajor);
    std::int64_t rest = static_cast<std::int64_t>(rem);
    std::int64_t m = minor0 + sMinor * q;
    std::int64_t a = major0 + sMajor * kLo;
    int phase = static_cast<int>((dashStart + kLo % kDashCycle) % kDashCycle);
    uchar* bits = image ? image->bits() : nullptr;
    const qsizetype stride = image ? image->bytesPerLine() : 0;
    for (std::int64_t k = kLo; k <= kHi; ++k) {
        const int x = static_cast<int>(xMajor ? a : m), y = static_cast<int>(xMajor ? m : a);
        const bool on = (mask >> phase) & 1u;
        if (on || fillGaps) {
            if (bits)
                reinterpret_cast<QRgb*>(bits + y * stride)[x] = on ? ink : gap;
            else
                (on ? m_arrInk : m_arrGaps).append(QPoint(x, y));
        }
        if (++phase == kDashCycle) phase = 0;
        a += sMajor;
        rest += 2 * minor;
        if (rest >= twoMajor) {
            rest -= twoMajor;
            m += sMinor;
        }
    }
    if (image == nullptr) {
        m_painter.setPen(PixelPen(ToQColor(m_clrPen)));
        m_painter.drawPoints(m_arrInk.constData(), static_cast<int>(m_arrInk.size()));
        if (!m_arrGaps.isEmpty()) {
            m_painter.setPen(PixelPen(ToQColor(m_clrBk)));
            m_painter.drawPoints(m_arrGaps.constData(), static_cast<int>(m_arrGaps.size()));
        }
    }
}

void QtCanvas::StrokeWide(std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1) {
    m_painter.setPen(
        QPen(ToQColor(m_clrPen), m_nPenWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    constexpr std::int64_t kNear = 1 << 20;
    auto near = [](std::int64_t v) { return v > -kNear && v < kNear; };
    if (near(x0) && near(y0) && near(x1) && near(y1)) {
        m_painter.drawLine(static_cast<int>(x0), static_cast<int>(y0), static_cast<int>(x1),
                           static_cast<int>(y1));
        return;
    }
    // A far end: cut the line to the image plus a margin wider than the pen
    // (Liang-Barsky), so the rasteriser never sees a huge coordinate.
    const double margin = m_nPenWidth + 4.0;
    const double xmin = -margin, ymin = -margin, xmax = Width() + margin, ymax = Height() + margin;
    const double fx = static_cast<double>(x0), fy = static_cast<double>(y0);
    const double ddx = static_cast<double>(x1 - x0), ddy = static_cast<double>(y1 - y0);
    double t0 = 0.0, t1 = 1.0;
    const double p[4] = {-ddx, ddx, -ddy, ddy};
    const double q[4] = {fx - xmin, xmax - fx, fy - ymin, ymax - fy};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0) return;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0.0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        if (t0 > t1) return;
    }
    m_painter.drawLine(QLineF(fx + t0 * ddx, fy + t0 * ddy, fx + t1 * ddx, fy + t1 * ddy));
}

QImage* QtCanvas::DirectImage() {
    QImage* image = m_pImage                                   ? m_pImage.get()
                    : m_pDevice->devType() == QInternal::Image ? static_cast<QImage*>(m_pDevice)
                                                               : nullptr;
    if (image == nullptr) return nullptr;
    const QImage::Format f = image->format();
    if (f != QImage::Format_RGB32 && f != QImage::Format_ARGB32 &&
        f != QImage::Format_ARGB32_Premultiplied)
        return nullptr;
    if (m_painter.hasClipping() || !m_painter.transform().isIdentity()) return nullptr;
    return image;
}

void QtCanvas::Rectangle(int left, int top, int right, int bottom) {
    // 64-bit: the sides of a rectangle with far corners do not fit an int.
    std::int64_t l = std::min(left, right), t = std::min(top, bottom);
    const std::int64_t r = std::max(left, right), b = std::max(top, bottom);
    if (r == l || b == t) return;
    if (m_nPenStyle == kPenNull) {
        // Without an outline the fill also stops one pixel short.
        if (!m_bNullBrush) FillClipped(l, t, r - 1, b - 1, m_clrBrush);
        return;
    }
    if (!m_bNullBrush) FillClipped(l, t, r, b, m_clrBrush);
    const std::int64_t rr = r - 1, bb = b - 1;
    if (m_nPenWidth > 1) {
        // Sides far outside are moved to just outside: nothing inside changes.
        const std::int64_t margin = m_nPenWidth + 4;
        auto cx = [&](std::int64_t v) {
            return static_cast<int>(std::clamp<std::int64_t>(v, -margin, Width() + margin));
        };
        auto cy = [&](std::int64_t v) {
            return static_cast<int>(std::clamp<std::int64_t>(v, -margin, Height() + margin));
        };
        m_painter.setPen(
            QPen(ToQColor(m_clrPen), m_nPenWidth, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        m_painter.setBrush(Qt::NoBrush);
        const int x0 = cx(l), y0 = cy(t);
        m_painter.drawRect(QRect(x0, y0, cx(rr) - x0, cy(bb) - y0));
        return;
    }
    if (rr == l || bb == t) {
        // One pixel thick: a single stroke that includes its far end.
        if (rr == l)
            StrokeSegment(l, t, l, bb + 1);
        else
            StrokeSegment(l, t, rr + 1, t);
        return;
    }
    StrokeSegment(l, t, rr, t);
    StrokeSegment(rr, t, rr, bb);
    StrokeSegment(rr, bb, l, bb);
    StrokeSegment(l, bb, l, t);
}

void QtCanvas::FillClipped(std::int64_t left, std::int64_t top, std::int64_t right,
                           std::int64_t bottom, Color color) {
    if (left > right) std::swap(left, right);
    if (top > bottom) std::swap(top, bottom);
    left = std::max<std::int64_t>(left, 0);
    top = std::max<std::int64_t>(top, 0);
    right = std::min<std::int64_t>(right, Width());
    bottom = std::min<std::int64_t>(bottom, Height());
    if (left >= right || top >= bottom) return;
    m_painter.fillRect(QRect(static_cast<int>(left), static_cast<int>(top),
                             static_cast<int>(right - left), static_cast<int>(bottom - top)),
                       ToQColor(color));
}

void QtCanvas::FillSolidRect(const Rect& rect, Color color) {
    FillClipped(rect.left, rect.top, rect.right, rect.bottom, color);
    // The classic call fills by opaque text output and so leaves the
    // background colour set to `color`.
    m_clrBk = color;
}

void QtCanvas::Draw3dRect(const Rect& rect, Color topLeft, Color bottomRight) {
    const std::int64_t x = rect.left, y = rect.top;
    const std::int64_t cx = std::int64_t{rect.right} - rect.left;
    const std::int64_t cy = std::int64_t{rect.bottom} - rect.top;
    FillClipped(x, y, x + cx - 1, y + 1, topLeft);
    FillClipped(x, y, x + 1, y + cy - 1, topLeft);
    FillClipped(x + cx, y, x + cx - 1, y + cy, bottomRight);
    FillClipped(x, y + cy, x + cx, y + cy - 1, bottomRight);
    m_clrBk = bottomRight;
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
    if (desc.width > 0) {
        // Squeezed or widened so that a full-width glyph takes two widths.
        const double natural = QFontMetricsF(font).horizontalAdvance(QChar(0x4E2D)) / 2.0;
        if (natural > 0.0)
            font.setStretch(
                std::clamp(static_cast<int>(std::lround(100.0 * desc.width / natural)), 1, 4000));
    }
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
