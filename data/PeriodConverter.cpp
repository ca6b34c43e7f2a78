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
#include "data/M1Copier.h"
#include "data/Period.h"
#include "data/SourceCheck.h"
#include "platform/Files.h"
#include "platform/Format.h"

namespace {

constexpr int kDerived = period::kCount - 1;  // M5 .. MN
constexpr std::size_t kReadChunk = 1 << 18;
constexpr std::size_t kWriteChunk = 1 << 16;
constexpr std::size_t kCheckBlock = 64;  // records checked at a time

// Every write is checked: a full disk must surface as an error, not as a
// short file that looks complete.
bool WriteAll(int fd, const unsigned char* data, std::size_t size, int* err) {
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            *err = errno;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

class TemporaryFiles {
public:
    ~TemporaryFiles() { RemoveAll(); }
    void Add(std::string path) { m_paths.push_back(std::move(path)); }
    // Installed: no longer ours to remove.
    void ForgetAll() { m_paths.clear(); }
    void RemoveAll() {
        for (auto& p : m_paths)
            if (!p.empty()) ::unlink(p.c_str());
        m_paths.clear();
    }

private:
    std::vector<std::string> m_paths;
};

class Fd {
public:
    explicit Fd(int fd = -1) : m_fd(fd) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() {
        if (m_fd >= 0) ::close(m_fd);
    }
    void Reset(int fd) {
        if (m_fd >= 0) ::close(m_fd);
        m_fd = fd;
    }
    int get() const { return m_fd; }
    // Closes now; false (with errno in *err) when the close reports a lost write.
    bool Close(int* err) {
        int fd = m_fd;
        m_fd = -1;
        if (fd >= 0 && ::close(fd) != 0) {
            *err = errno;
            return false;
        }
        return true;
    }

private:
    int m_fd;
};

// Folders this import created, removed again (when still empty) unless the
// import went through.
class CreatedFolders {
public:
    ~CreatedFolders() {
        if (m_bKeep) return;
        for (auto it = m_paths.rbegin(); it != m_paths.rend(); ++it) ::rmdir(it->c_str());
    }
    // Creates `path` (and what is missing above it), remembering what was new.
    bool Create(const std::string& path, std::string* error) {
        std::vector<std::string> missing;
        for (std::string p = path; !p.empty() && !files::Exists(p);) {
            missing.push_back(p);
            auto slash = p.find_last_of('/');
            if (slash == std::string::npos || slash == 0) break;
            p.resize(slash);
        }
        if (!files::CreateFolderPath(path, error)) return false;
        m_paths.insert(m_paths.end(), missing.rbegin(), missing.rend());
        return true;
    }
    void Keep() { m_bKeep = true; }

private:
    std::vector<std::string> m_paths;
    bool m_bKeep = false;
};

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

ImportResult Rejected(ImportResult result, const std::string& path, const SourceFault& fault) {
    result.status = fault.kind == SourceFault::Kind::kBadSymbol ? ImportResult::Status::kBadSymbol
                                                                : ImportResult::Status::kBadSource;
    result.message = SourceFaultMessage(path, fault);
    return result;
}

ImportResult Failure(ImportResult result, const std::string& what, const std::string& path,
                     const std::string& reason) {
    result.status = ImportResult::Status::kFailed;
    result.message = "载入" + result.symbol + "失败：" + what + " " + path + "（" + reason +
                     "），原有数据保持不变。";
    return result;
}

ImportResult Failure(ImportResult result, const std::string& what, const std::string& path,
                     int err) {
    return Failure(std::move(result), what, path, files::ErrorText(err));
}

// Builds the eight derived periods in one pass. Each period is formed from
// the one below it (M15 from three M5 bars, MN from thirty D1 bars, ...):
// the first bar's time and open, the last one's close, the extremes over all
// of them. That gives the same bars as counting N source records, with one
// accumulator touched per record instead of eight.
class PeriodCascade {
public:
    PeriodCascade(const HistoryHeader& header, std::array<Fd, period::kCount>& out) : m_out(out) {
        for (int d = 0; d < kDerived; ++d) {
            HistoryHeader h = header;
            h.SetPeriod(period::kMinutes[d + 1]);
            m_pending[d].resize(kWriteChunk + BarRecord::kSize);
            std::memcpy(m_pending[d].data(), h.bytes.data(), HistoryHeader::kSize);
            m_nPending[d] = HistoryHeader::kSize;
        }
    }

    // True when the next record starts an M5 bar.
    bool AtGroupStart() const { return m_nInGroup[0] == 0; }

    void FeedRecord(const unsigned char* raw) { Feed(0, BarRecord::Decode(raw)); }

    // Five whole records at a group start: one M5 bar at once.
    void FeedFiveRecords(const unsigned char* raw) {
        BarRecord& a = m_acc[0];
        a.time = le::Load<std::int32_t>(raw + 0);
        a.open = le::Load<double>(raw + 4);
        double low = le::Load<double>(raw + 12);
        double high = le::Load<double>(raw + 20);
        for (int i = 1; i < 5; ++i) {
            const unsigned char* rec = raw + i * BarRecord::kSize;
            double l = le::Load<double>(rec + 12);
            double h = le::Load<double>(rec + 20);
            if (l < low) low = l;
            if (h > high) high = h;
        }
        a.low = low;
        a.high = high;
        a.close = le::Load<double>(raw + 4 * BarRecord::kSize + 28);
        Complete(0);
    }

    void Flush() {
        for (int d = 0; d < kDerived; ++d) WritePending(d);
    }
    bool Ok() const { return m_nFailed == 0; }
    int FailedPeriod() const { return m_nFailed; }
    int Error() const { return m_nError; }

private:
    // Derived index d (0 = M5): parent level (-1 = source records) and how
    // many parent bars make one bar.
    static constexpr int kParent[kDerived] = {-1, 0, 1, 2, 3, 4, 5, 5};
    static constexpr int kFactor[kDerived] = {5, 3, 2, 2, 4, 6, 7, 30};
    static_assert(kFactor[6] * 1440 == 10080 && kFactor[7] * 1440 == 43200);

    void Feed(int d, const BarRecord& bar) {
        BarRecord& a = m_acc[d];
        if (m_nInGroup[d] == 0) {
            // Each group's range starts from its first member, so no price
            // level is capped.
            a.time = bar.time;
            a.open = bar.open;
            a.low = bar.low;
            a.high = bar.high;
        } else {
            if (bar.low < a.low) a.low = bar.low;
            if (bar.high > a.high) a.high = bar.high;
        }
        if (++m_nInGroup[d] < kFactor[d]) return;
        a.close = bar.close;
        Complete(d);
    }

    // Bar d is complete: append it and hand it up.
    void Complete(int d) {
        m_nInGroup[d] = 0;
        m_acc[d].volume = 0.0;
        m_acc[d].Encode(m_pending[d].data() + m_nPending[d]);
        m_nPending[d] += BarRecord::kSize;
        if (m_nPending[d] >= kWriteChunk) WritePending(d);
        for (int c = d + 1; c < kDerived; ++c)
            if (kParent[c] == d) Feed(c, m_acc[d]);
    }

    void WritePending(int d) {
        if (m_nFailed == 0 &&
            !WriteAll(m_out[d + 1].get(), m_pending[d].data(), m_nPending[d], &m_nError))
            m_nFailed = d + 1;
        m_nPending[d] = 0;
    }

    std::array<Fd, period::kCount>& m_out;
    std::array<std::vector<unsigned char>, kDerived> m_pending;
    std::array<std::size_t, kDerived> m_nPending{};
    std::array<BarRecord, kDerived> m_acc{};
    std::array<int, kDerived> m_nInGroup{};
    int m_nFailed = 0;  // period index of the first failed write, 0 = none
    int m_nError = 0;
};

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
        return Rejected(result, sourcePath, fault);
    }
    Fd source(opened.fd);
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
        return Rejected(result, sourcePath, fault);
    }
    if (got < HistoryHeader::kSize + BarRecord::kSize) {
        fault.kind = SourceFault::Kind::kNoRecord;
        fault.length = got;
        return Rejected(result, sourcePath, fault);
    }
    if (CSourceCheck first = check; !first.CheckRecords(head + HistoryHeader::kSize, 1))
        return Rejected(result, sourcePath, first.Fault());
    HistoryHeader header;
    std::memcpy(header.bytes.data(), head, HistoryHeader::kSize);
    // A pair is one folder whatever the letter case of the file's symbol.
    result.symbol = ExistingSymbolFolder(historyFolder, header.GetSymbol());
    const std::string& symbol = result.symbol;

    int err = 0;
    std::string error;
    CreatedFolders created;
    const std::string historyDir = historyFolder.substr(0, historyFolder.size() - 1);
    if (!created.Create(historyDir, &error))
        return Failure(result, "无法创建文件夹", historyDir, error);
    const std::string symbolFolder = historyFolder + symbol;
    if (!created.Create(symbolFolder, &error))
        return Failure(result, "无法创建文件夹", symbolFolder, error);
    // An earlier import of this pair that was killed is finished or undone
    // first, so that its files cannot mix with this one's.
    RecoverSymbolFolder(symbolFolder);

    // Nine temporaries, index = period.
    const std::string id = NewImportId();
    std::array<std::string, period::kCount> targets;
    TemporaryFiles temps;
    std::array<Fd, period::kCount> out;
    for (int k = 0; k < period::kCount; ++k) {
        targets[k] = PeriodFilePath(historyFolder, symbol, k);
        std::string path = targets[k] + id;
        // M1 is read back by the conversion.
        int mode = k == period::M1 ? O_RDWR : O_WRONLY;
        int fd = ::open(path.c_str(), mode | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) return Failure(result, "无法创建文件", path, errno);
        temps.Add(path);
        out[k].Reset(fd);
    }

    // The M1 copy runs in the kernel on its own thread; the conversion reads
    // the copy right behind it, so the source is read from memory only once.
    CM1Copier copier(source.get(), out[period::M1].get(), length, stop);
    std::thread copyThread([&copier] { copier.Run(); });
    // Derived files: the header with the period field set, then the bars.
    PeriodCascade cascade(header, out);
    std::vector<unsigned char> chunk(kReadChunk);
    std::uint64_t pos = HistoryHeader::kSize;  // the next record's offset
    std::uint64_t p = 0;
    unsigned untilProgress = 1024;
    bool cancelled = false;
    bool readOk = true;
    bool sourceOk = true;
    // Feeds the whole records of `data`, checking each small block of them
    // just before, while it is in the processor's cache; returns the bytes
    // used. A bad record stops the import, so the order of check and
    // conversion within a chunk does not matter.
    auto feed = [&](const unsigned char* data, std::size_t len) {
        std::size_t at = 0;
        std::size_t checked = 0;
        auto checkUpTo = [&](std::size_t end) {
            const std::size_t count = (end - checked) / BarRecord::kSize;
            if (!check.CheckRecords(data + checked, count)) sourceOk = false;
            checked += count * BarRecord::kSize;
            return sourceOk;
        };
        while (at + BarRecord::kSize <= len) {
            if (at >= checked &&
                !checkUpTo(std::min(len, checked + kCheckBlock * BarRecord::kSize)))
                break;
            if (stop.stop_requested()) {
                cancelled = true;
                break;
            }
            // Whole M5 groups take the fast path; the record that completes
            // a block of 1024 always goes one by one, so progress lines
            // come exactly where they are due.
            if (cascade.AtGroupStart() && untilProgress > 5 && at + 5 * BarRecord::kSize <= len) {
                cascade.FeedFiveRecords(data + at);
                at += 5 * BarRecord::kSize;
                p += 5;
                untilProgress -= 5;
                continue;
            }
            cascade.FeedRecord(data + at);
            at += BarRecord::kSize;
            ++p;
            if (--untilProgress == 0) {
                untilProgress = 1024;
                if (progress) progress(ImportProgressText(p, length));
            }
        }
        if (sourceOk && !cancelled && checked < at) checkUpTo(at);
        return at;
    };
    for (;;) {
        const std::uint64_t copied = copier.WaitFor(pos + BarRecord::kSize);
        if (copied < pos + BarRecord::kSize) break;  // the copy has ended (or failed)
        std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(copied - pos, chunk.size()));
        ssize_t n = ::pread(out[period::M1].get(), chunk.data(), want, static_cast<off_t>(pos));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            readOk = false;
            err = n < 0 ? errno : EIO;
            break;
        }
        // The check sees the records exactly as the conversion gets them.
        pos += feed(chunk.data(), static_cast<std::size_t>(n));
        if (cancelled || !sourceOk || !cascade.Ok()) break;
    }
    if (cancelled || !cascade.Ok() || !readOk || !sourceOk) copier.Abandon();
    copyThread.join();
    bool copyOk = copier.Finish();
    int copyErr = copier.Error();
    if (!cancelled && sourceOk) cascade.Flush();
    bool writeOk = cascade.Ok();
    int writeFile = cascade.FailedPeriod();
    if (!writeOk) err = cascade.Error();
    for (int k = 0; k < period::kCount; ++k) {
        int closeErr = 0;
        if (!out[k].Close(&closeErr)) {
            if (k == period::M1 && copyOk) {
                copyOk = false;
                copyErr = closeErr;
            } else if (k != period::M1 && writeOk) {
                writeOk = false;
                writeFile = k;
                err = closeErr;
            }
        }
    }

    // On every way out below but the last, the temporaries and the folders
    // this import created go again.
    if (cancelled || stop.stop_requested()) {
        result.status = ImportResult::Status::kCancelled;
        return result;
    }
    if (!sourceOk) return Rejected(result, sourcePath, check.Fault());
    if (!readOk) return Failure(result, "读取文件出错", sourcePath, err);
    if (!copyOk) {
        result.status = ImportResult::Status::kCopyFailed;
        result.message = "复制文件" + sourcePath + "失败（" + files::ErrorText(copyErr) +
                         "），原有数据保持不变。";
        return result;
    }
    if (!writeOk) return Failure(result, "写入文件出错", targets[writeFile], err);
    if (check.Checked() == 0) {  // the source shrank under the import
        fault = SourceFault{};
        fault.kind = SourceFault::Kind::kNoRecord;
        fault.length = length;
        return Rejected(result, sourcePath, fault);
    }

    InstallOutcome installed = InstallGeneration(symbolFolder, symbol, id, targets);
    temps.ForgetAll();  // installed, or removed by the install's undo
    if (!installed.ok)
        return Failure(result, "无法替换文件", installed.failedPath, installed.error);
    created.Keep();
    result.status = ImportResult::Status::kOk;
    return result;
}
