// A period file of any content as the replay and the indicators read it: the
// bars through the chart model, and the seven kinds computed in full and then
// bar by bar, with parameters taken from the input's first bytes.
#include <filesystem>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "chart/Kbar.h"
#include "data/HistoryFile.h"
#include "data/Period.h"
#include "indicators/IndicateDefaults.h"
#include "platform/RecordingCanvas.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static FuzzScratch scratch;
    if (size < 4) return 0;
    const std::string history = scratch.Path() + "/";
    std::filesystem::create_directories(history + "FZ");
    WriteBytes(PeriodFilePath(history, "FZ", period::H4), data + 4, size - 4);

    const unsigned count = GetBarCount(history, "FZ", period::H4);
    CKbar chart;
    chart.SetVisibleCount(40);
    for (unsigned k = 0; k < count && k < 60; ++k) {
        BarRecord bar;
        if (ReadBar(bar, static_cast<int>(k), history, "FZ", period::H4)) chart.AddBar(bar);
    }
    // Periods from the first bytes: small, zero, or far beyond the file.
    const int periods[4] = {data[0] % 70, data[1] % 4 == 0 ? 1000000 : data[1] % 30, data[2] % 20,
                            data[3] % 200};
    const unsigned cursor = count + data[3] % 3;
    for (int type = 0; type < 7; ++type) {
        IndicateDefaults d = DefaultsOf(type);
        for (std::size_t k = 0; k < d.parTexts.size() && k < 3; ++k)
            d.parTexts[k] = std::to_string(periods[k]);
        CIndicate ind = BuildIndicate(type, d.parTexts, data[type % 4] % 3, data[0] % 7, d.colors,
                                      d.styles, d.widths);
        ind.SetMaxPoints(40);
        ind.Recompute(history, "FZ", period::H4, cursor > 20 ? cursor - 20 : 0);
        for (unsigned i = cursor > 20 ? cursor - 19 : 1; i <= cursor; ++i)
            ind.Compute(history, "FZ", period::H4, i);
        chart.AddIndicate(ind);
    }
    RecordingCanvas canvas;
    chart.Draw(canvas);
    return 0;
}
