#include "data/SourceFormats.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <filesystem>
#include <vector>

#include "data/BarRecord.h"
#include "data/Endian.h"
#include "data/ForeignConversion.h"
#include "data/HistoryHeader.h"
#include "data/ImportPass.h"
#include "data/SourceCheck.h"
#include "data/TextFields.h"
#include "platform/Files.h"
#include "platform/Format.h"

namespace {

using namespace textfields;

std::string Prefix(const std::string& path) {
    return "无法载入" + path + "：";
}
const char* const kNothingWritten = "未写入任何数据。";

const char* const kKnownCodes[] = {"USD", "EUR", "JPY", "GBP", "CHF", "AUD", "NZD", "CAD", "CNH",
                                   "CNY", "HKD", "SGD", "SEK", "NOK", "DKK", "PLN", "HUF", "CZK",
                                   "TRY", "ZAR", "MXN", "RUB", "INR", "KRW", "THB", "XAU", "XAG",
                                   "XPT", "XPD", "BTC", "ETH", "ILS", "BRL", "TWD"};

bool IsKnownCode(const std::string& s, std::size_t at) {
    for (const char* code : kKnownCodes)
        if (s.compare(at, 3, code) == 0) return true;
    return false;
}

// The progress line of a conversion: how far into the source it has got.
std::string ConversionProgress(std::uint64_t done, std::uint64_t length) {
    const double percent =
        length ? static_cast<double>(done) * 100.0 / static_cast<double>(length) : 100.0;
    return FormatString("FileSize=%dKbyte,ReadSize=%dKbyte,%.0f%c",
                        static_cast<int>(length >> 10), static_cast<int>(done >> 10),
                        percent > 99.9 ? 100.0 : percent, '%');
}

bool HasRecords(const ConvertedBlock& b) {
    return !b.records.empty();
}

ImportResult BadSource(std::string message) {
    ImportResult result;
    result.status = ImportResult::Status::kBadSource;
    result.message = std::move(message);
    return result;
}

ImportResult Cancelled() {
    ImportResult result;
    result.status = ImportResult::Status::kCancelled;
    return result;
}

}  // namespace

SourceLayout DetectSourceLayout(const unsigned char* head, std::size_t got, std::uint64_t length) {
    if (got >= 4 && length >= HistoryHeader::kSize &&
        le::Load<std::int32_t>(head) == kHistoryVersion401 &&
        LooksLike60ByteRecords(head, got, length))
        return SourceLayout::kHistory401;
    // Text: no NUL and no control byte but tab, CR and LF, and a digit in
    // what was read.
    if (got == 0) return SourceLayout::kHistory;
    bool digit = false;
    for (std::size_t i = 0; i < got; ++i) {
        const unsigned char c = head[i];
        if (c < 0x20 && c != '\t' && c != '\r' && c != '\n') return SourceLayout::kHistory;
        if (c == 0x7F) return SourceLayout::kHistory;
        digit = digit || IsDigit(static_cast<char>(c));
    }
    return digit ? SourceLayout::kText : SourceLayout::kHistory;
}

std::string SymbolFromFileName(const std::string& path, bool* known) {
    std::string name = std::filesystem::path(path).filename().string();
    if (auto dot = name.rfind('.'); dot != std::string::npos && dot > 0) name.resize(dot);
    std::vector<std::string> tokens;
    std::string cur;
    for (char c : name + '_') {
        if (std::isalnum(static_cast<unsigned char>(c))) {
            cur += c;
        } else if (!cur.empty()) {
            tokens.push_back(cur);
            cur.clear();
        }
    }
    for (auto& t : tokens) {
        std::string up;
        for (char c : t) up += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        while (!up.empty() && IsDigit(up.back())) up.pop_back();  // "EURUSD1", "EURUSD60"
        if (up.size() == 6 &&
            std::all_of(up.begin(), up.end(),
                        [](char c) { return std::isalpha(static_cast<unsigned char>(c)); }) &&
            (IsKnownCode(up, 0) || IsKnownCode(up, 3))) {
            if (known) *known = true;
            return up;
        }
    }
    if (known) *known = false;
    for (auto t : tokens) {
        if (std::none_of(t.begin(), t.end(),
                         [](char c) { return std::isalpha(static_cast<unsigned char>(c)); }))
            continue;
        while (IsDigit(t.back())) t.pop_back();
        if (t.size() > HistoryHeader::kSymbolSize) t.resize(HistoryHeader::kSymbolSize);
        return t;
    }
    return "";
}

ImportResult ImportHistorySource(const std::string& sourcePath, const std::string& historyFolder,
                                 const ImportProgressFn& progress, std::stop_token stop,
                                 const std::string& symbol) {
    SourceLayout layout = SourceLayout::kHistory;
    files::OpenedFile opened = files::OpenRegularForRead(sourcePath);
    files::UniqueFd in(opened.result == files::OpenResult::kOk ? opened.fd : -1);
    if (in.get() >= 0) {
        unsigned char head[4096];
        const ssize_t got = ::pread(in.get(), head, sizeof head, 0);
        if (got > 0) layout = DetectSourceLayout(head, static_cast<std::size_t>(got), opened.size);
    }
    // Anything that is not a foreign layout, and every file that cannot be
    // opened or is no regular file, gets the native import and its answers.
    if (layout == SourceLayout::kHistory) {
        in.Reset();
        return BuildPeriodFiles(sourcePath, historyFolder, progress, stop);
    }

    std::string pair = symbol;
    if (layout == SourceLayout::kText) {
        if (pair.empty()) pair = SymbolFromFileName(sourcePath);
        if (!IsUsableSymbol(pair) || pair.size() > HistoryHeader::kSymbolSize) {
            ImportResult result;
            result.status = ImportResult::Status::kBadSymbol;
            result.symbol = pair;
            result.message = Prefix(sourcePath) +
                             "无法从文件名得出货币名称，请给出货币名称（最多12个字节）。" +
                             kNothingWritten;
            return result;
        }
    }
    const int fd = in.get();
    in.Release();
    CForeignConversion conversion(layout == SourceLayout::kHistory401
                                      ? CForeignConversion::Kind::kHistory401
                                      : CForeignConversion::Kind::kText,
                                  fd, opened.size, sourcePath, pair, stop);

    // Nothing is created before the first records have passed the check.
    ConvertedBlock* block = conversion.Next();
    while (block && block->failure.empty() && !HasRecords(*block) && !block->last) {
        conversion.Release(block);
        block = conversion.Next();
    }
    if (!block) return Cancelled();
    if (!block->failure.empty()) return BadSource(block->failure);
    if (!HasRecords(*block))
        return BadSource(Prefix(sourcePath) + "文件中没有一行一分钟数据。" + kNothingWritten);
    const HistoryHeader& header = conversion.Header();
    ImportResult result;
    CSourceCheck check;
    SourceFault fault =
        check.CheckHeader(header.bytes.data(), HistoryHeader::kSize,
                          HistoryHeader::kSize + BarRecord::kSize);
    if (!fault.Ok()) {
        if (fault.kind == SourceFault::Kind::kBadSymbol) result.symbol = fault.symbol;
        return RejectedImport(result, sourcePath, fault);
    }
    const RecordSource from = layout == SourceLayout::kHistory401 ? RecordSource::kHistory60
                                                                  : RecordSource::kTextLines;
    if (CSourceCheck first = check; !first.CheckRecords(block->records.data(), 1))
        return RejectedImport(result, sourcePath, first.Fault(), from);

    // The records go into the M1 temporary and through the pass as they come.
    CImportPass pass(sourcePath, historyFolder, nullptr, 0, stop);
    pass.SetRecordSource(from);
    if (!pass.Open(header, check)) return pass.Finish({});
    CImportPass::M1Outcome m1;
    m1.copied = false;
    auto write = [&](const void* data, std::size_t size) {
        if (m1.ok && !files::WriteAll(pass.M1(), data, size)) {
            m1.ok = false;
            m1.error = errno;
        }
        return m1.ok;
    };
    write(header.bytes.data(), HistoryHeader::kSize);
    for (;;) {
        const CRecordBuffer& records = block->records;
        if (!records.empty() && write(records.data(), records.size()))
            pass.Feed(records.data(), records.size());
        if (pass.Stopped() || !m1.ok) break;
        if (progress) progress(ConversionProgress(block->sourceDone, opened.size));
        const bool last = block->last;
        conversion.Release(block);
        if (last) break;
        block = conversion.Next();
        if (!block) return Cancelled();
        if (!block->failure.empty()) return BadSource(block->failure);
    }
    return pass.Finish(m1);
}
