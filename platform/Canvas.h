#pragma once

#include <cstdint>
#include <memory>
#include <string>

// A drawing surface with the semantics of a classic 2-D device context:
// a current pen and brush, a current position for MoveTo/LineTo, text placed
// by its top-left corner, and off-screen images that can be block-copied.
// The window logic paints only through this interface; app/ maps it onto
// QPainter and tests use RecordingCanvas.

using Color = std::uint32_t;  // 0x00BBGGRR

constexpr Color RGB(int r, int g, int b) {
    return static_cast<Color>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int GetRValue(Color c) { return static_cast<int>(c & 0xFF); }
constexpr int GetGValue(Color c) { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int GetBValue(Color c) { return static_cast<int>((c >> 16) & 0xFF); }

struct Point {
    int x = 0;
    int y = 0;
    bool operator==(const Point&) const = default;
};

struct Size {
    int cx = 0;
    int cy = 0;
    bool operator==(const Size&) const = default;
};

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const Rect&) const = default;
};

// Pen styles by index, as the line-style lists number them.
enum PenStyle : int {
    kPenSolid = 0,
    kPenDash = 1,
    kPenDot = 2,
    kPenDashDot = 3,
    kPenDashDotDot = 4,
    kPenNull = 5,
};

struct FontDesc {
    std::string face;  // empty: the surface's default font
    int height = 0;    // pixels; 0: default size
    int weight = 400;
    // Average width of a half-width character in pixels (a full-width one is
    // twice as wide); 0: the face's own proportions.
    int width = 0;
    bool operator==(const FontDesc&) const = default;
};

class Canvas {
public:
    virtual ~Canvas() = default;

    virtual int Width() const = 0;
    virtual int Height() const = 0;

    // Width 0 is the thinnest pen the surface can draw.
    virtual void SetPen(int style, int width, Color color) = 0;
    virtual void SetBrush(Color color) = 0;
    virtual void SetNullBrush() = 0;

    virtual void MoveTo(int x, int y) = 0;
    // Draws from the current position to (x, y); the end point itself is not painted.
    virtual void LineTo(int x, int y) = 0;
    // Outlined with the pen, filled with the brush; right and bottom are exclusive.
    virtual void Rectangle(int left, int top, int right, int bottom) = 0;
    virtual void FillSolidRect(const Rect& rect, Color color) = 0;
    virtual void Draw3dRect(const Rect& rect, Color topLeft, Color bottomRight) = 0;

    virtual void SetTextColor(Color color) = 0;
    virtual void SetBkColor(Color color) = 0;
    // Opaque text paints the background colour behind the glyphs.
    virtual void SetBkOpaque(bool opaque) = 0;
    virtual void SetFont(const FontDesc& font) = 0;
    // UTF-8 text, placed by its top-left corner.
    virtual void TextOut(int x, int y, const std::string& text) = 0;
    virtual Size GetTextExtent(const std::string& text) = 0;

    // An off-screen image of the given size, compatible with this surface.
    virtual std::unique_ptr<Canvas> CreateCompatible(int width, int height) = 0;
    // Copies a block of `source` (which came from CreateCompatible) to (x, y).
    virtual void BitBlt(int x, int y, int width, int height, Canvas& source, int srcX,
                        int srcY) = 0;
};
