// Renders a table of charts and compares each image with the hash recorded in
// tests/app/data/reference_renders.txt, so that a faster painter cannot change
// a pixel unnoticed. TARVELLO_RECORD_RENDERS=1 rewrites the table instead.
// On a mismatch the image is written beside the test's working folder for a
// look.
#include <unistd.h>

#include <QDir>
#include <QImage>
#include <QTest>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "OffscreenTestMain.h"
#include "app/QtCanvas.h"
#include "data/BarRecord.h"
#include "data/HistoryHeader.h"
#include "data/Period.h"
#include "data/PeriodConverter.h"
#include "data/SampleHistory.h"
#include "indicators/IndicateDefaults.h"
#include "window/HeadlessPort.h"
#include "window/TarvelloWindow.h"

#ifndef TARVELLO_REFERENCE_FILE
#error "TARVELLO_REFERENCE_FILE must name the table of reference hashes"
#endif

namespace {

constexpr int kChartWidth = 800, kChartHeight = 500;

// FNV-1a over the colour bytes of every pixel, row by row.
std::uint64_t HashImage(const QImage& image) {
    std::uint64_t h = 1469598103934665603ull;
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = row[x] & 0xFFFFFFu;
            for (int b = 0; b < 3; ++b) {
                h ^= (p >> (8 * b)) & 0xFF;
                h *= 1099511628211ull;
            }
        }
    }
    return h;
}

// `records` minutes at 1.25; with `jump`, the first `jump` of them at 1.20,
// and the last `moved` 1e-12 higher than 1.25.
void WriteFlatHistory(const std::string& path, const std::string& symbol, int records, int jump = 0,
                      int moved = 0) {
    HistoryHeader header;
    header.SetSymbol(symbol);
    header.SetPeriod(1);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(header.bytes.data()), header.bytes.size());
    for (int i = 0; i < records; ++i) {
        BarRecord bar;
        bar.time = 1577916000 + i * 60;
        bar.open = bar.low = bar.high = bar.close = i < jump               ? 1.20
                                                    : i >= records - moved ? 1.25 + 1e-12
                                                                           : 1.25;
        bar.volume = 1;
        unsigned char raw[BarRecord::kSize];
        bar.Encode(raw);
        out.write(reinterpret_cast<const char*>(raw), sizeof raw);
    }
}

// The seven kinds, some with other pens so that every dash pattern and a
// wide pen are drawn, and MACD in its second display mode.
void AddSevenIndicators(CTarvelloWindow& wnd) {
    for (int type = 0; type < 7; ++type) {
        IndicateDefaults d = DefaultsOf(type);
        if (type == kIndicateMA) d.styles = {kPenDot};
        if (type == kIndicateBOLLIN) d.styles = {kPenDashDot};
        if (type == kIndicateMAX) d.styles = {kPenDash};
        if (type == kIndicateMIN) d.styles = {kPenDashDotDot};
        if (type == kIndicateKDJ) d.widths = {2, 1, 0};
        if (type == kIndicateMACD) d.option = 1;
        CIndicate ind =
            BuildIndicate(type, d.parTexts, d.option, d.applyTo, d.colors, d.styles, d.widths);
        QVERIFY(wnd.AddIndicator(ind));
    }
}

struct ChartCase {
    std::string symbol;
    int chartType;
    int zoomBars;
    bool indicators;
};

QImage RenderChart(const std::string& folder, const ChartCase& c) {
    CHeadlessPort port;
    CTarvelloWindow wnd(port, folder);
    wnd.OnInitDialog();
    wnd.LayoutControls(kChartWidth + 200, kChartHeight * 4 / 3 + 110);
    int index = -1;
    for (int i = 0; i < wnd.m_comboCurrency.GetCount(); ++i)
        if (wnd.m_comboCurrency.GetLBText(i) == c.symbol) index = i;
    wnd.m_comboCurrency.SetCurSel(index);
    wnd.OnSelchangeCurrency(index);
    wnd.m_kbar.SetChartArea(kChartWidth + 10, kChartHeight + 100, 10, 100, kChartWidth,
                            kChartHeight);
    while (wnd.m_nZoomBars[wnd.m_nZoomLevel] > c.zoomBars) wnd.OnZoomIn();
    while (wnd.m_nZoomBars[wnd.m_nZoomLevel] < c.zoomBars) wnd.OnZoomOut();
    wnd.OnPeriod(period::M5);
    wnd.OnChartType(c.chartType);
    for (int i = 0; i < c.zoomBars + 30; ++i) wnd.OnNextBar();
    if (c.indicators) {
        AddSevenIndicators(wnd);
        wnd.OnBuy();
        for (int i = 0; i < 5; ++i) wnd.OnNextBar();
        wnd.OnSell();
        for (int i = 0; i < 3; ++i) wnd.OnNextBar();
    }
    QImage client(kChartWidth + 10, kChartHeight + 100, QImage::Format_RGB32);
    client.fill(Qt::darkBlue);
    {
        QtCanvas canvas(&client);
        wnd.m_kbar.Draw(canvas);
    }
    return client;
}

// Every pen style and width in all directions, over both background modes,
// with rectangles and frames, straight onto a canvas.
QImage RenderPenSheet() {
    QImage image(400, 300, QImage::Format_RGB32);
    image.fill(Qt::black);
    QtCanvas dc(&image);
    const Point ends[] = {{390, 10}, {390, 290}, {10, 290}, {200, 295}, {395, 150}, {5, 5}};
    int k = 0;
    for (int style = 0; style <= kPenNull; ++style) {
        for (int width : {0, 1, 2}) {
            dc.SetBkOpaque(k % 2 == 1);
            dc.SetBkColor(RGB(0, 0, 255));
            dc.SetPen(style, width, RGB(40 * style + 50, 255 - 60 * width, 128));
            dc.MoveTo(200 + k, 150 - k);
            for (const Point& e : ends) dc.LineTo(e.x - k, e.y + (k % 5));
            dc.SetBrush(RGB(10 * k, 100, 200));
            if (k % 3 == 0) dc.SetNullBrush();
            dc.Rectangle(20 + 20 * style, 20 + 30 * width, 35 + 20 * style + width,
                         30 + 30 * width + style);
            dc.Rectangle(300 - k, 250, 300 - k, 260);  // empty
            dc.Rectangle(300 + k, 200, 301 + k, 230);  // one pixel wide
            ++k;
        }
    }
    dc.Draw3dRect(Rect{250, 20, 380, 90}, RGB(255, 0, 0), RGB(0, 255, 0));
    dc.SetTextColor(RGB(0, 255, 255));
    dc.TextOut(260, 40, "1.23456");
    return image;
}

std::map<std::string, std::string> ReadTable(const std::string& path) {
    std::map<std::string, std::string> table;
    std::ifstream in(path);
    std::string name, hash;
    while (in >> name >> hash) table[name] = hash;
    return table;
}

std::string Hex(std::uint64_t h) {
    char buf[17];
    std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(h));
    return buf;
}

}  // namespace

class TestReferenceRender : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void rendersMatchTheRecordedOnes();
    void degenerateChartsRenderInBoundedTime();

private:
    std::string m_dir;
};

void TestReferenceRender::initTestCase() {
    char tmpl[] = "/tmp/tarvello-reference-XXXXXX";
    QVERIFY(mkdtemp(tmpl) != nullptr);
    m_dir = tmpl;
    SampleOptions sample;
    sample.bars = 5 * 420;
    sample.seed = 7;
    std::string error;
    QVERIFY(WriteSampleHistory(m_dir + "/EURUSD.hst", sample, &error));
    WriteFlatHistory(m_dir + "/FLAT.hst", "FLAT", 5 * 420);
    std::filesystem::create_directory(m_dir + "/history");
    for (const char* name : {"EURUSD", "FLAT"})
        QCOMPARE(BuildPeriodFiles(m_dir + "/" + name + ".hst", m_dir + "/history/", nullptr).status,
                 ImportResult::Status::kOk);
}

void TestReferenceRender::cleanupTestCase() {
    std::filesystem::remove_all(m_dir);
}

void TestReferenceRender::rendersMatchTheRecordedOnes() {
    std::vector<std::pair<std::string, std::function<QImage()>>> renders;
    for (const char* symbol : {"EURUSD", "FLAT"})
        for (int type : {kChartCandle, kChartWestern, kChartLine})
            for (int zoom : {20, 300})
                for (bool indicators : {false, true}) {
                    const ChartCase c{symbol, type, zoom, indicators};
                    std::string name = std::string(symbol) + "-" + std::to_string(type) + "-" +
                                       std::to_string(zoom) + (indicators ? "-ind" : "-plain");
                    renders.emplace_back(name, [this, c] { return RenderChart(m_dir + "/", c); });
                }
    renders.emplace_back("pens", [] { return RenderPenSheet(); });

    const bool record = qEnvironmentVariableIntValue("TARVELLO_RECORD_RENDERS") == 1;
    std::ostringstream table;
    const auto expected = ReadTable(TARVELLO_REFERENCE_FILE);
    QStringList mismatches;
    for (const auto& [name, render] : renders) {
        const QImage image = render();
        const std::string hash = Hex(HashImage(image));
        table << name << ' ' << hash << '\n';
        if (record) continue;
        const auto it = expected.find(name);
        if (it == expected.end() || it->second != hash) {
            const QString file = QDir::current().absoluteFilePath(
                QString::fromStdString("render-mismatch-" + name + ".png"));
            image.save(file);
            mismatches << QString::fromStdString(name) + " (see " + file + ")";
        }
    }
    if (record) {
        std::ofstream(TARVELLO_REFERENCE_FILE) << table.str();
        QSKIP("reference table recorded");
    }
    QVERIFY2(mismatches.isEmpty(), qPrintable(mismatches.join(", ")));
}

// A tiny move after a flat stretch puts the moving averages a billion pixels
// away, a deviation factor of 1e308 makes the bands infinite, and a NaN value
// has no place at all: each must still draw what fits in the image.
void TestReferenceRender::degenerateChartsRenderInBoundedTime() {
    WriteFlatHistory(m_dir + "/TINY.hst", "TINY", 5 * 260, 5 * 214, 5 * 30);
    QCOMPARE(BuildPeriodFiles(m_dir + "/TINY.hst", m_dir + "/history/", nullptr).status,
             ImportResult::Status::kOk);
    CHeadlessPort port;
    CTarvelloWindow wnd(port, m_dir + "/");
    wnd.OnInitDialog();
    wnd.LayoutControls(1800, 1310);
    int index = -1;
    for (int i = 0; i < wnd.m_comboCurrency.GetCount(); ++i)
        if (wnd.m_comboCurrency.GetLBText(i) == "TINY") index = i;
    wnd.m_comboCurrency.SetCurSel(index);
    wnd.OnSelchangeCurrency(index);
    wnd.m_kbar.SetChartArea(1610, 1000, 10, 100, 1600, 900);
    while (wnd.m_nZoomLevel > 0) wnd.OnZoomIn();
    wnd.OnPeriod(period::M5);
    // Bars 220 to 239 in view: a range of 1e-12, with 1.20 inside the
    // moving averages of the first of them.
    for (int i = 0; i < 240; ++i) wnd.OnNextBar();
    for (int type : {kIndicateMA, kIndicateBOLLIN}) {
        IndicateDefaults d = DefaultsOf(type);
        if (type == kIndicateBOLLIN) d.parTexts = {"12", "1e308"};
        QVERIFY(wnd.AddIndicator(
            BuildIndicate(type, d.parTexts, d.option, d.applyTo, d.colors, d.styles, d.widths)));
    }
    CIndicate& ma = wnd.m_kbar.GetIndicate(0);
    QVERIFY(!ma.m_arrLine[0].empty());
    ma.m_arrLine[0][ma.m_arrLine[0].size() / 2].fValue = std::nan("");
    const BarPoint oldest = ma.m_arrLine[0].front();
    // The oldest moving average in view lies a long way from the flat price's line.
    QVERIFY(std::abs(wnd.m_kbar.BarPointToPoint(oldest).y) > 1000000);

    QImage client(1610, 1000, QImage::Format_RGB32);
    client.fill(Qt::darkBlue);
    {
        QtCanvas canvas(&client);
        wnd.m_kbar.Draw(canvas);
    }
    // The grid and the bars are there; the bands' lines end at the image.
    const QImage chart = client.copy(10, 100, 1600, 900);
    QCOMPARE(chart.pixel(1600 - 2 - 1, 10) & 0xFFFFFFu, qRgb(128, 128, 0) & 0xFFFFFFu);
    int bar = 0;
    for (int y = 0; y < 900; ++y)
        for (int x = 0; x < 1600; ++x) bar += (chart.pixel(x, y) & 0xFFFFFFu) == 0x00FF00u;
    QVERIFY(bar > 0);
}

TARVELLO_OFFSCREEN_TEST_MAIN(TestReferenceRender)
#include "ReferenceRenderTest.moc"
