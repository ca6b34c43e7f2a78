#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "data/HistoryFile.h"
#include "data/Period.h"
#include "data/PeriodConverter.h"
#include "data/SourceCheck.h"
#include "platform/Files.h"
#include "support/TestSupport.h"

namespace {

std::string Bytes(const std::string& symbol, const std::vector<BarRecord>& bars) {
    TempDir dir;
    WriteHst(dir / "x.hst", symbol, bars);
    return ReadFileBytes(dir / "x.hst");
}

// A file in the 60-byte record layout: int64 time, four prices, int64
// volume, int32 spread, int64 real volume.
std::string Version401File(std::size_t records) {
    HistoryHeader h;
    std::int32_t version = 401;
    std::memcpy(h.bytes.data(), &version, 4);
    h.SetSymbol("EURUSD");
    h.SetPeriod(1);
    std::string out(h.bytes.begin(), h.bytes.end());
    for (std::size_t i = 0; i < records; ++i) {
        unsigned char r[60] = {};
        std::int64_t t = 1104537600 + static_cast<std::int64_t>(i) * 60;
        double p[4] = {1.1, 1.11, 1.09, 1.105};  // open, high, low, close
        std::memcpy(r, &t, 8);
        std::memcpy(r + 8, p, 32);
        out.append(reinterpret_cast<char*>(r), 60);
    }
    return out;
}

struct RejectCase {
    const char* name;
    std::string bytes;
    SourceFault::Kind kind;
    std::string inMessage;  // a piece the message must hold ("" = any)
};

std::vector<RejectCase> RejectCases() {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    std::vector<RejectCase> cases;
    std::string csv = "Date,Time,Open,High,Low,Close,Volume\n";
    for (int i = 0; i < 40; ++i)
        csv += "2020.01.02,00:" + std::to_string(10 + i) + ",1.0999,1.1001,1.0998,1.1000,17\n";
    cases.push_back({"csv", csv, SourceFault::Kind::kBadRecord, "条记录"});
    std::mt19937 rng(7);
    std::string random(5000, '\0');
    for (auto& c : random) c = static_cast<char>(rng());
    cases.push_back({"random bytes", random, SourceFault::Kind::kBadSymbol, ""});
    const std::string good = Bytes("GBPUSD", MakeBars(10));
    cases.push_back({"header cut at 100 bytes", good.substr(0, 100), SourceFault::Kind::kHeaderCut,
                     "文件头不完整"});
    cases.push_back({"header and no record", good.substr(0, 148), SourceFault::Kind::kNoRecord,
                     "没有一条完整的记录"});
    cases.push_back({"header and a partial record", good.substr(0, 148 + 43),
                     SourceFault::Kind::kNoRecord, "没有一条完整的记录"});
    auto withBar = [&](std::size_t k, auto change) {
        auto bars = MakeBars(10);
        change(bars[k]);
        return Bytes("GBPUSD", bars);
    };
    cases.push_back({"NaN open", withBar(3, [&](BarRecord& b) { b.open = nan; }),
                     SourceFault::Kind::kBadRecord, "第4条记录"});
    cases.push_back({"infinite high", withBar(0, [&](BarRecord& b) { b.high = inf; }),
                     SourceFault::Kind::kBadRecord, "第1条记录"});
    cases.push_back({"NaN high", withBar(9, [&](BarRecord& b) { b.high = nan; }),
                     SourceFault::Kind::kBadRecord, "第10条记录"});
    cases.push_back({"zero close", withBar(2, [&](BarRecord& b) { b.close = 0.0; }),
                     SourceFault::Kind::kBadRecord, "收盘价"});
    cases.push_back({"negative low", withBar(5, [&](BarRecord& b) { b.low = -b.low; }),
                     SourceFault::Kind::kBadRecord, "最低价"});
    cases.push_back({"low above high", withBar(6, [&](BarRecord& b) { std::swap(b.low, b.high); }),
                     SourceFault::Kind::kBadRecord, "最低价"});
    cases.push_back({"decreasing times", withBar(5, [&](BarRecord& b) { b.time -= 3600; }),
                     SourceFault::Kind::kBadRecord, "第6条记录（从文件第368字节起）"});
    cases.push_back({"time zero", withBar(0, [&](BarRecord& b) { b.time = 0; }),
                     SourceFault::Kind::kBadRecord, "不大于0"});
    cases.push_back({"version 401", Version401File(20), SourceFault::Kind::kVersion401, "401"});
    return cases;
}

TEST(SourceCheck, RejectsWhatIsNotAOneMinuteHistory) {
    for (const auto& c : RejectCases()) {
        SCOPED_TRACE(c.name);
        const auto* data = reinterpret_cast<const unsigned char*>(c.bytes.data());
        SourceFault fault = CheckHistorySource(data, c.bytes.size());
        EXPECT_EQ(fault.kind, c.kind);
        const std::string message = SourceFaultMessage("in.hst", fault);
        EXPECT_NE(message.find("in.hst"), std::string::npos) << message;
        EXPECT_NE(message.find(c.inMessage), std::string::npos) << message;

        // The file check and the import say the same.
        TempDir dir;
        WriteFileBytes(dir / "in.hst", c.bytes);
        EXPECT_EQ(CheckHistorySourceFile(dir / "in.hst").kind, c.kind);
        EXPECT_EQ(CheckHistorySourceFile(dir / "in.hst").record, fault.record);
    }
}

TEST(SourceCheck, AcceptsGoodSources) {
    struct Case {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"equal times, a partial record at the end",
         [] {
             auto bars = MakeBars(300);
             bars[7].time = bars[6].time;
             return Bytes("EURUSD.m", bars) + std::string(20, 'x');
         }()},
        {"a 44-byte file that says 401",
         [] {
             std::string b = Bytes("EURUSD", MakeBars(15));  // 15 * 44 is a multiple of 60
             std::int32_t version = 401;
             std::memcpy(b.data(), &version, 4);
             return b;
         }()},
        {"a UTF-8 symbol", Bytes("黄金", MakeBars(3))},
        {"the smallest and largest doubles",
         [] {
             auto bars = MakeBars(2);
             bars[1].low = std::numeric_limits<double>::denorm_min();
             bars[1].high = std::numeric_limits<double>::max();
             return Bytes("XAUUSD", bars);
         }()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SourceFault f = CheckHistorySource(reinterpret_cast<const unsigned char*>(c.bytes.data()),
                                           c.bytes.size());
        EXPECT_TRUE(f.Ok()) << SourceFaultMessage("x", f);
    }
    // Only a regular file is read.
    TempDir dir;
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    EXPECT_EQ(CheckHistorySourceFile(dir / "pipe").kind, SourceFault::Kind::kNotRegular);
    EXPECT_EQ(CheckHistorySourceFile(dir.Path()).kind, SourceFault::Kind::kNotRegular);
    EXPECT_EQ(CheckHistorySourceFile(dir / "none").kind, SourceFault::Kind::kCannotOpen);
}

// A rejected source writes nothing: no folder, and an existing pair keeps
// its nine files byte for byte.
TEST(SourceCheck, ImportOfARejectedSourceWritesNothing) {
    TempDir dir;
    const std::string history = dir.Path() + "/history/";
    WriteHst(dir / "old.hst", "GBPUSD", MakeBars(3000));
    ASSERT_EQ(BuildPeriodFiles(dir / "old.hst", history, nullptr).status,
              ImportResult::Status::kOk);
    std::vector<std::string> old;
    for (int per = 0; per < period::kCount; ++per)
        old.push_back(ReadFileBytes(PeriodFilePath(history, "GBPUSD", per)));

    auto cases = RejectCases();
    // The same faults deep in a file that names the existing pair: found in
    // the conversion's pass, after temporaries were written.
    auto late = MakeBars(50000);
    late[40000].low = std::numeric_limits<double>::quiet_NaN();
    cases.push_back({"a bad record late in the pair's file", Bytes("GBPUSD", late),
                     SourceFault::Kind::kBadRecord, "第40001条记录"});
    auto lateNew = MakeBars(20000);
    lateNew[19999].time = 5;
    cases.push_back({"a bad record late in a new pair's file", Bytes("USDCHF", lateNew),
                     SourceFault::Kind::kBadRecord, "第20000条记录"});
    auto badHeader = Bytes("GBPUSD", MakeBars(10));
    badHeader[70] = '\x07';
    cases.push_back(
        {"a control byte in the symbol", badHeader, SourceFault::Kind::kBadSymbol, "\\x07"});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFileBytes(dir / "in.hst", c.bytes);
        ImportResult r = BuildPeriodFiles(dir / "in.hst", history, nullptr);
        EXPECT_TRUE(r.status == ImportResult::Status::kBadSource ||
                    r.status == ImportResult::Status::kBadSymbol)
            << static_cast<int>(r.status);
        EXPECT_NE(r.message.find(c.inMessage), std::string::npos) << r.message;
        std::vector<std::string> entries;
        for (const auto& e : files::ListFolder(dir.Path() + "/history")) entries.push_back(e.name);
        EXPECT_EQ(entries, std::vector<std::string>{"GBPUSD"});
        EXPECT_EQ(files::ListFolder(history + "GBPUSD").size(), 9u);
        for (int per = 0; per < period::kCount; ++per)
            EXPECT_EQ(ReadFileBytes(PeriodFilePath(history, "GBPUSD", per)), old[per])
                << period::kNames[per];
    }
}

TEST(SourceCheck, SymbolsAndTheirPrintableForm) {
    struct Case {
        const char* symbol;
        bool usable;
        const char* shown;
    } cases[] = {
        {"GBPUSD", true, "GBPUSD"},
        {"EURUSD.m", true, "EURUSD.m"},
        {"..X", true, "..X"},
        {"US30 Cash", true, "US30 Cash"},
        {"黄金", true, "黄金"},
        {"", false, ""},
        {".", false, "."},
        {"..", false, ".."},
        {"EUR/USD", false, "EUR/USD"},
        {"EUR\x01", false, "EUR\\x01"},
        {"\x7f", false, "\\x7F"},
        {"AB\xC0\xAF", false, "AB\\xC0\\xAF"},
        {"\xE9", false, "\\xE9"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsUsableSymbol(c.symbol), c.usable) << c.shown;
        EXPECT_EQ(PrintableSymbol(c.symbol), c.shown);
    }
}

}  // namespace
