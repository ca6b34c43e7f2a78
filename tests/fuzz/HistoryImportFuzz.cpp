// The history-file reader and the import: the source check on the bytes, then
// the conversion of the same bytes as a file into the nine period files.
#include <filesystem>

#include "FuzzSupport.h"
#include "data/HistoryFile.h"
#include "data/Period.h"
#include "data/PeriodConverter.h"
#include "data/SourceCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static FuzzScratch scratch;
    const SourceFault fault = CheckHistorySource(data, size);
    (void)SourceFaultMessage("in.hst", fault);

    const std::string source = scratch.Path() + "/in.hst";
    const std::string history = scratch.Path() + "/history/";
    std::filesystem::create_directories(history);
    WriteBytes(source, data, size);
    const ImportResult result = BuildPeriodFiles(source, history, [](const std::string&) {});
    if (result.status == ImportResult::Status::kOk) {
        // What the import wrote reads back bar by bar.
        for (int per = 0; per < period::kCount; ++per) {
            const unsigned count = GetBarCount(history, result.symbol, per);
            BarRecord bar;
            for (unsigned k : {0u, count / 2, count - 1, count})
                (void)ReadBar(bar, static_cast<int>(k), history, result.symbol, per);
        }
    }
    std::error_code ec;
    std::filesystem::remove_all(history, ec);
    return 0;
}
