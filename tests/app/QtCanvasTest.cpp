#include <QImage>
#include <QTest>
#include <cstdlib>
#include <functional>
#include <limits>

#include "OffscreenTestMain.h"
#include "app/QtCanvas.h"

namespace {

const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kRed = qRgb(255, 0, 0);
const QRgb kGreen = qRgb(0, 255, 0);
const QRgb kBlue = qRgb(0, 0, 255);
const QRgb kBlack = qRgb(0, 0, 0);

// Paints on a white image through a QtCanvas and returns the image.
QImage Paint(int width, int height, const std::function<void(QtCanvas&)>& draw) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(kWhite);
    {
        QtCanvas canvas(&image);
        draw(canvas);
    }
    return image;
}

QRgb At(const QImage& image, int x, int y) {
    return image.pixel(x, y) | 0xFF000000u;
}

int CountNot(const QImage& image, QRgb color) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) n += At(image, x, y) != color;
    return n;
}

// The bounding box of every pixel that is not `background`.
QRect InkBox(const QImage& image, QRgb background) {
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (At(image, x, y) != background) box = box.united(QRect(x, y, 1, 1));
    return box;
}

}  // namespace

class TestQtCanvas : public QObject {
    Q_OBJECT

private slots:
    void lineLeavesOutItsEndPoint_data();
    void lineLeavesOutItsEndPoint();
    void polylineContinuesFromEndPoint();
    void penStyles_data();
    void penStyles();
    void rectangle_data();
    void rectangle();
    void solidAnd3dFrames();
    void textPlacedByTopLeft();
    void opaqueTextBackground();
    void offscreenBlockCopy();
    void clippingKeepsThePixelsInside_data();
    void clippingKeepsThePixelsInside();
    void farCoordinatesAreBounded();
};

void TestQtCanvas::lineLeavesOutItsEndPoint_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<QPoint>("from");
    QTest::addColumn<QPoint>("to");
    QTest::newRow("rightwards") << 0 << QPoint(2, 5) << QPoint(12, 5);
    QTest::newRow("leftwards") << 0 << QPoint(12, 5) << QPoint(2, 5);
    QTest::newRow("upwards, width 1") << 1 << QPoint(7, 15) << QPoint(7, 3);
    QTest::newRow("down-left diagonal") << 0 << QPoint(15, 2) << QPoint(5, 12);
    QTest::newRow("steep") << 0 << QPoint(3, 1) << QPoint(6, 17);
}

void TestQtCanvas::lineLeavesOutItsEndPoint() {
    QFETCH(int, width);
    QFETCH(QPoint, from);
    QFETCH(QPoint, to);
    const QImage image = Paint(20, 20, [&](QtCanvas& c) {
        c.SetPen(kPenSolid, width, RGB(255, 0, 0));
        c.MoveTo(from.x(), from.y());
        c.LineTo(to.x(), to.y());
    });
    QCOMPARE(At(image, from.x(), from.y()), kRed);
    QCOMPARE(At(image, to.x(), to.y()), kWhite);
    const int steps = std::max(std::abs(to.x() - from.x()), std::abs(to.y() - from.y()));
    QCOMPARE(CountNot(image, kWhite), steps);
}

void TestQtCanvas::polylineContinuesFromEndPoint() {
    const QImage image = Paint(10, 10, [](QtCanvas& c) {
        c.SetPen(kPenSolid, 0, RGB(255, 0, 0));
        c.MoveTo(2, 2);
        c.LineTo(6, 2);
        c.LineTo(6, 6);
    });
    QCOMPARE(At(image, 6, 2), kRed);
    QCOMPARE(At(image, 6, 5), kRed);
    QCOMPARE(At(image, 6, 6), kWhite);
    QCOMPARE(CountNot(image, kWhite), 8);
}

void TestQtCanvas::penStyles_data() {
    QTest::addColumn<int>("style");
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("ink");  // of the 69 pixels: "all", "some" or "none"
    QTest::newRow("solid") << int(kPenSolid) << 0 << "all";
    QTest::newRow("dash") << int(kPenDash) << 0 << "some";
    QTest::newRow("dot") << int(kPenDot) << 1 << "some";
    QTest::newRow("dash-dot") << int(kPenDashDot) << 0 << "some";
    QTest::newRow("dash-dot-dot") << int(kPenDashDotDot) << 0 << "some";
    QTest::newRow("none") << int(kPenNull) << 1 << "none";
    QTest::newRow("wide dot draws solid") << int(kPenDot) << 3 << "all";
}

void TestQtCanvas::penStyles() {
    QFETCH(int, style);
    QFETCH(int, width);
    QFETCH(QString, ink);
    for (bool opaque : {false, true}) {
        const QImage image = Paint(80, 9, [&](QtCanvas& c) {
            c.SetBkOpaque(opaque);
            c.SetBkColor(RGB(0, 255, 0));
            c.SetPen(style, width, RGB(255, 0, 0));
            c.MoveTo(5, 4);
            c.LineTo(75, 4);
        });
        int painted = 0;
        int filled = 0;
        for (int x = 5; x < 74; ++x) {
            painted += At(image, x, 4) == kRed;
            filled += At(image, x, 4) == kGreen;
        }
        if (ink == "all") QCOMPARE(painted, 69);
        if (ink == "some")
            QVERIFY2(painted > 0 && painted < 69, qPrintable(QString::number(painted)));
        if (ink == "none") QCOMPARE(CountNot(image, kWhite), 0);
        // Transparent gaps show what was there; opaque ones the background colour.
        QCOMPARE(filled, opaque && ink == "some" ? 69 - painted : 0);
    }
}

void TestQtCanvas::rectangle_data() {
    QTest::addColumn<bool>("nullPen");
    QTest::addColumn<bool>("nullBrush");
    QTest::addColumn<QRgb>("corner");      // (0, 0) and (9, 9)
    QTest::addColumn<QRgb>("inside");      // (5, 5)
    QTest::addColumn<QRgb>("nearCorner");  // (8, 8)
    QTest::newRow("pen and brush") << false << false << kRed << kBlue << kBlue;
    QTest::newRow("hollow") << false << true << kRed << kWhite << kWhite;
    // Without a pen the fill stops one pixel short on the right and bottom.
    QTest::newRow("no pen") << true << false << kWhite << kBlue << kBlue;
}

void TestQtCanvas::rectangle() {
    QFETCH(bool, nullPen);
    QFETCH(bool, nullBrush);
    QFETCH(QRgb, corner);
    QFETCH(QRgb, inside);
    QFETCH(QRgb, nearCorner);
    const QImage image = Paint(12, 12, [&](QtCanvas& c) {
        c.SetPen(nullPen ? kPenNull : kPenSolid, 1, RGB(255, 0, 0));
        if (nullBrush)
            c.SetNullBrush();
        else
            c.SetBrush(RGB(0, 0, 255));
        c.Rectangle(0, 0, 10, 10);
    });
    QCOMPARE(At(image, 9, 9), corner);
    QCOMPARE(At(image, 5, 5), inside);
    QCOMPARE(At(image, 8, 8), nearCorner);
    if (!nullPen) {
        for (QPoint p : {QPoint(0, 0), QPoint(9, 0), QPoint(0, 9), QPoint(4, 0), QPoint(0, 4)})
            QCOMPARE(At(image, p.x(), p.y()), kRed);
    } else {
        QCOMPARE(At(image, 0, 0), kBlue);
    }
    // Right and bottom are exclusive.
    QCOMPARE(InkBox(image, kWhite).bottomRight(), nullPen ? QPoint(8, 8) : QPoint(9, 9));
}

void TestQtCanvas::solidAnd3dFrames() {
    const QImage image = Paint(12, 12, [](QtCanvas& c) {
        c.FillSolidRect(Rect{6, 6, 10, 9}, RGB(0, 0, 255));
        c.Draw3dRect(Rect{0, 0, 5, 4}, RGB(255, 0, 0), RGB(0, 255, 0));
    });
    QCOMPARE(InkBox(image.copy(5, 5, 7, 7), kWhite), QRect(1, 1, 4, 3));
    // Top and left edges in the first colour, bottom and right in the second,
    // which takes the top-right and bottom-left corners.
    QCOMPARE(At(image, 0, 0), kRed);
    QCOMPARE(At(image, 3, 0), kRed);
    QCOMPARE(At(image, 0, 2), kRed);
    QCOMPARE(At(image, 4, 0), kGreen);
    QCOMPARE(At(image, 4, 3), kGreen);
    QCOMPARE(At(image, 0, 3), kGreen);
    QCOMPARE(At(image, 2, 1), kWhite);
    QCOMPARE(At(image, 5, 0), kWhite);
    QCOMPARE(At(image, 0, 4), kWhite);
}

void TestQtCanvas::textPlacedByTopLeft() {
    Size extent;
    const QImage image = Paint(80, 60, [&](QtCanvas& c) {
        c.SetBkOpaque(false);
        extent = c.GetTextExtent("Hg");
        c.TextOut(10, 20, "Hg");
    });
    QVERIFY(extent.cx > 0 && extent.cy > 0);
    const QRect ink = InkBox(image, kWhite);
    QVERIFY(QRect(10, 20, extent.cx, extent.cy).contains(ink));
    // The capital reaches up near the given top, not above a baseline there.
    QVERIFY2(ink.top() < 20 + extent.cy / 3, qPrintable(QString::number(ink.top())));
    QVERIFY(ink.left() < 10 + extent.cx / 3);
}

void TestQtCanvas::opaqueTextBackground() {
    Size extent;
    const QImage image = Paint(80, 60, [&](QtCanvas& c) {
        c.SetBkOpaque(true);
        c.SetBkColor(RGB(0, 255, 0));
        c.SetTextColor(RGB(0, 0, 0));
        extent = c.GetTextExtent("Hg");
        c.TextOut(10, 20, "Hg");
    });
    QCOMPARE(InkBox(image, kWhite), QRect(10, 20, extent.cx, extent.cy));
    QCOMPARE(At(image, 10, 20), kGreen);
    QCOMPARE(At(image, 10 + extent.cx - 1, 20), kGreen);
}

void TestQtCanvas::offscreenBlockCopy() {
    const QImage image = Paint(50, 20, [](QtCanvas& c) {
        auto off = c.CreateCompatible(20, 20);
        QCOMPARE(off->Width(), 20);
        off->FillSolidRect(Rect{5, 5, 15, 15}, RGB(255, 0, 0));
        c.BitBlt(30, 2, 10, 10, *off, 5, 5);
        c.BitBlt(0, 0, 2, 2, *off, 0, 0);  // a fresh image is black
    });
    QCOMPARE(InkBox(image.copy(20, 0, 30, 20), kWhite), QRect(10, 2, 10, 10));
    QCOMPARE(At(image, 30, 2), kRed);
    QCOMPARE(At(image, 39, 11), kRed);
    QCOMPARE(At(image, 1, 1), kBlack);
    QCOMPARE(At(image, 2, 2), kWhite);
}

// A line drawn on a small image must give the same pixels as the same line
// on a large image that holds all of it, cut to the small image's place: the
// clipping changes neither the walk nor the dash phase.
void TestQtCanvas::clippingKeepsThePixelsInside_data() {
    QTest::addColumn<int>("style");
    QTest::addColumn<int>("width");
    QTest::addColumn<bool>("opaque");
    QTest::addColumn<QList<QPoint>>("points");
    const QList<QPoint> star{{-700, -300}, {900, 500}, {-650, 480}, {40, -333}, {899, -299}};
    const QList<QPoint> steep{{3, -700}, {60, 900}, {-20, -699}, {100, 10}};
    const QList<QPoint> flat{{-800, 20}, {900, 21}, {-799, 59}, {901, 0}};
    QTest::newRow("solid star") << int(kPenSolid) << 0 << false << star;
    QTest::newRow("dot star") << int(kPenDot) << 1 << false << star;
    QTest::newRow("dash-dot star, opaque") << int(kPenDashDot) << 0 << true << star;
    QTest::newRow("dash steep") << int(kPenDash) << 1 << false << steep;
    QTest::newRow("dash-dot-dot flat, opaque") << int(kPenDashDotDot) << 1 << true << flat;
    QTest::newRow("wide star") << int(kPenSolid) << 2 << false << star;
}

void TestQtCanvas::clippingKeepsThePixelsInside() {
    QFETCH(int, style);
    QFETCH(int, width);
    QFETCH(bool, opaque);
    QFETCH(QList<QPoint>, points);
    const QPoint offset(800, 800);  // the small image's place in the large one
    auto draw = [&](QtCanvas& dc, QPoint shift) {
        dc.SetBkOpaque(opaque);
        dc.SetBkColor(RGB(0, 0, 255));
        dc.SetPen(style, width, RGB(255, 0, 0));
        dc.MoveTo(points[0].x() + shift.x(), points[0].y() + shift.y());
        for (int i = 1; i < points.size(); ++i)
            dc.LineTo(points[i].x() + shift.x(), points[i].y() + shift.y());
        dc.Rectangle(-500 + shift.x(), -400 + shift.y(), 50 + shift.x(), 30 + shift.y());
    };
    const QImage large = Paint(2600, 2400, [&](QtCanvas& dc) { draw(dc, offset); });
    const QImage small = Paint(120, 70, [&](QtCanvas& dc) { draw(dc, QPoint(0, 0)); });
    QVERIFY(CountNot(small, kWhite) > 0);
    QCOMPARE(small, large.copy(QRect(offset, small.size())));
}

// Ends of any size cost time by the image, not by the line: these would walk
// billions of pixels (or overflow) if the line were stepped to its end.
void TestQtCanvas::farCoordinatesAreBounded() {
    const int big = std::numeric_limits<int>::max(), small = std::numeric_limits<int>::min();
    const QImage image = Paint(50, 40, [&](QtCanvas& dc) {
        for (int style : {int(kPenSolid), int(kPenDot), int(kPenDashDot)}) {
            for (int width : {1, 3}) {
                dc.SetPen(style, width, RGB(255, 0, 0));
                dc.MoveTo(10, 0);
                dc.LineTo(10, 1000000000);
                dc.MoveTo(small, small);
                dc.LineTo(big, big);
                dc.LineTo(small, 20);
                dc.LineTo(big, 20);
                dc.Rectangle(small, small, big, big);
                dc.Rectangle(small, 30, big, 35);
            }
        }
        dc.Draw3dRect(Rect{small, small, big, big}, RGB(0, 255, 0), RGB(0, 0, 255));
        dc.FillSolidRect(Rect{big, big, small, small}, RGB(0, 0, 255));
    });
    QCOMPARE(At(image, 10, 5), kBlue);  // the last fill covers everything
    QCOMPARE(CountNot(image, kBlue), 0);

    // The vertical line from y = 0 to y = 1e9 paints the whole column.
    const QImage column = Paint(20, 30, [](QtCanvas& dc) {
        dc.SetPen(kPenSolid, 0, RGB(255, 0, 0));
        dc.MoveTo(5, 0);
        dc.LineTo(5, 1000000000);
    });
    for (int y = 0; y < 30; ++y) QCOMPARE(At(column, 5, y), kRed);
    QCOMPARE(CountNot(column, kWhite), 30);
}

TARVELLO_OFFSCREEN_TEST_MAIN(TestQtCanvas)
#include "QtCanvasTest.moc"
