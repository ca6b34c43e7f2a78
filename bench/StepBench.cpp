// 1,000 next-bar steps at zoom level 5 (300 bars) on a 1600 x 900 chart,
// each step with the full render into an image, as the window paints it:
// bare, with the seven indicators, and with them and ten drawing objects.
// Prints the median and 99th percentile per step and the ratio of the median
// to one plain copy of a 1600 x 900 image measured in the same run.
#include <sys/resource.h>
#include <unistd.h>

#include <QGuiApplication>
#include <QImage>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/QtCanvas.h"
#include "data/PeriodConverter.h"
#include "data/SampleHistory.h"
#include "indicators/IndicateDefaults.h"
#include "window/HeadlessPort.h"
#include "window/TarvelloWindow.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double Percentile(std::vector<double> v, double q) {
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<std::size_t>(q * (v.size() - 1) + 0.5))];
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int steps = argc > 1 ? std::atoi(argv[1]) : 1000;
    constexpr int kWidth = 1600, kHeight = 900;

    // A history long enough for 300 + steps H4 bars.
    char tmpl[] = "/tmp/tarvello-stepbench-XXXXXX";
    if (!mkdtemp(tmpl)) return 1;
    const std::string dir = tmpl;
    SampleOptions sample;
    sample.bars = static_cast<std::uint64_t>(300 + steps + 10) * 240;
    std::string error;
    if (!WriteSampleHistory(dir + "/s.hst", sample, &error)) return 1;
    std::filesystem::create_directory(dir + "/history");
    if (BuildPeriodFiles(dir + "/s.hst", dir + "/history/", nullptr).status !=
        ImportResult::Status::kOk)
        return 1;

    // Baseline: one plain copy of a 1600 x 900 image.
    QImage source(kWidth, kHeight, QImage::Format_RGB32);
    source.fill(Qt::black);
    std::vector<double> copyMs;
    for (int i = 0; i < 200; ++i) {
        const auto t0 = Clock::now();
        QImage copy = source.copy();
        copyMs.push_back(Ms(Clock::now() - t0));
        if (copy.isNull()) return 1;
    }
    const double copy = Percentile(copyMs, 0.5);

    const char* kinds[] = {"MA", "KDJ", "RSI", "MACD", "BOLLIN", "MAX", "MIN"};
    for (int config = 0; config < 3; ++config) {
        const bool withIndicators = config >= 1, withLines = config == 2;
        CHeadlessPort port;
        port.m_onMessage = [](const std::string& text) {
            std::fprintf(stderr, "unexpected message: %s\n", text.c_str());
        };
        CTarvelloWindow wnd(port, dir + "/");
        wnd.OnInitDialog();
        wnd.LayoutControls(kWidth + 200, kHeight * 4 / 3 + 110);
        wnd.m_kbar.SetChartArea(kWidth + 10, kHeight + 100, 10, 100, kWidth, kHeight);
        wnd.OnZoomOut();
        wnd.OnZoomOut();
        for (int i = 0; i < 300; ++i) wnd.OnNextBar();  // a full window first
        if (withLines) {
            // Every kind, some selected (handle squares), around the current
            // price and spread over the bars the steps will show.
            const int last = wnd.m_barIndex.GetIndex();
            const double price = wnd.m_kbar.GetLastBar().close;
            for (int k = 0; k < 10; ++k) {
                CLine line;
                const int type = k % 4;
                const int bar = last - 250 + k * steps / 8;
                std::vector<BarPoint> anchors{{bar, price - 0.002 + k * 0.0004}};
                if (type >= kLineTrend) anchors.push_back({bar + 40, price + 0.001});
                line.SetLine(type, anchors, wnd.m_barIndex.GetPeriod(), k % 2);
                line.SetHandles(CLine::HandlesOf(anchors));
                wnd.m_kbar.m_arrDrawing.push_back(line);
            }
        }
        if (withIndicators) {
            if (!withLines) std::printf("Recompute over 300 bars, median of 20:\n");
            for (int type = 0; type < 7; ++type) {
                IndicateDefaults d = DefaultsOf(type);
                CIndicate ind = BuildIndicate(type, d.parTexts, d.option, d.applyTo, d.colors,
                                              d.styles, d.widths);
                ind.SetMaxPoints(300);
                std::vector<double> ms;
                for (int r = 0; r < 20; ++r) {
                    const auto t0 = Clock::now();
                    ind.Recompute(wnd.m_strHistoryFolder, wnd.GetSelectedSymbol(),
                                  wnd.m_barIndex.GetPeriod(),
                                  static_cast<std::uint32_t>(wnd.m_barIndex.GetIndex()));
                    ms.push_back(Ms(Clock::now() - t0));
                }
                if (!withLines) std::printf("  %-7s %7.3f ms\n", kinds[type], Percentile(ms, 0.5));
                wnd.AddIndicator(ind);
            }
            // A full rebuild: the period switch with the seven indicators.
            std::vector<double> rebuildMs;
            for (int r = 0; r < 20; ++r) {
                const auto t0 = Clock::now();
                wnd.OnPeriod(wnd.m_barIndex.GetPeriod());
                rebuildMs.push_back(Ms(Clock::now() - t0));
            }
            std::printf(
                "period switch with 7 indicators%s: median %.2f ms, max %.2f ms (goal: "
                "under 30 ms)\n",
                withLines ? " and 10 lines" : "", Percentile(rebuildMs, 0.5),
                Percentile(rebuildMs, 1.0));
        }

        QImage screen(kWidth + 200, kHeight + 200, QImage::Format_RGB32);
        std::vector<double> stepMs;
        for (int i = 0; i < steps; ++i) {
            const auto t0 = Clock::now();
            wnd.OnNextBar();
            QtCanvas canvas(&screen);
            wnd.PaintChart(canvas);
            stepMs.push_back(Ms(Clock::now() - t0));
        }
        const double median = Percentile(stepMs, 0.5), p99 = Percentile(stepMs, 0.99);
        std::printf("%d next-bar steps, 300 bars, %d x %d chart, render included, %s\n", steps,
                    kWidth, kHeight,
                    withLines        ? "7 indicators, 10 drawing objects"
                    : withIndicators ? "7 indicators"
                                     : "no indicators");
        std::printf("  step median: %7.3f ms\n", median);
        std::printf("  step p99:    %7.3f ms  (goal: under 8 ms)\n", p99);
        std::printf("  step median / image copy (%.3f ms): %.1f\n", copy, median / copy);
        if (config == 1) {
            // The process's peak so far: the history, Qt and this many steps
            // with the seven indicators.
            rusage usage{};
            getrusage(RUSAGE_SELF, &usage);
            std::printf("  peak RSS after %d steps: %.1f MB (goal: under 150 MB)\n", steps,
                        usage.ru_maxrss / 1024.0);
        }
    }
    std::filesystem::remove_all(dir);
    return 0;
}
