// The import of foreign layouts: a text export of bars (or a 60-byte-record
// history) is converted and then imported, or refused with a message. The
// same file converted in small stretches gives what one stretch gives.
#include <fcntl.h>

#include <cstring>
#include <filesystem>

#include "FuzzSupport.h"
#include "data/ForeignConversion.h"
#include "data/HistoryFile.h"
#include "data/Period.h"
#include "data/SourceFormats.h"

namespace {

struct Outcome {
    std::string records;
    std::string failure;
};

Outcome Convert(const std::string& path, std::size_t size, std::uint64_t stretch) {
    CForeignConversion conversion(CForeignConversion::Kind::kText,
                                  ::open(path.c_str(), O_RDONLY | O_CLOEXEC), size, path, "EURUSD",
                                  {}, stretch);
    Outcome out;
    for (ConvertedBlock* b; (b = conversion.Next());) {
        out.records.append(reinterpret_cast<const char*>(b->records.data()), b->records.size());
        out.failure = b->failure;
        const bool last = b->last || !b->failure.empty();
        conversion.Release(b);
        if (last) break;
    }
    return out;
}

}  // namespace

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

    // Wherever the cuts fall, the bars (up to a bad line) and the message
    // are those of one pass.
    if (size > 0) {
        const Outcome whole = Convert(source, size, 1u << 30);
        const Outcome cut = Convert(source, size, 1 + data[size - 1] % 61);
        if (cut.failure != whole.failure ||
            (whole.failure.empty() && cut.records != whole.records))
            __builtin_trap();
    }
    return 0;
}
