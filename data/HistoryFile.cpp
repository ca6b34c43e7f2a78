#include "data/HistoryFile.h"

#include "data/HistoryHeader.h"
#include "data/Period.h"
#include "platform/Files.h"

std::string PeriodFilePath(const std::string& historyFolder, const std::string& symbol,
                           int period) {
    const char* name = (period >= 0 && period < period::kCount) ? period::kNames[period] : "";
    return historyFolder + symbol + "/" + symbol + name + ".hst";
}

bool ReadBar(BarRecord& bar, int index, const std::string& historyFolder,
             const std::string& symbol, int period) {
    if (index < 0) return false;
    unsigned char raw[BarRecord::kSize];
    std::uint64_t offset =
        HistoryHeader::kSize + BarRecord::kSize * static_cast<std::uint64_t>(index);
    if (files::ReadAt(PeriodFilePath(historyFolder, symbol, period), offset, raw, sizeof raw) !=
        sizeof raw)
        return false;
    bar = BarRecord::Decode(raw);
    return true;
}

unsigned GetBarCount(const std::string& historyFolder, const std::string& symbol, int period) {
    auto length = files::Length(PeriodFilePath(historyFolder, symbol, period));
    if (!length || *length < HistoryHeader::kSize) return 0;
    return static_cast<unsigned>((*length - HistoryHeader::kSize) / BarRecord::kSize);
}

std::string GetProgramFolder() {
    std::string path = files::ModulePath();
    auto slash = path.rfind('/');
    if (slash == std::string::npos) return "./";
    return path.substr(0, slash + 1);
}
