#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "chart/Kbar.h"
#include "data/HistoryFile.h"
#include "data/Period.h"
#include "indicators/Indicate.h"
#include "indicators/IndicateDefaults.h"
#include "platform/Files.h"
#include "platform/RecordingCanvas.h"
#include "support/TestSupport.h"

namespace {

// A symbol whose M1 file holds bars with the given closes (and highs, lows).
class IndicateTest : public ::testing::Test {
protected:
    std::string History() const { return m_dir.Path() + "/"; }
    void Write(const std::vector<double>& closes, std::vector<double> highs = {},
               std::vector<double> lows = {}) {
        std::vector<BarRecord> bars;
        for (std::size_t i = 0; i < closes.size(); ++i) {
            BarRecord b;
            b.time = static_cast<int>(i) * 60;
            b.open = b.close = closes[i];
            b.high = highs.empty() ? closes[i] : highs[i];
            b.low = lows.empty() ? closes[i] : lows[i];
            bars.push_back(b);
        }
        files::CreateFolder(m_dir / "S");
        WriteHst(PeriodFilePath(History(), "S", period::M1), "S", bars);
    }
    CIndicate Make(int type, std::vector<std::string> params, int option = 0, int max = 120) {
        IndicateDefaults d = DefaultsOf(type);
        for (std::size_t k = 0; k < params.size(); ++k) d.parTexts[k] = params[k];
        CIndicate ind =
            BuildIndicate(type, d.parTexts, option, d.applyTo, d.colors, d.styles, d.widths);
        ind.SetMaxPoints(max);
        return ind;
    }
    std::vector<double> Values(const CIndicate& ind, int slot) const {
        std::vector<double> out;
        for (const auto& p : ind.m_arrLine[slot]) out.push_back(p.fValue);
        return out;
    }
    void Step(CIndicate& ind, std::uint32_t from, std::uint32_t to) {
        for (std::uint32_t i = from; i <= to; ++i) ind.Compute(History(), "S", period::M1, i);
    }
    TempDir m_dir;
};

void ExpectNear(const std::vector<double>& got, const std::vector<double>& want) {
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t i = 0; i < want.size(); ++i) EXPECT_NEAR(got[i], want[i], 1e-4) << i;
}

TEST_F(IndicateTest, WorkedValues) {
    Write({1, 2, 3, 4});
    CIndicate sma = Make(kIndicateMA, {"3"}, 0);
    Step(sma, 0, 3);
    ExpectNear(Values(sma, 0), {1, 1.5, 2, 3});
    CIndicate ema = Make(kIndicateMA, {"3"}, 1);
    Step(ema, 0, 3);
    ExpectNear(Values(ema, 0), {1, 1.6667, 2.3333, 3.1667});
    CIndicate other = Make(kIndicateMA, {"3"}, 2);  // neither method: nothing
    Step(other, 0, 3);
    EXPECT_TRUE(other.m_arrLine[0].empty());

    Write({1, 2, 3, 4, 5}, {5, 7, 6, 4, 3}, {1, 1, 1, 1, 1});
    CIndicate max = Make(kIndicateMAX, {"3"});
    Step(max, 0, 4);
    ExpectNear(Values(max, 0), {5, 7, 7, 7, 6});

    Write({1, 2, 1, 2});
    CIndicate rsi = Make(kIndicateRSI, {"3"});
    Step(rsi, 0, 3);
    EXPECT_NEAR(Values(rsi, 0)[3], 66.6667, 1e-4);
    EXPECT_EQ(Values(rsi, 5)[3], 2.0);  // gain sum
    EXPECT_EQ(Values(rsi, 4)[3], 1.0);  // loss sum
    Write({1, 2, 3, 4});
    CIndicate rises = Make(kIndicateRSI, {"3"});
    Step(rises, 0, 3);
    EXPECT_EQ(Values(rises, 0)[3], 0.0);

    CIndicate boll = Make(kIndicateBOLLIN, {"3", "2"});
    Step(boll, 0, 0);
    EXPECT_EQ(Values(boll, 0), Values(boll, 1));
    EXPECT_EQ(Values(boll, 0), Values(boll, 2));
}

TEST_F(IndicateTest, SeedsAndRanges) {
    std::vector<double> closes;
    for (int i = 0; i < 260; ++i) closes.push_back(1.1 + 0.01 * std::sin(i * 0.3) + i * 1e-4);
    Write(closes);
    // Recompute fills the last m_nMaxPoints bars up to the cursor.
    CIndicate ma = Make(kIndicateMA, {"12"}, 1, 120);
    ma.Recompute(History(), "S", period::M1, 4);
    EXPECT_EQ(ma.m_arrLine[0].front().nIndex, 0);
    EXPECT_EQ(ma.m_arrLine[0].back().nIndex, 4);
    ma.Recompute(History(), "S", period::M1, 200);
    EXPECT_EQ(ma.m_arrLine[0].size(), 120u);
    EXPECT_EQ(ma.m_arrLine[0].front().nIndex, 81);
    ma.Recompute(History(), "S", period::M1, 0xFFFFFFFFu);
    EXPECT_TRUE(ma.m_arrLine[0].empty());
    // From bar 0: twelve EMA seeds (fresh each), then the slide.
    CIndicate ema = Make(kIndicateMA, {"12"}, 1, 300);
    ema.Recompute(History(), "S", period::M1, 20);
    double s = closes[0];
    for (int k = 2; k <= 12; ++k) s = (2 * closes[k - 1] + (k - 1) * s) / (k + 1);
    EXPECT_NEAR(ema.m_arrLine[0][11].fValue, s, 1e-12);
    EXPECT_NEAR(ema.m_arrLine[0][12].fValue, (2 * closes[12] + 11 * s) / 13, 1e-12);
    // MAX on an empty line starts at the bar's own high.
    CIndicate max = Make(kIndicateMAX, {"12"});
    max.Compute(History(), "S", period::M1, 50);
    EXPECT_EQ(Values(max, 0), std::vector<double>{closes[50]});
}

// Recompute at c, then Compute for c+1..c+k, equals Recompute at c+k.
TEST_F(IndicateTest, IncrementalEqualsFull) {
    std::vector<double> closes, highs, lows;
    for (int i = 0; i < 400; ++i) {
        double c = 1.2 + 0.02 * std::sin(i * 0.11) + 0.005 * std::cos(i * 0.7);
        closes.push_back(c);
        highs.push_back(c + 0.001 + 0.0005 * (i % 3));
        lows.push_back(c - 0.001 - 0.0004 * (i % 4));
    }
    Write(closes, highs, lows);
    struct Case {
        int type;
        std::vector<std::string> params;
        int option;
    } cases[] = {{kIndicateMA, {"12"}, 0},
                 {kIndicateMA, {"12"}, 1},
                 {kIndicateKDJ, {"3", "5", "3"}, 0},
                 {kIndicateRSI, {"12"}, 0},
                 {kIndicateMACD, {"12", "26", "9"}, 0},
                 {kIndicateBOLLIN, {"12", "1.7"}, 0},
                 {kIndicateMAX, {"12"}, 0},
                 {kIndicateMIN, {"12"}, 0}};
    for (const auto& c : cases) {
        // Exponential averages remember every bar since their seed, so they
        // compare over the same bars from 0; the others over trimmed windows.
        const bool memory = c.type == kIndicateMACD || (c.type == kIndicateMA && c.option == 1);
        const int max = memory ? 400 : 120;
        for (std::uint32_t start : {5u, 150u, 250u}) {
            CIndicate inc = Make(c.type, c.params, c.option, max);
            inc.Recompute(History(), "S", period::M1, start);
            Step(inc, start + 1, start + 60);
            CIndicate full = Make(c.type, c.params, c.option, max);
            full.Recompute(History(), "S", period::M1, start + 60);
            // Seeds leave a line one point longer: compare the newest points (a
            // sliding sum drifts from a direct one by rounding only).
            for (int slot = 0; slot < CIndicate::kLineSlots; ++slot) {
                const auto& a = inc.m_arrLine[slot];
                const auto& b = full.m_arrLine[slot];
                ASSERT_EQ(a.empty(), b.empty()) << c.type << " slot " << slot;
                if (a.empty()) continue;
                EXPECT_EQ(a.back().nIndex, static_cast<int>(start + 60));
                const std::size_t n = std::min<std::size_t>(std::min(a.size(), b.size()), 60);
                for (std::size_t j = 1; j <= n; ++j)
                    ASSERT_NEAR(a[a.size() - j].fValue, b[b.size() - j].fValue, 1e-7)
                        << "type " << c.type << " slot " << slot << " start " << start << " point -"
                        << j << " bars " << a[a.size() - j].nIndex << "/" << b[b.size() - j].nIndex;
                EXPECT_LE(a.size(), static_cast<std::size_t>(max) + 1);
            }
        }
    }
}

TEST_F(IndicateTest, BadParametersAndMissingBarsComputeNothing) {
    Write({1, 1, 1, 1, 1, 1});
    for (const auto& par : {"0", "abc", "-3"}) {
        for (int type = 0; type < 7; ++type) {
            CIndicate ind = Make(type, {par});
            ind.Recompute(History(), "S", period::M1, 5);
            for (const auto& line : ind.m_arrLine) EXPECT_TRUE(line.empty()) << type << par;
        }
    }
    // Flat prices: RSV 50, RSI 0, Bollinger deviation 0; nothing NaN.
    for (int type = 0; type < 7; ++type) {
        CIndicate ind = Make(type, {});
        ind.Recompute(History(), "S", period::M1, 5);
        for (const auto& line : ind.m_arrLine)
            for (const auto& p : line) EXPECT_TRUE(std::isfinite(p.fValue)) << type;
        if (type == kIndicateKDJ) {
            EXPECT_EQ(Values(ind, 3).back(), 50.0);
        }
    }
    CIndicate ma = Make(kIndicateMA, {"3"});
    ma.Compute(History(), "S", period::M1, 6);  // beyond the file
    ma.Compute(History(), "X", period::M1, 0);  // no such symbol
    EXPECT_TRUE(ma.m_arrLine[0].empty());
}

TEST_F(IndicateTest, ModelOperations) {
    Write({1}, {1.2060}, {1.2000});
    const std::string h = History();
    EXPECT_NEAR(CIndicate::GetPrice(0, h, "S", period::M1, 4), 1.2030, 1e-12);
    EXPECT_NEAR(CIndicate::GetPrice(0, h, "S", period::M1, 5), 1.2020, 1e-12);
    EXPECT_NEAR(CIndicate::GetPrice(0, h, "S", period::M1, 6), 1.2015, 1e-12);
    EXPECT_EQ(CIndicate::GetPrice(0, h, "S", period::M1, 3), 1.2000);

    CIndicate macd = Make(kIndicateMACD, {});
    CIndicate ma = Make(kIndicateMA, {});
    ma.Assign(macd);
    EXPECT_EQ(ma.m_arrColor.size(), 3u);
    EXPECT_EQ(ma.m_nType, kIndicateMACD);
    macd.m_arrLine[2].push_back({1, 2.0});
    macd.ClearLines();
    EXPECT_TRUE(macd.m_arrLine[2].empty());
    EXPECT_EQ(macd.m_arrParam, (std::vector<int>{12, 26, 9}));

    CIndicate r;
    r.m_nCalcPeriod = period::H4;
    r.SetCalcIndex(10);
    r.RescalePeriod(period::H1);
    EXPECT_EQ(r.m_nCalcIndex, 40u);
    r.SetCalcIndex(10);
    r.RescalePeriod(period::H4);
    EXPECT_EQ(r.m_nCalcIndex, 2u);
    CIndicate over = Make(kIndicateMA, {});
    over.m_rcPane = Rect{0, 0, 100, 100};
    EXPECT_FALSE(over.HitTest(50, 50));
}

TEST_F(IndicateTest, DrawInPanes) {
    std::vector<double> closes;
    for (int i = 0; i < 60; ++i) closes.push_back(1.2 + 0.01 * std::sin(i * 0.4));
    Write(closes);
    CKbar chart;
    chart.SetChartArea(1000, 1000, 10, 100, 600, 400);
    for (int i = 0; i < 40; ++i) {
        BarRecord b;
        ReadBar(b, i, History(), "S", period::M1);
        chart.AddBar(b);
    }
    CIndicate rsi = Make(kIndicateRSI, {});
    rsi.Recompute(History(), "S", period::M1, 39);
    chart.AddIndicate(rsi);
    RecordingCanvas canvas;
    chart.DrawIndicates(canvas);
    auto texts = canvas.CallsStartingWith("TextOut");
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_NE(texts[0].find(" 50"), std::string::npos);
    EXPECT_NE(texts[1].find(" 30"), std::string::npos);
    EXPECT_NE(texts[2].find(" 70"), std::string::npos);
    EXPECT_EQ(canvas.Calls()[0], "Draw3dRect 0 320 600 400 0x0000ff 0x00ff00");

    for (int mode : {0, 1, 7}) {
        CKbar c2;
        c2.SetChartArea(1000, 1000, 10, 100, 600, 400);
        CIndicate macd = Make(kIndicateMACD, {}, mode);
        macd.Recompute(History(), "S", period::M1, 39);
        c2.AddIndicate(macd);
        RecordingCanvas rec;
        c2.DrawIndicates(rec);
        const auto pens = rec.CallsStartingWith("SetPen");
        // The zero line, then DIF and DEA (mode 0) or DIF, DEA and MACD (mode 1).
        ASSERT_GE(pens.size(), 1u);
        EXPECT_EQ(pens[0], "SetPen 2 1 0x808080");
        const std::size_t moves = rec.CallsStartingWith("MoveTo").size();
        if (mode == 0) {
            EXPECT_EQ(pens.size(), 3u);
            EXPECT_EQ(moves, 1 + 40 + 1);  // zero line, a bar per DIF point, the DEA line
        } else if (mode == 1) {
            EXPECT_EQ(pens.size(), 4u);
            EXPECT_EQ(moves, 1 + 1 + 1 + 40);
        } else {
            EXPECT_EQ(pens.size(), 1u);
            EXPECT_EQ(moves, 1u);
        }
    }
}

TEST_F(IndicateTest, FlatValuesRunThroughTheMiddleOfThePane) {
    // Flat prices: RSI is 0 throughout, MACD's lines are 0 and KDJ's 50.
    Write(std::vector<double>(60, 1.2345));
    struct Case {
        int type;
        int option;
    } cases[] = {{kIndicateRSI, 0}, {kIndicateMACD, 1}, {kIndicateKDJ, 0}};
    for (const auto& c : cases) {
        CKbar chart;
        chart.SetChartArea(1000, 1000, 10, 100, 600, 400);
        CIndicate ind = Make(c.type, {}, c.option);
        ind.Recompute(History(), "S", period::M1, 39);
        chart.AddIndicate(ind);
        RecordingCanvas canvas;
        chart.DrawIndicates(canvas);
        // The pane spans chart rows 320 to 400; its middle is row 360.
        int points = 0;
        for (const std::string& call : canvas.Calls()) {
            int x = 0, y = 0;
            if (std::sscanf(call.c_str(), "MoveTo %d %d", &x, &y) != 2 &&
                std::sscanf(call.c_str(), "LineTo %d %d", &x, &y) != 2)
                continue;
            // Lines off the pane are the RSI levels, which lie outside the flat range.
            if (y < 320 || y > 400) continue;
            EXPECT_NEAR(y, 360, 1) << c.type << ": " << call;
            ++points;
        }
        EXPECT_GE(points, 40) << c.type;
        // No level label sits on the pane's bottom edge.
        for (const std::string& call : canvas.CallsStartingWith("TextOut")) {
            int x = 0, y = 0;
            ASSERT_EQ(std::sscanf(call.c_str(), "TextOut %d %d", &x, &y), 2);
            EXPECT_FALSE(y + 15 >= 320 && y + 15 <= 400) << call;
        }
    }
}

}  // namespace

namespace {

// Plain formulas over a price vector, for checking the long windows.
double NaiveMean(const std::vector<double>& p, std::size_t i, std::size_t n) {
    const std::size_t from = i < n ? 0 : i - n + 1;
    double s = 0;
    for (std::size_t k = from; k <= i; ++k) s += p[k];
    return s / static_cast<double>(i - from + 1);
}

double NaiveDeviation(const std::vector<double>& p, std::size_t i, std::size_t n) {
    const std::size_t from = i < n ? 0 : i - n + 1;
    double s = 0;
    for (std::size_t k = from; k <= i; ++k) {
        const double d = NaiveMean(p, k, n) - p[k];
        s += d * d;
    }
    return std::sqrt(s / static_cast<double>(i - from + 1));
}

}  // namespace

// Windows longer than the direct loops' limit are summed and scanned by
// sliding; their results must still be the plain formulas'.
TEST_F(IndicateTest, LongWindowsGiveThePlainFormulas) {
    std::vector<double> closes, highs, lows;
    for (int i = 0; i < 700; ++i) {
        // A falling stretch makes the maximum leave its window on every bar.
        const double c = 1.3 + 0.01 * std::sin(i * 0.07) - (i > 450 ? 0.0004 * (i - 450) : 0.0);
        closes.push_back(c);
        highs.push_back(c + 0.0005 * (1 + i % 3));
        lows.push_back(c - 0.0004 * (1 + i % 4));
    }
    Write(closes, highs, lows);
    const std::uint32_t cursor = 650;
    const std::size_t n = 150, first = cursor + 1 - 120;
    for (int type : {kIndicateMA, kIndicateBOLLIN, kIndicateMAX, kIndicateMIN}) {
        SCOPED_TRACE(type);
        CIndicate ind = Make(type, {std::to_string(n)});
        ind.Recompute(History(), "S", period::M1, cursor);
        ASSERT_EQ(ind.m_arrLine[0].size(), 120u);
        for (std::size_t j = 0; j < 120; ++j) {
            const std::size_t i = first + j;
            ASSERT_EQ(ind.m_arrLine[0][j].nIndex, static_cast<int>(i));
            double want = 0;
            if (type == kIndicateMA || type == kIndicateBOLLIN) want = NaiveMean(closes, i, n);
            if (type == kIndicateMAX || type == kIndicateMIN) {
                // The line's own rule: keep the previous extreme unless the
                // bar that leaves could have been it, then scan the window.
                const bool max = type == kIndicateMAX;
                const std::vector<double>& x = max ? highs : lows;
                if (j == 0) {
                    want = x[i];
                } else {
                    const double prev = ind.m_arrLine[0][j - 1].fValue;
                    if (max ? x[i - n] < prev : x[i - n] > prev)
                        want = max ? std::max(x[i], prev) : std::min(x[i], prev);
                    else
                        want = max ? *std::max_element(&x[i - n + 1], &x[i] + 1)
                                   : *std::min_element(&x[i - n + 1], &x[i] + 1);
                }
            }
            EXPECT_NEAR(ind.m_arrLine[0][j].fValue, want, 1e-9) << "bar " << i;
        }
        if (type == kIndicateBOLLIN) {
            // The first deviation is the direct one; the later ones slide.
            const double sd = NaiveDeviation(closes, first, n);
            EXPECT_NEAR(ind.m_arrLine[1][0].fValue - ind.m_arrLine[0][0].fValue, 1.7 * sd, 1e-9);
            EXPECT_GT(ind.m_arrLine[1].back().fValue, ind.m_arrLine[0].back().fValue);
        }
    }
}

// A period far beyond the history: every point is a direct form over all
// bars from 0, which must cost the bars read, not their square.
TEST_F(IndicateTest, HugePeriodBollingerGivesItsLines) {
    std::vector<double> closes;
    for (int i = 0; i <= 10000; ++i)
        closes.push_back(1.1 + 0.001 * std::sin(i * 0.01) + 1e-5 * (i % 7));
    Write(closes);
    CIndicate ind = Make(kIndicateBOLLIN, {"1000000"}, 0, 300);
    ind.Recompute(History(), "S", period::M1, 10000);
    for (int slot = 0; slot < 3; ++slot) ASSERT_EQ(ind.m_arrLine[slot].size(), 300u) << slot;
    for (std::size_t j : {std::size_t{0}, std::size_t{150}, std::size_t{299}}) {
        const std::size_t i = 10000 - 299 + j;
        const double mid = NaiveMean(closes, i, 1000000);
        const double sd = std::sqrt([&] {
            double s = 0, sum = 0;
            for (std::size_t k = 0; k <= i; ++k) {
                sum += closes[k];
                const double d = sum / static_cast<double>(k + 1) - closes[k];
                s += d * d;
            }
            return s / static_cast<double>(i + 1);
        }());
        EXPECT_NEAR(ind.m_arrLine[0][j].fValue, mid, 1e-12);
        EXPECT_NEAR(ind.m_arrLine[1][j].fValue, mid + 1.7 * sd, 1e-12);
        EXPECT_NEAR(ind.m_arrLine[2][j].fValue, mid - 1.7 * sd, 1e-12);
    }
}
