#include <QImage>

#include "OffscreenTestMain.h"
#include "app/ListAdvertisementView.h"
#include "net/ListAdvertisement.h"

class TestListAdvertisementView : public QObject {
    Q_OBJECT

private slots:
    void rowsDrawnAndSelectionOpensTheLink();
};

namespace {

QColor ToQ(Color c) {
    return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}

int CountColor(const QImage& image, const QRect& area, const QColor& color) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.pixelColor(x, y) == color) ++n;
    return n;
}

}  // namespace

void TestListAdvertisementView::rowsDrawnAndSelectionOpensTheLink() {
    CListAdvertisement list;
    CListAdvertisementView view(list, nullptr);
    std::vector<std::string> opened;
    list.m_fnOpenUrl = [&](const std::string& link) { opened.push_back(link); };
    list.AddItem("外汇", "https://a.example/x", 0, 2000000000);
    list.AddItem("Bad", "javascript:alert(1)", 0, 2000000000);
    QCOMPARE(view.count(), 2);
    view.resize(180, 200);
    view.show();
    view.setCurrentRow(0);
    QCOMPARE(opened, (std::vector<std::string>{"https://a.example/x"}));
    view.setCurrentRow(1);
    QCOMPARE(opened.size(), size_t{1});  // refused without a word
    view.setCurrentRow(0);

    const QImage image = view.viewport()->grab().toImage();
    if (qEnvironmentVariableIsSet("TARVELLO_SAVE_ROWS"))
        image.save(qEnvironmentVariable("TARVELLO_SAVE_ROWS"));
    const int w = image.width();
    const QColor caption = view.palette().color(QPalette::Active, QPalette::Highlight);
    const QColor back = ToQ(CListAdvertisement::kBackColor);
    const QColor red(255, 0, 0);
    const QColor title = ToQ(CListAdvertisement::kTitleColor);
    // The selected row: the caption colour down to its last two pixel rows,
    // which keep the background beside the red line and the line itself.
    QCOMPARE(image.pixelColor(3, 0), caption);
    QCOMPARE(image.pixelColor(3, 32), caption);
    QCOMPARE(image.pixelColor(3, 33), back);
    QCOMPARE(image.pixelColor(3, 34), back);
    QCOMPARE(image.pixelColor(w / 2, 33), red);
    QCOMPARE(image.pixelColor(w / 2, 31), caption);
    // The row below on the list's background, with its own line.
    QCOMPARE(image.pixelColor(3, 35), back);
    QCOMPARE(image.pixelColor(3, 35 + 32), back);
    QCOMPARE(image.pixelColor(w / 2, 35 + 33), red);
    QCOMPARE(image.pixelColor(7, 35 + 33), back);
    // Titles in their colour near the top centre of each row.
    QVERIFY(CountColor(image, QRect(w / 4, 0, w / 2, 30), title) > 0);
    QVERIFY(CountColor(image, QRect(w / 4, 35, w / 2, 30), title) > 0);
    QCOMPARE(CountColor(image, QRect(0, 0, w / 8, 30), title), 0);
}

TARVELLO_OFFSCREEN_TEST_MAIN(TestListAdvertisementView)
#include "ListAdvertisementViewTest.moc"
