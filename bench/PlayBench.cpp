// Auto-play at 50 bars a second with the seven indicators on a 1600 x 900
// chart at 300 bars: first the timer's step path (one OnPlayTimer and the
// full paint) timed step by step, plain and honest, against the plain
// next-bar step of the same run; then the real timer at 20 ms driving the
// window for a few seconds, which reports the pace it held.
#include <unistd.h>

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
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
constexpr int kWidth = 1600, kHeight = 900;

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double Percentile(std::vector<double> v, double q) {
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<std::size_t>(q * (v.size() - 1) + 0.5))];
}

// The headless port with a real timer, and a repaint whenever the chart changed.
class TimedPort : public CHeadlessPort {
public:
    void SetPlayTimer(int intervalMs) override {
        if (intervalMs <= 0) {
            m_timer.stop();
        } else {
            m_timer.setTimerType(Qt::PreciseTimer);
            m_timer.start(intervalMs);
        }
    }
    void StateChanged(unsigned changes) override {
        if (changes & kChart) m_bDirty = true;
    }
    QTimer m_timer;
    bool m_bDirty = false;
};

struct Run {
    std::unique_ptr<TimedPort> port = std::make_unique<TimedPort>();
    std::unique_ptr<CTarvelloWindow> wnd;
};

Run Open(const std::string& dir, bool honest) {
    Run run;
    run.port->m_onMessage = [](const std::string& text) {
        std::fprintf(stderr, "message: %s\n", text.c_str());
    };
    run.wnd = std::make_unique<CTarvelloWindow>(*run.port, dir + "/");
    CTarvelloWindow& wnd = *run.wnd;
    wnd.OnInitDialog();
    wnd.SetHonestReplay(honest, false);
    wnd.LayoutControls(kWidth + 200, kHeight * 4 / 3 + 110);
    wnd.m_kbar.SetChartArea(kWidth + 10, kHeight + 100, 10, 100, kWidth, kHeight);
    wnd.OnZoomOut();
    wnd.OnZoomOut();
    for (int i = 0; i < 300; ++i) wnd.OnNextBar();
    for (int type = 0; type < 7; ++type) {
        IndicateDefaults d = DefaultsOf(type);
        wnd.AddIndicator(
            BuildIndicate(type, d.parTexts, d.option, d.applyTo, d.colors, d.styles, d.widths));
    }
    return run;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int steps = argc > 1 ? std::atoi(argv[1]) : 500;

    char tmpl[] = "/tmp/tarvello-playbench-XXXXXX";
    if (!mkdtemp(tmpl)) return 1;
    const std::string dir = tmpl;
    SampleOptions sample;
    sample.bars = static_cast<std::uint64_t>(300 + 4 * steps + 400) * 240;
    std::string error;
    if (!WriteSampleHistory(dir + "/s.hst", sample, &error)) return 1;
    std::filesystem::create_directory(dir + "/history");
    if (BuildPeriodFiles(dir + "/s.hst", dir + "/history/", nullptr).status !=
        ImportResult::Status::kOk)
        return 1;
    ::setenv("TARVELLO_INI", (dir + "/tarvello.ini").c_str(), 1);

    QImage screen(kWidth + 200, kHeight + 200, QImage::Format_RGB32);
    auto timeSteps = [&](CTarvelloWindow& wnd, bool play) {
        std::vector<double> ms;
        if (play) wnd.OnPlay();
        for (int i = 0; i < steps; ++i) {
            const auto t0 = Clock::now();
            if (play)
                wnd.OnPlayTimer();
            else
                wnd.OnNextBar();
            QtCanvas canvas(&screen);
            wnd.PaintChart(canvas);
            ms.push_back(Ms(Clock::now() - t0));
        }
        wnd.StopPlay();
        return ms;
    };

    Run base = Open(dir, false);
    const std::vector<double> next = timeSteps(*base.wnd, false);
    const double baseline = Percentile(next, 0.5);
    std::printf("%d steps, 300 bars, 7 indicators, %d x %d chart, paint included\n", steps, kWidth,
                kHeight);
    std::printf("  baseline next-bar step: median %.3f ms\n", baseline);
    for (bool honest : {false, true}) {
        Run run = Open(dir, honest);
        const std::vector<double> ms = timeSteps(*run.wnd, true);
        const double median = Percentile(ms, 0.5), p99 = Percentile(ms, 0.99),
                     worst = Percentile(ms, 1.0);
        std::printf(
            "  auto-play step (%s): median %.3f ms (%.2f x baseline), p99 %.3f ms, "
            "max %.3f ms; budget at 50 bars/s 20 ms, p99 uses %.0f%%\n",
            honest ? "honest" : "plain", median, median / baseline, p99, worst, p99 / 20.0 * 100.0);
    }

    // The real timer: 50 bars a second for `steps` ticks, painting each change.
    for (bool honest : {false, true}) {
        Run run = Open(dir, honest);
        CTarvelloWindow& wnd = *run.wnd;
        for (int i = 0; i < 10; ++i) wnd.OnPlayFaster();
        int ticks = 0;
        QElapsedTimer clock;
        QObject::connect(&run.port->m_timer, &QTimer::timeout, [&] {
            wnd.OnPlayTimer();
            if (run.port->m_bDirty) {
                QtCanvas canvas(&screen);
                wnd.PaintChart(canvas);
                run.port->m_bDirty = false;
            }
            if (++ticks == steps) {
                wnd.StopPlay();
                QCoreApplication::quit();
            }
        });
        const int start = wnd.m_barIndex.GetIndex();
        clock.start();
        wnd.OnPlay();
        QCoreApplication::exec();
        const double seconds = clock.nsecsElapsed() / 1e9;
        const int bars = wnd.m_barIndex.GetIndex() - start;
        std::printf(
            "  timer at 20 ms (%s): %d bars in %.3f s = %.1f bars/s (goal 50), "
            "%.1f%% of the pace\n",
            honest ? "honest" : "plain", bars, seconds, bars / seconds,
            bars / seconds / 50.0 * 100.0);
    }
    std::filesystem::remove_all(dir);
    return 0;
}
