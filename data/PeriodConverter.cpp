#include "data/PeriodConverter.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <thread>
#include <vector>

#include "data/BarRecord.h"
#include "data/HistoryFile.h"
#include "data/HistoryHeader.h"
#include "data/Period.h"
#include "platform/Files.h"
#include "platform/Format.h"

namespace {

constexpr int kDerived = period::kCount - 1;  // M5 .. MN
constexpr std::size_t kReadChunk = 1 << 20;
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

// Copies `size` bytes of `in` to `out`, in the kernel where it can.
bool CopyFileData(int in, int out, std::uint64_t size, std::stop_token stop, int* err) {
    off_t inOff = 0;
    std::uint64_t left = size;
    bool kernelCopy = true;
    std::vector<unsigned char> buf;
    while (left > 0) {
        if (stop.stop_requested()) return true;  // the caller sees the stop
        std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(left, 16u << 20));
        if (kernelCopy) {
            ssize_t n = ::copy_file_range(in, &inOff, out, nullptr, want, 0);
            if (n > 0) {
                left -= static_cast<std::uint64_t>(n);
                continue;
            }
            if (n == 0) break;  // the source shrank
            if (errno == EINTR) continue;
            if (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP) {
                kernelCopy = false;
                buf.resize(kReadChunk);
                continue;
            }
            *err = errno;
            return false;
        }
        ssize_t n = ::pread(in, buf.data(), std::min(want, buf.size()), inOff);
        if (n < 0) {
            if (errno == EINTR) continue;
            *err = errno;
            return false;
        }
        if (n == 0) break;
        if (!WriteAll(out, buf.data(), static_cast<std::size_t>(n), err)) return false;
        inOff += n;
        left -= static_cast<std::uint64_t>(n);
    }
    return true;
}

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
        int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) return Failure(result, "无法创建文件", path, errno);
        temps.Add(path);
        out[k].Reset(fd);
    }

    // The M1 copy runs beside the conversion; both read the source through
    // their own descriptors.
    Fd copySource(::open(sourcePath.c_str(), O_RDONLY | O_CLOEXEC));
    if (copySource.get() < 0) {
        result.status = ImportResult::Status::kCopyFailed;
        result.message = "复制文件" + sourcePath + "失败";
        return result;
    }
    bool copyOk = true;
    int copyErr = 0;
    std::thread copier([&] {
        copyOk = CopyFileData(copySource.get(), out[period::M1].get(), length, stop, &copyErr);
    });

    // Derived files: the header with the period field set, then the bars.
    std::array<std::vector<unsigned char>, kDerived> pending;
    std::array<BarRecord, kDerived> acc{};
    std::array<int, kDerived> inGroup{};
    bool writeOk = true;
    int writeFile = 0;
    for (int d = 0; d < kDerived; ++d) {
        HistoryHeader h = header;
        h.SetPeriod(period::kMinutes[d + 1]);
        pending[d].reserve(kWriteChunk + BarRecord::kSize);
        pending[d].insert(pending[d].end(), h.bytes.begin(), h.bytes.end());
    }

    std::vector<unsigned char> chunk(kReadChunk);
    std::size_t carried = 0;  // bytes of a record split across two reads
    std::uint64_t offset = HistoryHeader::kSize;
    std::uint64_t p = 0;
    unsigned untilProgress = 1024;
    bool cancelled = false;
    bool readOk = true;
    for (;;) {
        ssize_t n = ::pread(source.get(), chunk.data() + carried, chunk.size() - carried,
                            static_cast<off_t>(offset));
        if (n < 0) {
            if (errno == EINTR) continue;
            readOk = false;
            err = errno;
            break;
        }
        if (n == 0) break;
        offset += static_cast<std::uint64_t>(n);
        std::size_t avail = carried + static_cast<std::size_t>(n);
        std::size_t pos = 0;
        for (; pos + BarRecord::kSize <= avail; pos += BarRecord::kSize) {
            if (stop.stop_requested()) {
                cancelled = true;
                break;
            }
            const BarRecord r = BarRecord::Decode(chunk.data() + pos);
            for (int d = 0; d < kDerived; ++d) {
                BarRecord& a = acc[d];
                if (inGroup[d] == 0) {
                    // Each group's range starts from its first record, so no
                    // price level is capped.
                    a.time = r.time;
                    a.open = r.open;
                    a.low = r.low;
                    a.high = r.high;
                } else {
                    if (r.low < a.low) a.low = r.low;
                    if (r.high > a.high) a.high = r.high;
                }
                if (++inGroup[d] == period::kMinutes[d + 1]) {
                    inGroup[d] = 0;
                    a.close = r.close;
                    auto& buf = pending[d];
                    std::size_t at = buf.size();
                    buf.resize(at + BarRecord::kSize);
                    a.Encode(buf.data() + at);
                    if (buf.size() >= kWriteChunk) {
                        if (writeOk && !WriteAll(out[d + 1].get(), buf.data(), buf.size(), &err)) {
                            writeOk = false;
                            writeFile = d + 1;
                        }
                        buf.clear();
                    }
                }
            }
            ++p;
            if (--untilProgress == 0) {
                untilProgress = 1024;
                if (progress) progress(ImportProgressText(p, length));
            }
        }
        if (cancelled || !writeOk) break;
        carried = avail - pos;
        if (carried) std::memmove(chunk.data(), chunk.data() + pos, carried);
    }

    for (int d = 0; d < kDerived && writeOk && !cancelled; ++d) {
        if (!WriteAll(out[d + 1].get(), pending[d].data(), pending[d].size(), &err)) {
            writeOk = false;
            writeFile = d + 1;
        }
    }
    copier.join();
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
