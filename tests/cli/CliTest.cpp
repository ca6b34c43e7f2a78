#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <regex>
#include <sstream>

#include "cli/CliCommands.h"
#include "data/HistoryFile.h"
#include "data/HistoryHeader.h"
#include "data/HistoryLocation.h"
#include "data/Period.h"
#include "data/SampleHistory.h"
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

TEST(CliSample, EachSymbolItsOwnWalkAtItsOwnLevel) {
    TempDir dir;
    struct Case {
        const char* symbol;
        double low, high;  // where its first open lies
    } cases[] = {{"EURUSD", 1.0999, 1.1001}, {"GBPUSD", 1.2699, 1.2701}, {"USDJPY", 149.99, 150.01},
                 {"usdchf", 0.8999, 0.9001}, {"ABCJPY", 80.0, 120.0},    {"FOOBAR", 0.5, 2.0}};
    std::vector<std::vector<BarRecord>> walks;
    for (const auto& c : cases) {
        const std::string path = dir / (std::string(c.symbol) + ".hst");
        const auto r = Cli({"sample", path, "--symbol", c.symbol, "--bars", "3000"});
        ASSERT_EQ(r.code, 0) << r.err;
        const auto bars = Bars(ReadFileBytes(path));
        ASSERT_EQ(bars.size(), 3000u);
        EXPECT_GE(bars[0].open, c.low) << c.symbol;
        EXPECT_LE(bars[0].open, c.high) << c.symbol;
        // It says what it wrote: where, which pair, how many bars over which
        // time, and the seed and price that make it again.
        const std::regex said(std::regex_replace(path, std::regex("[.]"), "[.]") + ": " + c.symbol +
                              ", 3000 one-minute bars from 2020-01-01 22:00 to "
                              "2020-01-05 23:59 UTC, seed [0-9]+, starting price [0-9.]+\n");
        EXPECT_TRUE(std::regex_match(r.out, said)) << r.out;
        std::smatch m;
        ASSERT_TRUE(
            std::regex_search(r.out, m, std::regex("seed ([0-9]+), starting price ([0-9.]+)")));
        const auto again = Cli({"sample", dir / "again.hst", "--symbol", c.symbol, "--bars", "3000",
                                "--seed", m[1].str(), "--price", m[2].str()});
        ASSERT_EQ(again.code, 0) << again.err;
        EXPECT_EQ(ReadFileBytes(dir / "again.hst"), ReadFileBytes(path)) << c.symbol;
        walks.push_back(bars);
    }
    // No two pairs move alike: their minute returns are uncorrelated (one
    // seed for all would make them move as one).
    auto returns = [](const std::vector<BarRecord>& bars) {
        std::vector<double> r;
        for (std::size_t i = 1; i < bars.size(); ++i)
            r.push_back(std::log(bars[i].close / bars[i - 1].close));
        return r;
    };
    for (std::size_t a = 0; a < walks.size(); ++a)
        for (std::size_t b = a + 1; b < walks.size(); ++b) {
            const auto x = returns(walks[a]), y = returns(walks[b]);
            double mx = 0, my = 0;
            for (std::size_t i = 0; i < x.size(); ++i) mx += x[i] / x.size(), my += y[i] / y.size();
            double sxy = 0, sxx = 0, syy = 0;
            for (std::size_t i = 0; i < x.size(); ++i) {
                sxy += (x[i] - mx) * (y[i] - my);
                sxx += (x[i] - mx) * (x[i] - mx);
                syy += (y[i] - my) * (y[i] - my);
            }
            EXPECT_LT(std::fabs(sxy / std::sqrt(sxx * syy)), 0.2)
                << cases[a].symbol << " and " << cases[b].symbol;
        }
}

TEST(CliSample, RefusesBarsPast2038) {
    TempDir dir;
    const auto r = Cli({"sample", dir / "big.hst", "--bars", "7000000"});
    EXPECT_NE(r.code, 0);
    EXPECT_NE(r.err.find("2038"), std::string::npos) << r.err;
    SampleOptions o;
    const std::string most = std::to_string(SampleMaxBars(o));
    EXPECT_NE(r.err.find("at most " + most + " bars"), std::string::npos) << r.err;
    EXPECT_FALSE(files::Exists(dir / "big.hst"));

    // The last bar's time as the file holds it, and the limit around 2038.
    o.bars = 20000;
    ASSERT_TRUE(WriteSampleHistory(dir / "s.hst", o, nullptr));
    EXPECT_EQ(Bars(ReadFileBytes(dir / "s.hst")).back().time, SampleLastBarTime(o));
    o.bars = SampleMaxBars(o);
    EXPECT_LE(SampleLastBarTime(o), std::numeric_limits<std::int32_t>::max());
    EXPECT_GT(SampleLastBarTime(o), std::numeric_limits<std::int32_t>::max() - 60);
    ++o.bars;
    EXPECT_GT(SampleLastBarTime(o), std::numeric_limits<std::int32_t>::max());
    o.bars = std::numeric_limits<std::uint64_t>::max();
    EXPECT_GT(SampleLastBarTime(o), std::numeric_limits<std::int32_t>::max());
    std::string error;
    EXPECT_FALSE(WriteSampleHistory(dir / "max.hst", o, &error));
    EXPECT_NE(error.find("2038"), std::string::npos);
}

TEST(CliSession, NextStopsAtTheEndAndSaysItOnce) {
    TempDir dir;
    ASSERT_EQ(Cli({"sample", dir / "s.hst", "--bars", "720"}).code, 0);  // three H4 bars
    ASSERT_EQ(Cli({"import", dir / "s.hst", "--history", dir / "h"}).code, 0);
    std::istringstream in("next 1000\nprint cursor\nnext 2\n");
    std::ostringstream out, err;
    ASSERT_EQ(RunCli({"session", "--history", dir / "h"}, in, out, err), 0);
    EXPECT_EQ(out.str(),
              "message: 已经到结尾!\n"
              "cursor 2 H4\n"
              "message: 已经到结尾!\n");

    // Without a pair the message comes once too.
    std::istringstream none("next 1000\n");
    std::ostringstream said;
    ASSERT_EQ(RunCli({"session", "--history", dir / "empty"}, none, said, err), 0);
    EXPECT_EQ(said.str(), "message: 请选择货币或者载入货币历史数据！\n");
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

TEST(CliImport, TakesTextAnd60ByteHistoriesAndRefusesTheRest) {
    TempDir dir;
    std::string csv;
    for (int i = 10; i < 50; ++i)
        csv += "2020.01.02,00:" + std::to_string(i) + ",1.0999,1.1001,1.0998,1.1000,17\n";
    WriteFileBytes(dir / "prices.csv", csv);
    WriteFileBytes(dir / "bad.csv", csv + "2020.01.02,00:61,1.0999,1.1001,1.0998,1.1000,17\n");
    std::string v401(148 + 60 * 4, '\0');
    v401[0] = static_cast<char>(401 & 0xFF);
    v401[1] = static_cast<char>(401 >> 8);
    std::memcpy(&v401[68], "USDCHF", 6);
    for (int i = 0; i < 4; ++i) {
        std::int64_t t = 1104537600 + i * 60;
        double p[4] = {1.1, 1.2, 1.0, 1.15};  // open, high, low, close
        std::memcpy(&v401[148 + 60 * i], &t, 8);
        std::memcpy(&v401[148 + 60 * i + 8], p, 32);
    }
    WriteFileBytes(dir / "v401.hst", v401);

    auto r = Cli({"import", dir / "prices.csv", "--history", dir / "h", "--symbol", "EURUSD"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "EURUSD\n");
    EXPECT_EQ(GetBarCount(dir.Path() + "/h/", "EURUSD", period::M1), 40u);
    r = Cli({"import", dir / "v401.hst", "--history", dir / "h"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "USDCHF\n");
    EXPECT_EQ(GetBarCount(dir.Path() + "/h/", "USDCHF", period::M1), 4u);

    ASSERT_EQ(::mkfifo((dir / "pipe.hst").c_str(), 0600), 0);
    struct Case {
        const char* file;
        const char* inError;
    } cases[] = {{"bad.csv", "第41行"}, {"pipe.hst", "不是普通文件"}};
    for (const auto& c : cases) {
        auto r = Cli({"import", dir / c.file, "--history", dir / "h2"});
        EXPECT_EQ(r.code, 1) << c.file;
        EXPECT_NE(r.err.find(c.inError), std::string::npos) << r.err;
        EXPECT_TRUE(r.out.empty());
        EXPECT_FALSE(files::Exists(dir / "h2")) << c.file;
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
