#include "data/ImportGeneration.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <map>
#include <vector>

#include "platform/Files.h"
#include "platform/Format.h"
#include "platform/Process.h"

namespace {

const std::string kPartMarker = ".part-";
const std::string kBackupSuffix = ".old";
const std::string kCommitSuffix = ".commit";

bool EndsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// Reads "<digits>" at s[i]; false when there is none.
bool Number(const std::string& s, std::size_t& i, std::uint64_t& value) {
    std::size_t begin = i;
    value = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9' && i - begin < 19)
        value = value * 10 + static_cast<std::uint64_t>(s[i++] - '0');
    return i > begin;
}

}  // namespace

std::optional<ImportTemporary> ParseImportTemporary(const std::string& name) {
    auto mark = name.rfind(kPartMarker);
    if (mark == std::string::npos || mark == 0) return std::nullopt;
    ImportTemporary t;
    std::string rest = name.substr(mark);
    if (EndsWith(rest, kBackupSuffix)) {
        t.kind = ImportTemporary::Kind::kBackup;
        rest.resize(rest.size() - kBackupSuffix.size());
    } else if (EndsWith(rest, kCommitSuffix)) {
        t.kind = ImportTemporary::Kind::kCommit;
        rest.resize(rest.size() - kCommitSuffix.size());
    }
    // ".part-PID-START-SERIAL", or ".part-PID-SERIAL" from earlier versions.
    std::uint64_t numbers[3] = {};
    int count = 0;
    std::size_t i = kPartMarker.size();
    while (count < 3 && Number(rest, i, numbers[count])) {
        ++count;
        if (i == rest.size()) break;
        if (rest[i] != '-') return std::nullopt;
        ++i;
    }
    if (i != rest.size() || count < 2) return std::nullopt;
    t.target = name.substr(0, mark);
    t.id = rest;
    t.pid = static_cast<long>(numbers[0] > 0x7fffffff ? 0 : numbers[0]);
    t.start = count == 3 ? numbers[1] : 0;
    t.legacy = count == 2;
    return t;
}

bool IsImportTemporary(const std::string& name) {
    return ParseImportTemporary(name).has_value();
}

std::string NewImportId() {
    static std::atomic<unsigned> serial{0};
    return FormatString("%s%ld-%llu-%u", kPartMarker.c_str(), process::CurrentId(),
                        static_cast<unsigned long long>(process::CurrentStartTime()), serial++);
}

void RecoverSymbolFolder(const std::string& symbolFolder) {
    struct Leftovers {
        long pid = 0;
        std::uint64_t start = 0;
        bool committed = false;
        std::vector<ImportTemporary> files;
        std::vector<std::string> names;
    };
    files::CFolderLock lock(symbolFolder);
    std::map<std::string, Leftovers> byImport;
    for (const auto& entry : files::ListFolder(symbolFolder)) {
        if (entry.isFolder) continue;
        auto t = ParseImportTemporary(entry.name);
        if (!t) continue;
        Leftovers& l = byImport[t->id];
        l.pid = t->pid;
        l.start = t->start;
        if (t->kind == ImportTemporary::Kind::kCommit) l.committed = true;
        // Earlier versions linked the old files only once the new ones were
        // complete, without a marker.
        if (t->legacy && t->kind == ImportTemporary::Kind::kBackup) l.committed = true;
        l.files.push_back(*t);
        l.names.push_back(entry.name);
    }
    const std::string dir = symbolFolder + "/";
    for (auto& [id, l] : byImport) {
        if (process::IsRunning(l.pid, l.start)) continue;  // still at work
        std::string marker;
        for (std::size_t i = 0; i < l.files.size(); ++i) {
            const ImportTemporary& t = l.files[i];
            const std::string path = dir + l.names[i];
            const std::string target = dir + t.target;
            switch (t.kind) {
                case ImportTemporary::Kind::kTemporary:
                    if (l.committed)
                        ::rename(path.c_str(), target.c_str());
                    else
                        ::unlink(path.c_str());
                    break;
                case ImportTemporary::Kind::kBackup:
                    // Undoing: the old file goes back. A link that is still
                    // the same file as its target leaves both names, hence
                    // the unlink after the rename.
                    if (!l.committed) ::rename(path.c_str(), target.c_str());
                    ::unlink(path.c_str());
                    break;
                case ImportTemporary::Kind::kCommit:
                    marker = path;
                    break;
            }
        }
        // The marker goes last: until then a second recovery would do the same.
        if (!marker.empty()) ::unlink(marker.c_str());
    }
}

void RecoverInterruptedImports(const std::string& historyFolder) {
    const std::string dir = historyFolder.substr(0, historyFolder.size() - 1);
    for (const auto& entry : files::ListFolder(dir))
        if (entry.isFolder) RecoverSymbolFolder(dir + "/" + entry.name);
}

InstallOutcome InstallGeneration(const std::string& symbolFolder, const std::string& symbol,
                                 const std::string& id,
                                 const std::array<std::string, period::kCount>& targets) {
    InstallOutcome out;
    // One install or recovery at a time per pair, also across processes.
    files::CFolderLock lock(symbolFolder);
    const std::string marker = symbolFolder + "/" + symbol + id + kCommitSuffix;
    int fd = ::open(marker.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        out.ok = false;
        out.failedPath = marker;
        out.error = errno;
        for (const auto& t : targets) ::unlink((t + id).c_str());
        return out;
    }
    ::close(fd);

    std::array<std::string, period::kCount> backups;
    std::array<bool, period::kCount> existed{};
    for (int k = 0; k < period::kCount; ++k) {
        const std::string backup = targets[k] + id + kBackupSuffix;
        struct stat st {};
        existed[k] = ::lstat(targets[k].c_str(), &st) == 0;
        if (existed[k] && ::link(targets[k].c_str(), backup.c_str()) == 0) backups[k] = backup;
    }
    for (int k = 0; k < period::kCount; ++k) {
        if (::rename((targets[k] + id).c_str(), targets[k].c_str()) == 0) continue;
        out.ok = false;
        out.failedPath = targets[k];
        out.error = errno;
        // Undo: without the marker a recovery after a kill here also undoes.
        ::unlink(marker.c_str());
        for (int j = 0; j < k; ++j) {
            if (!backups[j].empty()) {
                if (::rename(backups[j].c_str(), targets[j].c_str()) == 0) backups[j].clear();
            } else if (!existed[j]) {
                ::unlink(targets[j].c_str());
            }
        }
        for (int j = k; j < period::kCount; ++j) ::unlink((targets[j] + id).c_str());
        break;
    }
    for (const auto& b : backups)
        if (!b.empty()) ::unlink(b.c_str());
    if (out.ok) ::unlink(marker.c_str());
    return out;
}
