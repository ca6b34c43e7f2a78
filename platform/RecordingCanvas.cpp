#include "platform/RecordingCanvas.h"

#include <cstdio>

#include "platform/Format.h"

RecordingCanvas::RecordingCanvas(int width, int height)
    : RecordingCanvas(width, height, std::make_shared<std::vector<std::string>>(),
                      std::make_shared<int>(1)) {}

RecordingCanvas::RecordingCanvas(int width, int height,
                                 std::shared_ptr<std::vector<std::string>> calls,
                                 std::shared_ptr<int> nextImage)
    : m_nWidth(width), m_nHeight(height), m_pCalls(std::move(calls)),
      m_pNextImage(std::move(nextImage)) {}

std::string RecordingCanvas::ColorText(Color color) { return FormatString("0x%06x", color); }

std::vector<std::string> RecordingCanvas::CallsStartingWith(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const auto& line : *m_pCalls)
        if (line.compare(0, prefix.size(), prefix) == 0) out.push_back(line);
    return out;
}

void RecordingCanvas::Record(std::string line) {
    if (m_nImage != 0) line = FormatString("@%d ", m_nImage) + line;
    m_pCalls->push_back(std::move(line));
}

void RecordingCanvas::SetPen(int style, int width, Color color) {
    Record(FormatString("SetPen %d %d %s", style, width, ColorText(color).c_str()));
}
void RecordingCanvas::SetBrush(Color color) { Record("SetBrush " + ColorText(color)); }
void RecordingCanvas::SetNullBrush() { Record("SetNullBrush"); }
void RecordingCanvas::MoveTo(int x, int y) { Record(FormatString("MoveTo %d %d", x, y)); }
void RecordingCanvas::LineTo(int x, int y) { Record(FormatString("LineTo %d %d", x, y)); }
void RecordingCanvas::Rectangle(int left, int top, int right, int bottom) {
    Record(FormatString("Rectangle %d %d %d %d", left, top, right, bottom));
}
void RecordingCanvas::FillSolidRect(const Rect& r, Color color) {
    Record(FormatString("FillSolidRect %d %d %d %d %s", r.left, r.top, r.right, r.bottom,
                        ColorText(color).c_str()));
}
void RecordingCanvas::Draw3dRect(const Rect& r, Color topLeft, Color bottomRight) {
    Record(FormatString("Draw3dRect %d %d %d %d %s %s", r.left, r.top, r.right, r.bottom,
                        ColorText(topLeft).c_str(), ColorText(bottomRight).c_str()));
}
void RecordingCanvas::SetTextColor(Color color) { Record("SetTextColor " + ColorText(color)); }
void RecordingCanvas::SetBkColor(Color color) { Record("SetBkColor " + ColorText(color)); }
void RecordingCanvas::SetBkOpaque(bool opaque) {
    Record(std::string("SetBkOpaque ") + (opaque ? "1" : "0"));
}
void RecordingCanvas::SetFont(const FontDesc& f) {
    std::string line = FormatString("SetFont %s %d %d", f.face.c_str(), f.height, f.weight);
    if (f.width != 0) line += FormatString(" w%d", f.width);
    Record(line);
}
void RecordingCanvas::TextOut(int x, int y, const std::string& text) {
    Record(FormatString("TextOut %d %d ", x, y) + text);
}
Size RecordingCanvas::GetTextExtent(const std::string& text) {
    // A fixed-pitch estimate: 6 x 12 pixels per byte is enough for layout tests.
    return Size{static_cast<int>(text.size()) * 6, 12};
}
std::unique_ptr<Canvas> RecordingCanvas::CreateCompatible(int width, int height) {
    auto image = std::unique_ptr<RecordingCanvas>(
        new RecordingCanvas(width, height, m_pCalls, m_pNextImage));
    image->m_nImage = (*m_pNextImage)++;
    Record(FormatString("CreateCompatible %d %d -> @%d", width, height, image->m_nImage));
    return image;
}
void RecordingCanvas::BitBlt(int x, int y, int width, int height, Canvas& source, int srcX,
                             int srcY) {
    auto* rec = dynamic_cast<RecordingCanvas*>(&source);
    Record(FormatString("BitBlt %d %d %d %d from @%d %d %d", x, y, width, height,
                        rec ? rec->m_nImage : -1, srcX, srcY));
}
