#include "data/PeriodConverter.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <thread>
#include <vector>

#include "data/BarRecord.h"
#include "data/Endian.h"
#include "data/HistoryFile.h"
#include "data/HistoryHeader.h"
#include "data/ImportGeneration.h"
#include "data/ImportPass.h"
#include "data/M1Copier.h"
#include "data/Period.h"
#include "data/SourceCheck.h"
#include "platform/Files.h"
#include "platform/Format.h"

namespace {

constexpr std::size_t kReadChunk = 1 << 18;

bool SameNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

}  // namespace

std::string ImportProgressText(std::uint64_t records, std::uint64_t fileLength) {
    float percent = static_cast<float>(static_cast<double>(records) * 44.0 /
                                       static_cast<double>(fileLength) * 100.0);
    if (percent > 99.9f) percent = 100.0f;
    unsigned fileK = static_cast<unsigned>((fileLength - HistoryHeader::kSize) >> 10);
    unsigned readK = static_cast<unsigned>((records * 44) >> 10);
    return FormatString("FileSize=%dKbyte,ReadSize=%dKbyte,%.0f%c", static_cast<int>(fileK),
                        static_cast<int>(readK), static_cast<double>(percent), '%');
}

std::string ExistingSymbolFolder(const std::string& historyFolder, const std::string& symbol) {
    if (files::IsFolder(historyFolder + symbol)) return symbol;
    for (const auto& entry : files::ListFolder(historyFolder.substr(0, historyFolder.size() - 1)))
        if (entry.isFolder && SameNoCase(entry.name, symbol)) return entry.name;
    return symbol;
}

ImportResult BuildPeriodFiles(const std::string& sourcePath, const std::string& historyFolder,
                              const ImportProgressFn& progress, std::stop_token stop) {
    ImportResult result;
    // Regular files only: a named pipe or a device would block the worker.
    files::OpenedFile opened = files::OpenRegularForRead(sourcePath);
    if (opened.result == files::OpenResult::kCannotOpen)
        return result;  // kCannotOpen: nothing written, nothing said
    if (opened.result == files::OpenResult::kNotRegular) {
        SourceFault fault;
        fault.kind = SourceFault::Kind::kNotRegular;
        return RejectedImport(result, sourcePath, fault);
    }
    files::UniqueFd source(opened.fd);
    const std::uint64_t length = opened.size;

    // The header and the first record are checked before anything is
    // created, the rest inside the conversion's pass.
    // Room for a 60-byte record too, to tell the two formats apart.
    unsigned char head[HistoryHeader::kSize + 60];
    std::size_t got = 0;
    while (got < sizeof head) {
        ssize_t n = ::pread(source.get(), head + got, sizeof head - got, static_cast<off_t>(got));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    CSourceCheck check;
    SourceFault fault = check.CheckHeader(head, got, length);
    if (!fault.Ok()) {
        if (fault.kind == SourceFault::Kind::kBadSymbol) result.symbol = fault.symbol;
        return RejectedImport(result, sourcePath, fault);
    }
    if (got < HistoryHeader::kSize + BarRecord::kSize) {
        fault.kind = SourceFault::Kind::kNoRecord;
        fault.length = got;
        return RejectedImport(result, sourcePath, fault);
    }
    if (CSourceCheck first = check; !first.CheckRecords(head + HistoryHeader::kSize, 1))
        return RejectedImport(result, sourcePath, first.Fault());
    HistoryHeader header;
    std::memcpy(header.bytes.data(), head, HistoryHeader::kSize);

    CImportPass pass(sourcePath, historyFolder, progress, length, stop);
    if (!pass.Open(header, check)) return pass.Finish({});

    // The M1 copy runs in the kernel on its own thread; the conversion reads
    // the copy right behind it, so the source is read from memory only once.
    CM1Copier copier(source.get(), pass.M1(), length, stop);
    std::thread copyThread([&copier] { copier.Run(); });
    std::vector<unsigned char> chunk(kReadChunk);
    std::uint64_t pos = HistoryHeader::kSize;  // the next record's offset
    CImportPass::M1Outcome m1;
    for (;;) {
        const std::uint64_t copied = copier.WaitFor(pos + BarRecord::kSize);
        if (copied < pos + BarRecord::kSize) break;  // the copy has ended (or failed)
        std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(copied - pos, chunk.size()));
        ssize_t n = ::pread(pass.M1(), chunk.data(), want, static_cast<off_t>(pos));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            m1.readOk = false;
            m1.readError = n < 0 ? errno : EIO;
            break;
        }
        // The check sees the records exactly as the conversion gets them.
        pos += pass.Feed(chunk.data(), static_cast<std::size_t>(n));
        if (pass.Stopped()) break;
    }
    if (pass.Stopped() || !m1.readOk) copier.Abandon();
    copyThread.join();
    m1.ok = copier.Finish();
    m1.error = copier.Error();
    return pass.Finish(m1);
}
