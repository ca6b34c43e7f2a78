// The session command parser: any script against a small imported pair, with
// renders painted into a real off-screen image (of bounded size) but not
// written anywhere.
#include <sanitizer/lsan_interface.h>

#include <QGuiApplication>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "FuzzSupport.h"
#include "app/QtCanvas.h"
#include "cli/Session.h"
#include "data/PeriodConverter.h"
#include "data/SampleHistory.h"

namespace {

struct Fixture {
    Fixture() {
        // A script may say "online": it must never leave the machine.
        setenv("TARVELLO_PROBE_URL", "http://127.0.0.1:9/", 1);
        setenv("TARVELLO_SERVER_URL", "", 1);
        history = scratch.Path() + "/history/";
        std::filesystem::create_directories(history);
        SampleOptions sample;
        sample.bars = 6000;
        std::string error;
        const std::string source = scratch.Path() + "/EURUSD.hst";
        if (WriteSampleHistory(source, sample, &error)) BuildPeriodFiles(source, history, nullptr);
        // Qt's font database fills fontconfig's caches on the first text and
        // keeps them to the end of the process: not ours to free.
        __lsan_disable();
        QtCanvas warmUp(64, 64);
        warmUp.TextOut(0, 0, "1.23456 广告位 70");
        __lsan_enable();
        std::filesystem::current_path(scratch.Path());
    }
    FuzzScratch scratch;
    std::string history;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static int argc = 1;
    static char name[] = "session-fuzz";
    static char* argv[] = {name, nullptr};
    static QGuiApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QGuiApplication(argc, argv);
    }();
    (void)app;
    static Fixture fixture;
    if (size > 4096) return 0;
    const std::string script(reinterpret_cast<const char*>(data), size);
    // save and export write files: only plain names, into the scratch folder.
    std::istringstream lines(script);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string cmd, arg;
        words >> cmd >> arg;
        if ((cmd == "save" || cmd == "export") && arg.find_first_of("/\\~") != std::string::npos)
            return 0;
    }
    std::istringstream in(script);
    std::ostringstream out;
    const ImageWriterFn writer = [](int width, int height, const PaintFn& paint, const std::string&,
                                    std::string*) {
        QtCanvas canvas(std::clamp(width, 1, 2000), std::clamp(height, 1, 2000));
        paint(canvas);
        return true;
    };
    RunSession(fixture.history, in, out, writer);
    return 0;
}
