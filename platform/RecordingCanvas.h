#pragma once

#include <string>
#include <vector>

#include "platform/Canvas.h"

// A canvas that draws nothing and remembers every call as one line of text,
// for instance "TextOut 40 100 abc" or "SetPen 0 1 0x0000ff". Tests assert on
// the lines; off-screen images record into the same log, prefixed with "@N "
// where N numbers the image.
class RecordingCanvas : public Canvas {
public:
    RecordingCanvas(int width = 800, int height = 600);

    const std::vector<std::string>& Calls() const { return *m_pCalls; }
    void Clear() { m_pCalls->clear(); }
    // Lines that start with `prefix`.
    std::vector<std::string> CallsStartingWith(const std::string& prefix) const;

    int Width() const override { return m_nWidth; }
    int Height() const override { return m_nHeight; }
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
    void BitBlt(int x, int y, int width, int height, Canvas& source, int srcX,
                int srcY) override;

    static std::string ColorText(Color color);

private:
    RecordingCanvas(int width, int height, std::shared_ptr<std::vector<std::string>> calls,
                    std::shared_ptr<int> nextImage);
    void Record(std::string line);

    int m_nWidth;
    int m_nHeight;
    int m_nImage = 0;  // 0: the screen surface
    std::shared_ptr<std::vector<std::string>> m_pCalls;
    std::shared_ptr<int> m_pNextImage;
};
