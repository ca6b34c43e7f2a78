#include "data/PeriodConverter.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <vector>

#include "data/BarRecord.h"
#include "data/Endian.h"
#include "data/HistoryFile.h"
#include "data/HistoryHeader.h"
#include "data/Period.h"
#include "platform/Files.h"
#include "platform/Format.h"

namespace {

constexpr int kDerived = period::kCount - 1;  // M5 .. MN
constexpr std::size_t kReadChunk = 1 << 18;
constexpr std::size_t kWriteChunk = 1 << 16;
const std::string kPartMarker = ".part-";

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

// Copies the source into the M1 temporary in the kernel, block by block, and
// tells how far it has got, so that the conversion can read each block of the
// copy right behind it, while the block is still in the processor's cache.
class CM1Copier {
public:
    CM1Copier(int in, int out, std::uint64_t length, std::stop_token stop)
        : m_in(in), m_out(out), m_nLength(length), m_stop(std::move(stop)) {}

    void Run() {
        off_t inOff = 0, outOff = 0;
        bool kernelCopy = true;
        std::vector<unsigned char> buf;
        bool ok = true;
        while (static_cast<std::uint64_t>(outOff) < m_nLength) {
            if (m_stop.stop_requested() || m_bAbandoned.load(std::memory_order_relaxed)) break;
            std::size_t want = static_cast<std::size_t>(
                std::min<std::uint64_t>(m_nLength - static_cast<std::uint64_t>(outOff), 1u << 20));
            ssize_t n;
            if (kernelCopy) {
                n = ::copy_file_range(m_in, &inOff, m_out, &outOff, want, 0);
                if (n < 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL ||
                              errno == EOPNOTSUPP)) {
                    kernelCopy = false;
                    buf.resize(kReadChunk);
                    continue;
                }
            } else {
                n = ::pread(m_in, buf.data(), std::min(want, buf.size()), inOff);
                if (n > 0) {
                    for (ssize_t done = 0; done < n;) {
                        ssize_t w = ::pwrite(m_out, buf.data() + done, n - done, outOff + done);
                        if (w < 0 && errno == EINTR) continue;
                        if (w <= 0) {
                            n = -1;
                            if (w == 0) errno = EIO;
                            break;
                        }
                        done += w;
                    }
                    if (n > 0) {
                        inOff += n;
                        outOff += n;
                    }
                }
            }
            if (n < 0) {
                if (errno == EINTR) continue;
                m_nError = errno;
                ok = false;
                break;
            }
            if (n == 0) break;  // the source is shorter than it was
            Publish(static_cast<std::uint64_t>(outOff), false);
        }
        m_bOk = ok;
        Publish(static_cast<std::uint64_t>(outOff), true);
    }

    // Bytes copied once at least `want` are there or the copy has ended.
    std::uint64_t WaitFor(std::uint64_t want) {
        std::unique_lock lock(m_mutex);
        m_cv.wait(lock, [&] { return m_nCopied >= want || m_bDone; });
        return m_nCopied;
    }

    // The conversion gave up: stop copying.
    void Abandon() { m_bAbandoned.store(true, std::memory_order_relaxed); }

    // After Run: true when the copy went through to the source's end.
    bool Finish() const { return m_bOk; }
    int Error() const { return m_nError; }

private:
    void Publish(std::uint64_t copied, bool done) {
        {
            std::lock_guard lock(m_mutex);
            m_nCopied = copied;
            m_bDone = done;
        }
        m_cv.notify_all();
    }

    int m_in, m_out;
    std::uint64_t m_nLength;
    std::stop_token m_stop;
    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::uint64_t m_nCopied = 0;
    bool m_bDone = false;
    bool m_bOk = false;
    std::atomic<bool> m_bAbandoned{false};
    int m_nError = 0;
};

// Removes temporaries that an earlier import of this symbol left behind when
// its process died; a live process's temporaries are left alone.
void RemoveStaleTemporaries(const std::string& symbolFolder, const std::string& symbol) {
    for (const auto& entry : files::ListFolder(symbolFolder)) {
        const std::string& name = entry.name;
        if (entry.isFolder || name.compare(0, symbol.size(), symbol) != 0) continue;
        auto mark = name.find(kPartMarker, symbol.size());
        if (mark == std::string::npos) continue;
        long pid = std::strtol(name.c_str() + mark + kPartMarker.size(), nullptr, 10);
        if (pid <= 0) continue;
        if (pid == ::getpid() || ::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH)
            continue;
        ::unlink((symbolFolder + "/" + name).c_str());
    }
}

class TemporaryFiles {
public:
    ~TemporaryFiles() { RemoveAll(); }
    void Add(std::string path) { m_paths.push_back(std::move(path)); }
    const std::string& operator[](std::size_t i) const { return m_paths[i]; }
    void Forget(std::size_t i) { m_paths[i].clear(); }
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

bool IsUsableSymbol(const std::string& symbol) {
    if (symbol.empty() || symbol == "." || symbol == "..") return false;
    for (unsigned char c : symbol)
        if (c == '/' || c == '\\' || c < 0x20 || c == 0x7F) return false;
    return true;
}

std::string PrintableSymbol(const std::string& symbol) {
    std::string out;
    for (unsigned char c : symbol) {
        if (c < 0x20 || c == 0x7F)
            out += FormatString("\\x%02X", c);
        else
            out += static_cast<char>(c);
    }
    return out;
}

std::string ImportProgressText(std::uint64_t records, std::uint64_t fileLength) {
    float percent = static_cast<float>(static_cast<double>(records) * 44.0 /
                                       static_cast<double>(fileLength) * 100.0);
    if (percent > 99.9f) percent = 100.0f;
    unsigned fileK = static_cast<unsigned>((fileLength - HistoryHeader::kSize) >> 10);
    unsigned readK = static_cast<unsigned>((records * 44) >> 10);
    return FormatString("FileSize=%dKbyte,ReadSize=%dKbyte,%.0f%c", static_cast<int>(fileK),
                        static_cast<int>(readK), static_cast<double>(percent), '%');
}

ImportResult BuildPeriodFiles(const std::string& sourcePath, const std::string& historyFolder,
                              const ImportProgressFn& progress, std::stop_token stop) {
    ImportResult result;
    Fd source(::open(sourcePath.c_str(), O_RDONLY | O_CLOEXEC));
    if (source.get() < 0) return result;  // kCannotOpen: nothing written, nothing said

    struct stat st {};
    if (::fstat(source.get(), &st) != 0) return result;
    const std::uint64_t length = static_cast<std::uint64_t>(st.st_size);

    HistoryHeader header;
    ssize_t got = ::pread(source.get(), header.bytes.data(), HistoryHeader::kSize, 0);
    if (got < 0) got = 0;
    result.symbol = header.GetSymbol();
    if (!IsUsableSymbol(result.symbol)) {
        result.status = ImportResult::Status::kBadSymbol;
        result.message = "无法载入" + sourcePath + "：货币名称\"" +
                         PrintableSymbol(result.symbol) +
                         "\"不能用作文件夹名（为空、为\".\"或\"..\"，或含有/、\\、控制字符）。";
        return result;
    }
    const std::string& symbol = result.symbol;

    int err = 0;
    std::string error;
    const std::string historyDir = historyFolder.substr(0, historyFolder.size() - 1);
    if (!files::CreateFolder(historyDir, &error))
        return Failure(result, "无法创建文件夹", historyDir, error);
    const std::string symbolFolder = historyFolder + symbol;
    if (!files::CreateFolder(symbolFolder, &error))
        return Failure(result, "无法创建文件夹", symbolFolder, error);
    RemoveStaleTemporaries(symbolFolder, symbol);

    // Nine temporaries, index = period.
    static std::atomic<unsigned> serial{0};
    const std::string suffix = FormatString("%s%ld-%u", kPartMarker.c_str(),
                                            static_cast<long>(::getpid()), serial++);
    TemporaryFiles temps;
    std::array<Fd, period::kCount> out;
    for (int k = 0; k < period::kCount; ++k) {
        std::string path = PeriodFilePath(historyFolder, symbol, k) + suffix;
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
    // Feeds the whole records of `data`; returns the bytes used.
    auto feed = [&](const unsigned char* data, std::size_t len) {
        std::size_t at = 0;
        while (at + BarRecord::kSize <= len) {
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
        pos += feed(chunk.data(), static_cast<std::size_t>(n));
        if (cancelled || !cascade.Ok()) break;
    }
    if (cancelled || !cascade.Ok() || !readOk) copier.Abandon();
    copyThread.join();
    bool copyOk = copier.Finish();
    int copyErr = copier.Error();
    if (!cancelled) cascade.Flush();
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

    if (cancelled || stop.stop_requested()) {
        temps.RemoveAll();
        result.status = ImportResult::Status::kCancelled;
        return result;
    }
    if (!readOk) {
        temps.RemoveAll();
        return Failure(result, "读取文件出错", sourcePath, err);
    }
    if (!copyOk) {
        temps.RemoveAll();
        result.status = ImportResult::Status::kCopyFailed;
        result.message = "复制文件" + sourcePath + "失败（" + files::ErrorText(copyErr) +
                         "），原有数据保持不变。";
        return result;
    }
    if (!writeOk) {
        temps.RemoveAll();
        return Failure(result, "写入文件出错", PeriodFilePath(historyFolder, symbol, writeFile),
                       err);
    }

    // Install: keep a hard link to each old file so that a rename failing half
    // way can put the earlier ones back.
    std::array<std::string, period::kCount> backups;
    std::array<bool, period::kCount> existed{};
    for (int k = 0; k < period::kCount; ++k) {
        std::string target = PeriodFilePath(historyFolder, symbol, k);
        std::string backup = target + suffix + ".old";
        existed[k] = files::Exists(target);
        if (existed[k] && ::link(target.c_str(), backup.c_str()) == 0) backups[k] = backup;
    }
    auto dropBackups = [&] {
        for (auto& b : backups)
            if (!b.empty()) ::unlink(b.c_str());
    };
    for (int k = 0; k < period::kCount; ++k) {
        std::string target = PeriodFilePath(historyFolder, symbol, k);
        if (::rename(temps[k].c_str(), target.c_str()) != 0) {
            int renameErr = errno;
            for (int j = 0; j < k; ++j) {
                std::string done = PeriodFilePath(historyFolder, symbol, j);
                if (!backups[j].empty()) {
                    if (::rename(backups[j].c_str(), done.c_str()) == 0) backups[j].clear();
                } else if (!existed[j]) {
                    ::unlink(done.c_str());
                }
            }
            dropBackups();
            temps.RemoveAll();
            return Failure(result, "无法替换文件", target, renameErr);
        }
        temps.Forget(k);
    }
    dropBackups();
    result.status = ImportResult::Status::kOk;
    return result;
}
