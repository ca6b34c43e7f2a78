#include <gtest/gtest.h>

#include <cstring>

#include "data/KBarIndex.h"

#include "data/HistoryFile.h"
#include "data/HistoryHeader.h"
#include "data/Period.h"
#include "platform/Files.h"
#include "support/TestSupport.h"

namespace {

BarRecord Sample() {
    BarRecord b;
    b.time = 1104537600;
    b.open = 1.9160;
    b.low = 1.9150;
    b.high = 1.9180;
    b.close = 1.9175;
    b.volume = 42.0;
    return b;
}

TEST(BarRecord, LayoutIsLittleEndianWithLowBeforeHigh) {
    unsigned char raw[BarRecord::kSize];
    Sample().Encode(raw);
    // time 1104537600 = 0x41D5E800
    EXPECT_EQ(raw[0], 0x00);
    EXPECT_EQ(raw[1], 0xE8);
    EXPECT_EQ(raw[2], 0xD5);
    EXPECT_EQ(raw[3], 0x41);
    auto dbl = [&](int off) {
        double v;
        std::memcpy(&v, raw + off, 8);
        return v;
    };
    EXPECT_EQ(dbl(4), 1.9160);
    EXPECT_EQ(dbl(12), 1.9150);  // low
    EXPECT_EQ(dbl(20), 1.9180);  // high
    EXPECT_EQ(dbl(28), 1.9175);
    EXPECT_EQ(dbl(36), 42.0);
    EXPECT_EQ(BarRecord::Decode(raw), Sample());
}

TEST(HistoryHeader, SymbolOfTwelveBytesWithoutNul) {
    HistoryHeader h;
    h.bytes.fill(0xFF);
    std::memcpy(h.bytes.data() + 68, "ABCDEFGHIJKL", 12);
    EXPECT_EQ(h.GetSymbol(), "ABCDEFGHIJKL");
    h.SetSymbol("GBPUSD");
    EXPECT_EQ(h.GetSymbol(), "GBPUSD");
    h.SetPeriod(240);
    EXPECT_EQ(h.bytes[80], 240);
    EXPECT_EQ(h.GetPeriod(), 240);
}

TEST(HistoryFile, BarCountFromLength) {
    TempDir dir;
    std::string history = dir.Path() + "/";
    files::CreateFolder(dir / "EURUSD");
    const std::string path = PeriodFilePath(history, "EURUSD", period::H4);
    EXPECT_EQ(path, dir.Path() + "/EURUSD/EURUSDH4.hst");
    struct Case {
        std::size_t length;
        unsigned bars;
    } cases[] = {{0, 0}, {100, 0}, {148, 0}, {148 + 44 * 3, 3}, {148 + 44 * 3 + 20, 3},
                 {148 + 44 * 5 - 1, 4}};
    for (const auto& c : cases) {
        WriteFileBytes(path, std::string(c.length, '\0'));
        EXPECT_EQ(GetBarCount(history, "EURUSD", period::H4), c.bars) << c.length;
    }
    EXPECT_EQ(GetBarCount(history, "NOSUCH", period::H4), 0u);
}

TEST(HistoryFile, ReadBarByIndexAndLeavesRecordAloneWithoutData) {
    TempDir dir;
    std::string history = dir.Path() + "/";
    files::CreateFolder(dir / "GBPUSD");
    auto bars = MakeBars(3);
    WriteHst(PeriodFilePath(history, "GBPUSD", period::M1), "GBPUSD", bars, 20);

    BarRecord bar;
    ASSERT_TRUE(ReadBar(bar, 2, history, "GBPUSD", period::M1));
    EXPECT_EQ(bar, bars[2]);

    const BarRecord before = Sample();
    struct Case {
        const char* what;
        int index;
        const char* symbol;
        int period;
    } cases[] = {{"index == count (only a partial record there)", 3, "GBPUSD", period::M1},
                 {"far beyond the end", 1000, "GBPUSD", period::M1},
                 {"missing symbol folder", 0, "EURUSD", period::M1},
                 {"missing period file", 0, "GBPUSD", period::D1}};
    for (const auto& c : cases) {
        BarRecord b = before;
        EXPECT_FALSE(ReadBar(b, c.index, history, c.symbol, c.period)) << c.what;
        EXPECT_EQ(b, before) << c.what;
    }
}

TEST(HistoryFile, ProgramFolderEndsInSlash) {
    std::string folder = GetProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '/');
    EXPECT_TRUE(files::IsFolder(folder));
}

TEST(KBarIndex, ChangePeriodWorkedValues) {
    struct Case {
        int index, from, to, expected;
    } cases[] = {{9, period::M1, period::M5, 2},   {8, period::M1, period::M5, 1},
                 {2, period::M5, period::M1, 10},  {3, period::H4, period::M15, 48},
                 {48, period::M15, period::H4, 3}, {2, period::W1, period::MN, 0},
                 {6, period::D1, period::D1, 6},   {-1, period::H4, period::M1, 0}};
    for (const auto& c : cases) {
        CKBarIndex cursor;
        cursor.Init(c.index, c.from);
        cursor.ChangePeriod(c.to);
        EXPECT_EQ(cursor.GetIndex(), c.expected) << c.index << " " << c.from << "->" << c.to;
        EXPECT_EQ(cursor.GetPeriod(), c.to);
    }
}

}  // namespace
