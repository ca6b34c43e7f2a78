#include "data/ImportPass.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "data/BarRecord.h"
#include "data/Endian.h"
#include "data/HistoryFile.h"
#include "data/ImportGeneration.h"
#include "data/Period.h"
#include "platform/Files.h"

namespace {

constexpr int kDerived = period::kCount - 1;  // M5 .. MN
constexpr std::size_t kWriteChunk = 1 << 16;
constexpr std::size_t kCheckBlock = 64;  // records checked at a time

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

using files::UniqueFd;

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
    PeriodCascade(const HistoryHeader& header, std::array<UniqueFd, period::kCount>& out) : m_out(out) {
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
        if (m_nFailed == 0 && !files::WriteAll(m_out[d + 1].get(), m_pending[d].data(),
                                               m_nPending[d])) {
            m_nFailed = d + 1;
            m_nError = errno;
        }
        m_nPending[d] = 0;
    }

    std::array<UniqueFd, period::kCount>& m_out;
    std::array<std::vector<unsigned char>, kDerived> m_pending;
    std::array<std::size_t, kDerived> m_nPending{};
    std::array<BarRecord, kDerived> m_acc{};
    std::array<int, kDerived> m_nInGroup{};
    int m_nFailed = 0;  // period index of the first failed write, 0 = none
    int m_nError = 0;
};

}  // namespace

ImportResult RejectedImport(ImportResult result, const std::string& path, const SourceFault& fault,
                            RecordSource from) {
    result.status = fault.kind == SourceFault::Kind::kBadSymbol ? ImportResult::Status::kBadSymbol
                                                                : ImportResult::Status::kBadSource;
    result.message = SourceFaultMessage(path, fault, from);
    return result;
}

struct CImportPass::State {
    std::string sourcePath;
    std::string historyFolder;
    ImportProgressFn progress;
    std::uint64_t length;
    std::stop_token stop;

    ImportResult result;
    bool opened = false;
    CSourceCheck check;
    CreatedFolders created;
    std::string symbolFolder;
    std::string id;
    std::array<std::string, period::kCount> targets;
    TemporaryFiles temps;
    std::array<UniqueFd, period::kCount> out;
    std::unique_ptr<PeriodCascade> cascade;

    RecordSource recordSource = RecordSource::kHistory;
    std::uint64_t fed = 0;  // records
    unsigned untilProgress = 1024;
    bool cancelled = false;
    bool sourceOk = true;
};

CImportPass::CImportPass(std::string sourcePath, std::string historyFolder,
                         ImportProgressFn progress, std::uint64_t length, std::stop_token stop)
    : m_p(std::make_unique<State>()) {
    m_p->sourcePath = std::move(sourcePath);
    m_p->historyFolder = std::move(historyFolder);
    m_p->progress = std::move(progress);
    m_p->length = length;
    m_p->stop = std::move(stop);
}

CImportPass::~CImportPass() = default;

bool CImportPass::Open(const HistoryHeader& header, const CSourceCheck& check) {
    State& s = *m_p;
    s.check = check;
    // A pair is one folder whatever the letter case of the file's symbol.
    s.result.symbol = ExistingSymbolFolder(s.historyFolder, header.GetSymbol());
    const std::string& symbol = s.result.symbol;
    std::string error;
    const std::string historyDir = s.historyFolder.substr(0, s.historyFolder.size() - 1);
    if (!s.created.Create(historyDir, &error)) {
        s.result = Failure(s.result, "无法创建文件夹", historyDir, error);
        return false;
    }
    s.symbolFolder = s.historyFolder + symbol;
    if (!s.created.Create(s.symbolFolder, &error)) {
        s.result = Failure(s.result, "无法创建文件夹", s.symbolFolder, error);
        return false;
    }
    // An earlier import of this pair that was killed is finished or undone
    // first, so that its files cannot mix with this one's.
    RecoverSymbolFolder(s.symbolFolder);

    // Nine temporaries, index = period.
    s.id = NewImportId();
    for (int k = 0; k < period::kCount; ++k) {
        s.targets[k] = PeriodFilePath(s.historyFolder, symbol, k);
        std::string path = s.targets[k] + s.id;
        // M1 may be read back by the conversion.
        int mode = k == period::M1 ? O_RDWR : O_WRONLY;
        int fd = ::open(path.c_str(), mode | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            s.result = Failure(s.result, "无法创建文件", path, errno);
            return false;
        }
        s.temps.Add(path);
        s.out[k].Reset(fd);
    }
    // Derived files: the header with the period field set, then the bars.
    s.cascade = std::make_unique<PeriodCascade>(header, s.out);
    s.opened = true;
    return true;
}

int CImportPass::M1() const {
    return m_p->out[period::M1].get();
}

const std::string& CImportPass::Symbol() const {
    return m_p->result.symbol;
}

void CImportPass::SetRecordSource(RecordSource from) {
    m_p->recordSource = from;
}

bool CImportPass::Stopped() const {
    return m_p->cancelled || !m_p->sourceOk || !m_p->cascade || !m_p->cascade->Ok();
}

// Feeds the whole records of `data`, checking each small block of them just
// before, while it is in the processor's cache. A bad record stops the
// import, so the order of check and conversion within a block does not
// matter.
std::size_t CImportPass::Feed(const unsigned char* data, std::size_t len) {
    State& s = *m_p;
    PeriodCascade& cascade = *s.cascade;
    std::size_t at = 0;
    std::size_t checked = 0;
    auto checkUpTo = [&](std::size_t end) {
        const std::size_t count = (end - checked) / BarRecord::kSize;
        if (!s.check.CheckRecords(data + checked, count)) s.sourceOk = false;
        checked += count * BarRecord::kSize;
        return s.sourceOk;
    };
    // Without a progress line of its own the pass takes the fast path
    // wherever it can.
    const bool counting = s.progress && s.length > 0;
    while (at + BarRecord::kSize <= len) {
        if (at >= checked && !checkUpTo(std::min(len, checked + kCheckBlock * BarRecord::kSize)))
            break;
        if (s.stop.stop_requested()) {
            s.cancelled = true;
            break;
        }
        // Whole M5 groups take the fast path; the record that completes a
        // block of 1024 always goes one by one, so progress lines come
        // exactly where they are due.
        if (cascade.AtGroupStart() && (!counting || s.untilProgress > 5) &&
            at + 5 * BarRecord::kSize <= len) {
            cascade.FeedFiveRecords(data + at);
            at += 5 * BarRecord::kSize;
            s.fed += 5;
            if (counting) s.untilProgress -= 5;
            continue;
        }
        cascade.FeedRecord(data + at);
        at += BarRecord::kSize;
        ++s.fed;
        if (counting && --s.untilProgress == 0) {
            s.untilProgress = 1024;
            s.progress(ImportProgressText(s.fed, s.length));
        }
    }
    if (s.sourceOk && !s.cancelled && checked < at) checkUpTo(at);
    return at;
}

ImportResult CImportPass::Finish(const M1Outcome& m1) {
    State& s = *m_p;
    if (!s.opened) return s.result;
    PeriodCascade& cascade = *s.cascade;
    bool m1Ok = m1.ok;
    int m1Error = m1.error;
    if (!s.cancelled && s.sourceOk) cascade.Flush();
    bool writeOk = cascade.Ok();
    int writeFile = cascade.FailedPeriod();
    int err = writeOk ? 0 : cascade.Error();
    for (int k = 0; k < period::kCount; ++k) {
        int closeErr = 0;
        if (!s.out[k].Close(&closeErr)) {
            if (k == period::M1 && m1Ok) {
                m1Ok = false;
                m1Error = closeErr;
            } else if (k != period::M1 && writeOk) {
                writeOk = false;
                writeFile = k;
                err = closeErr;
            }
        }
    }

    // On every way out below but the last, the temporaries and the folders
    // this pass created go again.
    ImportResult& result = s.result;
    if (s.cancelled || s.stop.stop_requested()) {
        result.status = ImportResult::Status::kCancelled;
        return result;
    }
    if (!s.sourceOk) return RejectedImport(result, s.sourcePath, s.check.Fault(), s.recordSource);
    if (!m1.readOk) return Failure(result, "读取文件出错", s.sourcePath, m1.readError);
    if (!m1Ok && m1.copied) {
        result.status = ImportResult::Status::kCopyFailed;
        result.message = "复制文件" + s.sourcePath + "失败（" + files::ErrorText(m1Error) +
                         "），原有数据保持不变。";
        return result;
    }
    if (!m1Ok) return Failure(result, "写入文件出错", s.targets[period::M1], m1Error);
    if (!writeOk) return Failure(result, "写入文件出错", s.targets[writeFile], err);
    if (s.check.Checked() == 0) {  // the source shrank under the import
        SourceFault fault;
        fault.kind = SourceFault::Kind::kNoRecord;
        fault.length = s.length;
        return RejectedImport(result, s.sourcePath, fault);
    }

    InstallOutcome installed = InstallGeneration(s.symbolFolder, result.symbol, s.id, s.targets);
    s.temps.ForgetAll();  // installed, or removed by the install's undo
    if (!installed.ok)
        return Failure(result, "无法替换文件", installed.failedPath, installed.error);
    s.created.Keep();
    result.status = ImportResult::Status::kOk;
    return result;
}
