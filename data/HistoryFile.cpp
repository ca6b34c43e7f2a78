#include "data/HistoryFile.h"

#include <unistd.h>

#include <cerrno>

#include "data/HistoryHeader.h"
#include "data/Period.h"
#include "platform/Files.h"
#include "platform/Format.h"

std::string PeriodFilePath(const std::string& historyFolder, const std::string& symbol,
                           int period) {
    const char* name = (period >= 0 && period < period::kCount) ? period::kNames[period] : "";
    return historyFolder + symbol + "/" + symbol + name + ".hst";
}

bool ReadBar(BarRecord& bar, int index, const std::string& historyFolder, const std::string& symbol,
             int period) {
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

std::string PeriodFileFault(const std::string& historyFolder, const std::string& symbol,
                            int period) {
    const std::string path = PeriodFilePath(historyFolder, symbol, period);
    if (files::IsFolder(path)) return "它是一个文件夹";
    const files::OpenedFile f = files::OpenRegularForRead(path);
    switch (f.result) {
        case files::OpenResult::kCannotOpen:
            return f.error == ENOENT ? std::string("文件不存在")
                                     : "无法打开（" + files::ErrorText(f.error) + "）";
        case files::OpenResult::kNotRegular:
            return "它不是普通文件（设备、管道或套接字）";
        case files::OpenResult::kOk:
            break;
    }
    ::close(f.fd);
    if (f.size < HistoryHeader::kSize)
        return FormatString("文件只有%llu字节，文件头需要%u字节",
                            static_cast<unsigned long long>(f.size),
                            static_cast<unsigned>(HistoryHeader::kSize));
    return "";
}

std::string PeriodFileFaultMessage(const std::string& historyFolder, const std::string& symbol,
                                   int period) {
    if (period < 0 || period >= period::kCount) return "";
    const std::string fault = PeriodFileFault(historyFolder, symbol, period);
    if (fault.empty()) return "";
    return FormatString("无法使用%s的%s周期文件 %s：%s。请重新载入这个货币的历史数据。",
                        symbol.c_str(), period::kNames[period],
                        PeriodFilePath(historyFolder, symbol, period).c_str(), fault.c_str());
}

std::string GetProgramFolder() {
    std::string path = files::ModulePath();
    auto slash = path.rfind('/');
    if (slash == std::string::npos) return "./";
    return path.substr(0, slash + 1);
}
