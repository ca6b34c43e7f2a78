#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <cstring>
#include <sstream>

#include "cli/CliCommands.h"
#include "data/HistoryFile.h"
#include "data/HistoryHeader.h"
#include "data/HistoryLocation.h"
#include "data/Period.h"
#include "platform/Files.h"
#include "support/TestSupport.h"

namespace {

struct Run {
    int code;
    std::string out, err;
};

Run Cli(std::vector<std::string> args) {
    std::istringstream in;
    std::ostringstream out, err;
    int code = RunCli(args, in, out, err);
    return {code, out.str(), err.str()};
}

std::vector<BarRecord> Bars(const std::string& bytes) {
    std::vector<BarRecord> bars;
    for (std::size_t off = HistoryHeader::kSize; off + BarRecord::kSize <= bytes.size();
         off += BarRecord::kSize)
        bars.push_back(BarRecord::Decode(reinterpret_cast<const unsigned char*>(bytes.data()) + off));
    return bars;
}

TEST(CliSample, SeededAndShapedLikeAPair) {
    TempDir dir;
    ASSERT_EQ(Cli({"sample", dir / "a.hst", "--bars", "20000", "--seed", "7"}).code, 0);
    ASSERT_EQ(Cli({"sample", dir / "b.hst", "--bars", "20000", "--seed", "7"}).code, 0);
    ASSERT_EQ(Cli({"sample", dir / "c.hst", "--bars", "20000", "--seed", "8"}).code, 0);
    const std::string a = ReadFileBytes(dir / "a.hst");
    EXPECT_EQ(a, ReadFileBytes(dir / "b.hst"));
    EXPECT_NE(a, ReadFileBytes(dir / "c.hst"));
    ASSERT_EQ(a.size(), HistoryHeader::kSize + 20000 * BarRecord::kSize);

    HistoryHeader h;
    std::copy(a.begin(), a.begin() + HistoryHeader::kSize, h.bytes.begin());
    EXPECT_EQ(h.GetSymbol(), "EURUSD");
    EXPECT_EQ(h.GetPeriod(), 1);

    auto bars = Bars(a);
    int weekendGaps = 0;
    double sumRange = 0, maxOpenGap = 0;
    for (std::size_t i = 0; i < bars.size(); ++i) {
        const auto& b = bars[i];
        ASSERT_LE(b.low, std::min(b.open, b.close)) << i;
        ASSERT_GE(b.high, std::max(b.open, b.close)) << i;
        ASSERT_GT(b.low, 0.0);
        // No bar between Friday 22:00 and Sunday 22:00 UTC (1970-01-01 was a Thursday).
        int inWeek = (b.time % (7 * 86400));
        ASSERT_FALSE(inWeek >= 86400 + 22 * 3600 && inWeek < 3 * 86400 + 22 * 3600) << i;
        sumRange += b.high - b.low;
        if (i > 0) {
            int step = b.time - bars[i - 1].time;
            ASSERT_GE(step, 60);
            if (step > 86400) ++weekendGaps;
            maxOpenGap = std::max(maxOpenGap, std::fabs(b.open - bars[i - 1].close));
        }
    }
    EXPECT_GE(weekendGaps, 1);  // 20000 minutes span two weekends
    EXPECT_LE(maxOpenGap, 0.00002);  // opens at or a tick away from the previous close
    const double meanRangePips = sumRange / bars.size() * 1e4;
    EXPECT_GT(meanRangePips, 0.3);
    EXPECT_LT(meanRangePips, 10.0);
    EXPECT_NEAR(bars[0].open, 1.1, 1e-9);

    ASSERT_EQ(Cli({"sample", dir / "j.hst", "--symbol", "USDJPY", "--price", "150", "--bars",
                   "10"}).code,
              0);
    auto jpy = Bars(ReadFileBytes(dir / "j.hst"));
    EXPECT_NEAR(jpy[0].open, 150.0, 1e-9);
}

TEST(CliSample, BadArguments) {
    TempDir dir;
    for (auto args : std::vector<std::vector<std::string>>{
             {"sample"},
             {"sample", dir / "x.hst", "--bars", "many"},
             {"sample", dir / "x.hst", "--price", "-1"},
             {"sample", dir / "x.hst", "--symbol", "ABCDEFGHIJKLM"},
             {"sample", dir / "x.hst", "--colour", "red"},
             {"sample", dir / "no/such/folder/x.hst"},
             {"frobnicate"}}) {
        auto r = Cli(args);
        EXPECT_NE(r.code, 0) << args.size();
        EXPECT_FALSE(r.err.empty());
    }
}

TEST(CliImport, PrintsTheSymbolOrAClearError) {
    TempDir dir;
    ASSERT_EQ(Cli({"sample", dir / "s.hst", "--symbol", "GBPUSD", "--bars", "3000"}).code, 0);
    auto r = Cli({"import", dir / "s.hst", "--history", dir / "h"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "GBPUSD\n");
    EXPECT_EQ(GetBarCount(dir.Path() + "/h/", "GBPUSD", period::H1), 50u);
    EXPECT_EQ(ReadFileBytes(dir / "s.hst"), ReadFileBytes(dir / "h/GBPUSD/GBPUSDM1.hst"));

    r = Cli({"import", dir / "missing.hst", "--history", dir / "h"});
    EXPECT_NE(r.code, 0);
    EXPECT_NE(r.err.find("missing.hst"), std::string::npos);
    EXPECT_TRUE(r.out.empty());

    WriteHst(dir / "bad.hst", "..", MakeBars(5));
    r = Cli({"import", dir / "bad.hst", "--history", dir / "h"});
    EXPECT_NE(r.code, 0);
    EXPECT_NE(r.err.find("\"..\""), std::string::npos) << r.err;
}

TEST(CliImport, RefusesWhatIsNotAOneMinuteHistory) {
    TempDir dir;
    std::string csv;
    for (int i = 10; i < 50; ++i)
        csv += "2020.01.02,00:" + std::to_string(i) + ",1.0999,1.1001,1.0998,1.1000,17\n";
    WriteFileBytes(dir / "prices.csv", csv);
    std::string v401(148 + 60 * 4, '\0');
    v401[0] = static_cast<char>(401 & 0xFF);
    v401[1] = static_cast<char>(401 >> 8);
    std::memcpy(&v401[68], "EURUSD", 6);
    for (int i = 0; i < 4; ++i) {
        std::int64_t t = 1104537600 + i * 60;
        double p[4] = {1.1, 1.0, 1.2, 1.15};
        std::memcpy(&v401[148 + 60 * i], &t, 8);
        std::memcpy(&v401[148 + 60 * i + 8], p, 32);
    }
    WriteFileBytes(dir / "v401.hst", v401);
    ASSERT_EQ(::mkfifo((dir / "pipe.hst").c_str(), 0600), 0);
    struct Case {
        const char* file;
        const char* inError;
    } cases[] = {{"prices.csv", "条记录"}, {"v401.hst", "401版"}, {"pipe.hst", "不是普通文件"}};
    for (const auto& c : cases) {
        auto r = Cli({"import", dir / c.file, "--history", dir / "h"});
        EXPECT_EQ(r.code, 1) << c.file;
        EXPECT_NE(r.err.find(c.inError), std::string::npos) << r.err;
        EXPECT_TRUE(r.out.empty());
        EXPECT_FALSE(files::Exists(dir / "h")) << c.file;
    }
}

TEST(CliHistory, PairsAndTheFolderTheTrainerUses) {
    TempDir dir;
    WriteHst(dir / "a.hst", "EURUSD.m", MakeBars(100));
    WriteHst(dir / "b.hst", "gbpusd", MakeBars(100));
    WriteHst(dir / "c.hst", "GBPUSD", MakeBars(100));
    for (const char* f : {"a.hst", "b.hst", "c.hst"})
        ASSERT_EQ(Cli({"import", dir / f, "--history", dir / "h"}).code, 0);
    auto r = Cli({"pairs", "--history", dir / "h"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "EURUSD.m\ngbpusd\n");  // the second file went into the first's folder

    r = Cli({"history"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, DefaultHistoryFolder(GetProgramFolder()) + "\n");
    EXPECT_NE(Cli({"history", "--history", dir / "h"}).code, 0);
}

}  // namespace
