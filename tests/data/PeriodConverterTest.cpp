#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>

#include "data/HistoryFile.h"
#include "data/ImportGeneration.h"
#include "data/Period.h"
#include "data/PeriodConverter.h"
#include "platform/Files.h"
#include "support/TestSupport.h"

namespace {

// The conversion rule written out literally, accumulators starting at the
// fixed lows and highs, as a reference for prices below 9999.
std::string ReferenceDerivedFile(const std::string& source, int per) {
    const int n = period::kMinutes[per];
    std::string out = source.substr(0, HistoryHeader::kSize);
    int32_t minutes = n;
    std::memcpy(&out[HistoryHeader::kPeriodOffset], &minutes, 4);
    BarRecord acc;
    acc.low = 99999.0;
    const std::size_t count = (source.size() - HistoryHeader::kSize) / BarRecord::kSize;
    for (std::size_t p = 0; p < count; ++p) {
        BarRecord r = BarRecord::Decode(
            reinterpret_cast<const unsigned char*>(source.data()) + HistoryHeader::kSize +
            p * BarRecord::kSize);
        if (p % n == 0) {
            acc.time = r.time;
            acc.open = r.open;
        }
        if (r.low < acc.low) acc.low = r.low;
        if (r.high > acc.high) acc.high = r.high;
        if ((p + 1) % n == 0) {
            acc.close = r.close;
            unsigned char raw[BarRecord::kSize];
            acc.Encode(raw);
            out.append(reinterpret_cast<char*>(raw), sizeof raw);
            acc.low = 9999.0;
            acc.high = 0.0;
        }
    }
    return out;
}

struct Imported {
    ImportResult result;
    std::vector<std::string> progress;
};

Imported Import(const std::string& source, const std::string& history) {
    Imported im;
    im.result = BuildPeriodFiles(source, history,
                                 [&](const std::string& t) { im.progress.push_back(t); });
    return im;
}

std::vector<std::string> EntriesOf(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : files::ListFolder(folder)) names.push_back(e.name);
    return names;
}

class PeriodConverterTest : public ::testing::Test {
protected:
    std::string History() const { return m_dir.Path() + "/history/"; }
    std::string Source(const std::vector<BarRecord>& bars, std::size_t tail = 0,
                       const std::string& symbol = "GBPUSD") {
        std::string path = m_dir / "source.hst";
        WriteHst(path, symbol, bars, tail);
        return path;
    }
    std::string Period(int per, const std::string& symbol = "GBPUSD") const {
        return ReadFileBytes(PeriodFilePath(History(), symbol, per));
    }
    TempDir m_dir;
};

TEST_F(PeriodConverterTest, MatchesTheCountingRuleForEveryPeriod) {
    // 43200 records: MN 1 bar, W1 4, D1 30; plus a partial group and a partial record.
    auto bars = MakeBars(43200 + 17);
    // A weekend between neighbours inside one H1 group does not start a new bar.
    for (std::size_t i = 30; i < bars.size(); ++i) bars[i].time += 2 * 86400;
    std::string src = Source(bars, 20);
    auto im = Import(src, History());
    ASSERT_EQ(im.result.status, ImportResult::Status::kOk) << im.result.message;
    EXPECT_EQ(im.result.symbol, "GBPUSD");

    const std::string source = ReadFileBytes(src);
    EXPECT_EQ(Period(period::M1), source);  // byte-for-byte, partial record included
    const std::string whole = source.substr(0, source.size() - 20);
    for (int per = period::M5; per <= period::MN; ++per)
        EXPECT_EQ(Period(per), ReferenceDerivedFile(whole, per)) << period::kNames[per];

    EXPECT_EQ(GetBarCount(History(), "GBPUSD", period::MN), 1u);
    EXPECT_EQ(GetBarCount(History(), "GBPUSD", period::W1), 4u);
    EXPECT_EQ(GetBarCount(History(), "GBPUSD", period::D1), 30u);
    BarRecord h1;
    ASSERT_TRUE(ReadBar(h1, 0, History(), "GBPUSD", period::H1));
    EXPECT_EQ(h1.time, bars[0].time);
    EXPECT_EQ(h1.close, bars[59].close);
    EXPECT_EQ(h1.volume, 0.0);
    EXPECT_EQ(EntriesOf(History() + "GBPUSD").size(), 9u);  // no temporaries left
}

TEST_F(PeriodConverterTest, ShortSources) {
    // 4 records: every derived file is its header alone.
    auto im = Import(Source(MakeBars(4)), History());
    ASSERT_EQ(im.result.status, ImportResult::Status::kOk);
    for (int per = period::M5; per <= period::MN; ++per) {
        std::string f = Period(per);
        ASSERT_EQ(f.size(), HistoryHeader::kSize) << period::kNames[per];
        HistoryHeader h;
        std::memcpy(h.bytes.data(), f.data(), HistoryHeader::kSize);
        EXPECT_EQ(h.GetPeriod(), period::kMinutes[per]);
        EXPECT_EQ(h.GetSymbol(), "GBPUSD");
    }

    // 5 records: one M5 bar spanning all five.
    auto bars = MakeBars(5);
    im = Import(Source(bars), History());
    ASSERT_EQ(im.result.status, ImportResult::Status::kOk);
    BarRecord m5;
    ASSERT_TRUE(ReadBar(m5, 0, History(), "GBPUSD", period::M5));
    double lo = bars[0].low, hi = bars[0].high;
    for (auto& b : bars) lo = std::min(lo, b.low), hi = std::max(hi, b.high);
    EXPECT_EQ(m5.open, bars[0].open);
    EXPECT_EQ(m5.close, bars[4].close);
    EXPECT_EQ(m5.low, lo);
    EXPECT_EQ(m5.high, hi);
    EXPECT_EQ(GetBarCount(History(), "GBPUSD", period::M15), 0u);
}

TEST_F(PeriodConverterTest, PricesAboveTheOldAccumulatorLimitsAreNotCapped) {
    auto bars = MakeBars(10, 0.0);
    for (auto& b : bars) {  // an index priced around 35000
        b.open += 35000;
        b.low += 35000;
        b.high += 35000;
        b.close += 35000;
    }
    ASSERT_EQ(Import(Source(bars), History()).result.status, ImportResult::Status::kOk);
    for (int i = 0; i < 2; ++i) {
        BarRecord m5;
        ASSERT_TRUE(ReadBar(m5, i, History(), "GBPUSD", period::M5));
        double lo = 1e300;
        for (int j = 0; j < 5; ++j) lo = std::min(lo, bars[i * 5 + j].low);
        EXPECT_EQ(m5.low, lo) << "bar " << i;
    }
}

TEST_F(PeriodConverterTest, ProgressLineEvery1024Records) {
    EXPECT_TRUE(Import(Source(MakeBars(1023)), History()).progress.empty());
    auto im = Import(Source(MakeBars(1024)), History());
    EXPECT_EQ(im.progress, std::vector<std::string>{"FileSize=44Kbyte,ReadSize=44Kbyte,100%"});
    im = Import(Source(MakeBars(4096)), History());
    ASSERT_EQ(im.progress.size(), 4u);
    EXPECT_EQ(im.progress[0], "FileSize=176Kbyte,ReadSize=44Kbyte,25%");
    EXPECT_EQ(ImportProgressText(2048, 148 + 44 * 4096), "FileSize=176Kbyte,ReadSize=88Kbyte,50%");
}

TEST_F(PeriodConverterTest, RefusesSymbolsThatCannotNameAFolder) {
    const std::string symbols[] = {"", ".", "..", "EUR/USD", "EUR\\USD", "EUR\x01USD",
                                   "\x7f"};
    for (const auto& symbol : symbols) {
        std::string src = Source(MakeBars(10), 0, symbol);
        auto im = Import(src, History());
        EXPECT_EQ(im.result.status, ImportResult::Status::kBadSymbol) << symbol;
        EXPECT_NE(im.result.message.find(PrintableSymbol(symbol)), std::string::npos)
            << im.result.message;
        EXPECT_FALSE(files::Exists(m_dir.Path() + "/history")) << "wrote something for "
                                                               << PrintableSymbol(symbol);
    }
    EXPECT_EQ(PrintableSymbol("EUR\x01"), "EUR\\x01");
    EXPECT_TRUE(IsUsableSymbol("GBPUSD"));
    EXPECT_TRUE(IsUsableSymbol("..X"));
}

TEST_F(PeriodConverterTest, UnreadableSourceWritesNothing) {
    auto im = Import(m_dir / "missing.hst", History());
    EXPECT_EQ(im.result.status, ImportResult::Status::kCannotOpen);
    EXPECT_EQ(im.result.symbol, "");
    EXPECT_TRUE(im.result.message.empty());
    EXPECT_FALSE(files::Exists(m_dir.Path() + "/history"));
}

// A re-import that fails keeps the previous nine files byte for byte.
class ReimportTest : public PeriodConverterTest {
protected:
    void SetUp() override {
        ASSERT_EQ(Import(Source(MakeBars(3000, 1.5)), History()).result.status,
                  ImportResult::Status::kOk);
        for (int per = 0; per < period::kCount; ++per) m_old.push_back(Period(per));
    }
    void ExpectOldFilesIntact() {
        for (int per = 0; per < period::kCount; ++per)
            EXPECT_EQ(Period(per), m_old[per]) << period::kNames[per];
        EXPECT_EQ(EntriesOf(History() + "GBPUSD").size(), 9u);
    }
    std::vector<std::string> m_old;
};

TEST_F(ReimportTest, InterruptedImport) {
    std::string src = Source(MakeBars(20000, 1.7));
    std::stop_source stop;
    int lines = 0;
    auto result = BuildPeriodFiles(
        src, History(),
        [&](const std::string&) {
            if (++lines == 3) stop.request_stop();
        },
        stop.get_token());
    EXPECT_EQ(result.status, ImportResult::Status::kCancelled);
    EXPECT_EQ(lines, 3);  // stopped at the next record
    ExpectOldFilesIntact();
}

TEST_F(ReimportTest, WriteFailureIsReportedAndChangesNothing) {
    // A file-size limit makes writes fail part way, as a full disk does.
    std::string src = Source(MakeBars(20000, 1.7));
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{200000, 200000};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        auto r = BuildPeriodFiles(src, History(), nullptr);
        bool failed = r.status == ImportResult::Status::kCopyFailed ||
                      r.status == ImportResult::Status::kFailed;
        ::_exit(failed && !r.message.empty() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the failure was not reported";
    ExpectOldFilesIntact();
}

TEST_F(ReimportTest, FailedInstallPutsEarlierFilesBack) {
    // H4's name is taken by a folder: the renames before it must be undone.
    std::string h4 = PeriodFilePath(History(), "GBPUSD", period::H4);
    std::string saved = ReadFileBytes(h4);
    ::unlink(h4.c_str());
    files::CreateFolder(h4);
    WriteFileBytes(h4 + "/x", "x");
    auto result = BuildPeriodFiles(Source(MakeBars(3000, 1.9)), History(), nullptr);
    EXPECT_EQ(result.status, ImportResult::Status::kFailed);
    EXPECT_NE(result.message.find("GBPUSDH4.hst"), std::string::npos) << result.message;
    for (int per = 0; per < period::kCount; ++per) {
        if (per == period::H4) continue;
        EXPECT_EQ(Period(per), m_old[per]) << period::kNames[per];
    }
    EXPECT_EQ(EntriesOf(History() + "GBPUSD").size(), 9u);
}

TEST_F(ReimportTest, StaleTemporariesOfADeadProcessAreRemoved) {
    // A pid far above pid_max belongs to no process.
    std::string stale = PeriodFilePath(History(), "GBPUSD", period::M5) + ".part-99999999-0";
    WriteFileBytes(stale, "left over");
    ASSERT_EQ(Import(Source(MakeBars(100)), History()).result.status, ImportResult::Status::kOk);
    EXPECT_FALSE(files::Exists(stale));
    EXPECT_EQ(EntriesOf(History() + "GBPUSD").size(), 9u);
}

TEST_F(PeriodConverterTest, ANamedPipeOrAFolderAsSourceIsRefusedAtOnce) {
    ASSERT_EQ(::mkfifo((m_dir / "pipe.hst").c_str(), 0600), 0);  // no writer: an open would block
    files::CreateFolder(m_dir / "folder.hst");
    for (const char* name : {"pipe.hst", "folder.hst"}) {
        auto im = Import(m_dir / name, History());
        EXPECT_EQ(im.result.status, ImportResult::Status::kBadSource) << name;
        EXPECT_NE(im.result.message.find("不是普通文件"), std::string::npos) << im.result.message;
        EXPECT_FALSE(files::Exists(m_dir.Path() + "/history")) << name;
    }
}

TEST_F(PeriodConverterTest, LetterCaseDoesNotMakeASecondPair) {
    ASSERT_EQ(Import(Source(MakeBars(100, 1.3)), History()).result.status,
              ImportResult::Status::kOk);
    auto im = Import(Source(MakeBars(200, 1.4), 0, "gbpusd"), History());
    ASSERT_EQ(im.result.status, ImportResult::Status::kOk) << im.result.message;
    EXPECT_EQ(im.result.symbol, "GBPUSD");  // the existing folder's name
    EXPECT_EQ(EntriesOf(m_dir.Path() + "/history"), std::vector<std::string>{"GBPUSD"});
    EXPECT_EQ(GetBarCount(History(), "GBPUSD", period::M1), 200u);
    EXPECT_EQ(EntriesOf(History() + "GBPUSD").size(), 9u);
    // A name with a dot is a name of its own.
    im = Import(Source(MakeBars(50), 0, "GBPUSD.m"), History());
    ASSERT_EQ(im.result.status, ImportResult::Status::kOk);
    EXPECT_EQ(EntriesOf(m_dir.Path() + "/history"),
              (std::vector<std::string>{"GBPUSD", "GBPUSD.m"}));
    EXPECT_EQ(GetBarCount(History(), "GBPUSD.m", period::M1), 50u);
}

// An import killed at any moment leaves, after recovery, one complete
// generation: the old nine files or the new nine.
TEST_F(ReimportTest, KilledAtAnyMomentLeavesOneGeneration) {
    const std::string other = m_dir.Path() + "/other/";
    std::string src = Source(MakeBars(150000, 1.8));
    ASSERT_EQ(BuildPeriodFiles(src, other, nullptr).status, ImportResult::Status::kOk);
    std::vector<std::string> fresh;
    for (int per = 0; per < period::kCount; ++per)
        fresh.push_back(ReadFileBytes(PeriodFilePath(other, "GBPUSD", per)));

    int sawOld = 0, sawNew = 0;
    for (int attempt = 0; attempt < 24; ++attempt) {
        pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            BuildPeriodFiles(src, History(), nullptr);
            ::_exit(0);
        }
        ::usleep(static_cast<useconds_t>(attempt * 400));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        RecoverSymbolFolder(History() + "GBPUSD");
        ASSERT_EQ(EntriesOf(History() + "GBPUSD").size(), 9u) << "attempt " << attempt;
        // One letter per period: O old, N new, ? neither.
        std::string gens;
        for (int per = 0; per < period::kCount; ++per) {
            const std::string now = Period(per);
            gens += now == m_old[per] ? 'O' : now == fresh[per] ? 'N' : '?';
        }
        if (gens == "OOOOOOOOO") {
            ++sawOld;
        } else {
            ASSERT_EQ(gens, "NNNNNNNNN") << "after attempt " << attempt;
            ++sawNew;
            // Back to the old generation for the next attempt.
            for (int per = 0; per < period::kCount; ++per)
                WriteFileBytes(PeriodFilePath(History(), "GBPUSD", per), m_old[per]);
        }
    }
    EXPECT_GT(sawOld + sawNew, 0);
}

// The states a kill can leave, built by hand, and what recovery makes of them.
class InterruptedInstallTest : public ReimportTest {
protected:
    void SetUp() override {
        ReimportTest::SetUp();
        std::string src = Source(MakeBars(600, 1.6));
        ASSERT_EQ(BuildPeriodFiles(src, m_dir.Path() + "/new/", nullptr).status,
                  ImportResult::Status::kOk);
        for (int per = 0; per < period::kCount; ++per)
            m_new.push_back(ReadFileBytes(PeriodFilePath(m_dir.Path() + "/new/", "GBPUSD", per)));
    }
    std::string Target(int per) const { return PeriodFilePath(History(), "GBPUSD", per); }
    // Periods below `renamed` already hold the new file; the others still
    // have their temporary. `links`: old files linked as backups.
    void Leave(const std::string& id, int renamed, bool marker, int links) {
        for (int per = 0; per < period::kCount; ++per) {
            if (per < links) {
                ASSERT_EQ(::link(Target(per).c_str(), (Target(per) + id + ".old").c_str()), 0);
            }
        }
        for (int per = 0; per < period::kCount; ++per) {
            if (per < renamed) {
                ::unlink(Target(per).c_str());  // the backup link keeps the old file
                WriteFileBytes(Target(per), m_new[per]);
            } else {
                WriteFileBytes(Target(per) + id, m_new[per]);
            }
        }
        if (marker) WriteFileBytes(History() + "GBPUSD/GBPUSD" + id + ".commit", "");
    }
    void ExpectGeneration(const std::vector<std::string>& gen, const std::string& what) {
        for (int per = 0; per < period::kCount; ++per)
            EXPECT_TRUE(Period(per) == gen[per]) << what << " " << period::kNames[per];
        EXPECT_EQ(EntriesOf(History() + "GBPUSD").size(), 9u) << what;
    }
    std::vector<std::string> m_new;
};

TEST_F(InterruptedInstallTest, RecoveryFinishesOrUndoes) {
    // A process id far above any pid_max is a process that is gone.
    const std::string dead = ".part-99999999-12345-0";
    struct Case {
        const char* what;
        int renamed;
        bool marker;
        int links;
        bool expectNew;
    } cases[] = {
        {"killed while writing the temporaries", 0, false, 0, false},
        {"killed after the marker", 0, true, 0, true},
        {"killed while linking the old files", 0, true, 4, true},
        {"killed after one rename", 1, true, 9, true},
        {"killed half way through the renames", 5, true, 9, true},
        {"killed after the last rename", 9, true, 9, true},
        {"killed while removing the links", 9, true, 3, true},
        {"killed while undoing a failed rename", 4, false, 9, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        for (int per = 0; per < period::kCount; ++per) WriteFileBytes(Target(per), m_old[per]);
        Leave(dead, c.renamed, c.marker, c.links);
        RecoverSymbolFolder(History() + "GBPUSD");
        ExpectGeneration(c.expectNew ? m_new : m_old, c.what);
    }
}

TEST_F(InterruptedInstallTest, EarlierVersionsAndLiveImports) {
    // An earlier version's names (no start time, no marker): its links were
    // made only once the new files were complete.
    Leave(".part-99999999-3", 4, false, 9);
    RecoverSymbolFolder(History() + "GBPUSD");
    ExpectGeneration(m_new, "earlier version");

    // A running process's temporaries stay; a reused process id (another
    // start time) does not make a dead import look alive.
    for (int per = 0; per < period::kCount; ++per) WriteFileBytes(Target(per), m_old[per]);
    const std::string live = NewImportId();
    const std::string reused = ".part-" + std::to_string(::getpid()) + "-1-0";
    for (int per = 0; per < period::kCount; ++per) {
        WriteFileBytes(Target(per) + live, "being written");
        WriteFileBytes(Target(per) + reused, "left by a dead process");
    }
    RecoverSymbolFolder(History() + "GBPUSD");
    EXPECT_EQ(EntriesOf(History() + "GBPUSD").size(), 18u);
    EXPECT_TRUE(files::Exists(Target(period::H4) + live));
    EXPECT_FALSE(files::Exists(Target(period::H4) + reused));
    for (int per = 0; per < period::kCount; ++per) ::unlink((Target(per) + live).c_str());
    ExpectGeneration(m_old, "live import");

    struct Name {
        const char* name;
        bool temporary;
    } names[] = {{"GBPUSDH4.hst.part-12-34-5", true},
                 {"GBPUSDH4.hst.part-12-5.old", true},
                 {"GBPUSD.part-12-34-5.commit", true},
                 {"GBPUSDH4.hst", false},
                 {".part-1-2-3", false},
                 {"GBPUSDH4.hst.part-x-1", false},
                 {"GBPUSDH4.hst.part-1", false},
                 {"a.part-1-2-3-4", false}};
    for (const auto& n : names) EXPECT_EQ(IsImportTemporary(n.name), n.temporary) << n.name;
}

}  // namespace
