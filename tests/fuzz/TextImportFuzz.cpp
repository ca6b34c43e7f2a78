// The import of foreign layouts: a text export of bars (or a 60-byte-record
// history) is converted and then imported, or refused with a message.
#include <filesystem>

#include "FuzzSupport.h"
#include "data/HistoryFile.h"
#include "data/Period.h"
#include "data/SourceFormats.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static FuzzScratch scratch;
    const std::string source = scratch.Path() + "/EURUSD1.csv";
    const std::string history = scratch.Path() + "/history/";
    std::filesystem::create_directories(history);
    WriteBytes(source, data, size);
    (void)DetectSourceLayout(data, size, size);
    const ImportResult result = ImportHistorySource(source, history, [](const std::string&) {});
    if (result.status == ImportResult::Status::kOk) {
        const unsigned count = GetBarCount(history, result.symbol, period::M1);
        BarRecord bar;
        (void)ReadBar(bar, static_cast<int>(count / 2), history, result.symbol, period::M1);
    }
    std::error_code ec;
    std::filesystem::remove_all(history, ec);
    return 0;
}
