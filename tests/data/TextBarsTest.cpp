#include <fcntl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "data/BarRecord.h"
#include "data/Endian.h"
#include "data/ForeignConversion.h"
#include "data/TextBars.h"
#include "platform/Format.h"
#include "support/TestSupport.h"

namespace {

std::vector<BarRecord> Decode(const CRecordBuffer& records) {
    std::vector<BarRecord> bars;
    for (std::size_t at = 0; at + BarRecord::kSize <= records.size(); at += BarRecord::kSize)
        bars.push_back(BarRecord::Decode(records.data() + at));
    return bars;
}

// The one-pass reading of plain lines gives exactly what the general reader
// (and strtod) gives, however the digits fall.
TEST(TextBarsTest, NumbersReadAsTheGeneralReaderReadsThem) {
    const char* const numbers[] = {
        "1.10000",          "0.5",         ".5",      "1.",     "-1.25",          "00001.0000100",
        "123456.789012345", "99999999.9",  "1.2345678", "12345678.12345", "123456789012345",
        "1234567890123456", "1.234567890123456789", "1e-3",   "+1.5",   "147.123",
    };
    for (const char* n : numbers) {
        SCOPED_TRACE(n);
        // A bar with the number as its open and its low, and what follows
        // a price in every position of the line.
        const std::string line = std::string("2020.01.02,10:00,") + n + ",1e9," + n + ",2," + n;
        CRecordBuffer out;
        CTextBars bars(&out);
        std::uint64_t lines = 0;
        ASSERT_TRUE(bars.Lines(line + "\n" + line, &lines)) << bars.What();
        EXPECT_EQ(lines, 2u);
        const std::vector<BarRecord> got = Decode(out);
        ASSERT_EQ(got.size(), 2u);
        const double expected = std::strtod(n, nullptr);
        for (const BarRecord& bar : got) {
            EXPECT_EQ(bar.time, 1577959200);
            EXPECT_EQ(bar.open, expected);
            EXPECT_EQ(bar.low, expected);
            EXPECT_EQ(bar.volume, expected);
            EXPECT_EQ(bar.high, 1e9);
            EXPECT_EQ(bar.close, 2.0);
        }
    }
}

// Lines the one-pass reading leaves to the general one, and lines it takes,
// side by side: the same bars, the same faults.
TEST(TextBarsTest, OddLinesGoTheGeneralWay) {
    struct Case {
        const char* line;
        bool ok;
        double open;
    } cases[] = {
        {"2020.01.02,10:00,1.5,2,1,1.5,7", true, 1.5},
        {"\"2020.01.02\",\"10:00\",\"1.5\",\"2\",\"1\",\"1.5\",\"7\"", true, 1.5},
        {"2020.01.02, 10:00 , 1.5 ,2,1,1.5,7", true, 1.5},
        {"2020.1.2,10:00,1.5,2,1,1.5,7", true, 1.5},
        {"2020.01.02,10:00,1.5,2,1,1.5", true, 1.5},
        {"2020.01.02,10:00,1.5,2,1,1.5,", true, 1.5},
        {"2020.01.02,10:00,1.5,2,1,1.5,7,extra,columns", true, 1.5},
        {"2020.01.02,10:00,1.5,2,1,1.5,7\r", true, 1.5},
        {"2020.01.02,24:00,1.5,2,1,1.5,7", false, 0},
        {"2020.02.30,10:00,1.5,2,1,1.5,7", false, 0},
        {"2020.01.02,10:00,1.5x,2,1,1.5,7", false, 0},
        {"2020.01.02,10:00,1.5,2,1", false, 0},
        {"2020.01.02,10:00,1.5,2,1,1.5,seven", false, 0},
        {"2020.01.021,10:00,1.5,2,1,1.5,7", false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        CRecordBuffer out;
        CTextBars bars(&out);
        std::uint64_t lines = 0;
        // The first line sets the layout the way a file's first line does.
        const std::string text = std::string("2020.01.02,09:59,1,1,1,1,1\n") + c.line + "\n";
        EXPECT_EQ(bars.Lines(text, &lines), c.ok) << bars.What();
        const std::vector<BarRecord> got = Decode(out);
        if (c.ok) {
            ASSERT_EQ(got.size(), 2u);
            EXPECT_EQ(got[1].time, 1577959200);
            EXPECT_EQ(got[1].open, c.open);
        } else {
            EXPECT_EQ(bars.BadLine(), 2u);
            EXPECT_FALSE(bars.What().empty());
        }
    }
    // With semicolons a comma is a decimal point: a close of "1.5,3" is no
    // number, not a close and a volume (found by fuzzing).
    CRecordBuffer out;
    CTextBars bars(&out);
    std::uint64_t lines = 0;
    EXPECT_FALSE(bars.Lines("2020.01.02;09:59;1;1;1;1;1\n2020.01.02;10:00;1.5;2;1;1.5,3\n", &lines));
    EXPECT_EQ(bars.BadLine(), 2u);
}

struct Converted {
    std::vector<BarRecord> bars;
    std::string failure;
    std::uint64_t done = 0;
    int blocks = 0;
};

Converted Convert(const std::string& path, std::uint64_t stretch) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    const std::uint64_t size = ReadFileBytes(path).size();
    CForeignConversion conversion(CForeignConversion::Kind::kText, fd, size, path, "EURUSD", {},
                                  stretch);
    Converted out;
    for (ConvertedBlock* b; (b = conversion.Next());) {
        ++out.blocks;
        const std::vector<BarRecord> bars = Decode(b->records);
        out.bars.insert(out.bars.end(), bars.begin(), bars.end());
        EXPECT_GE(b->sourceDone, out.done);
        out.done = b->sourceDone;
        out.failure = b->failure;
        const bool last = b->last || !b->failure.empty();
        conversion.Release(b);
        if (last) break;
    }
    return out;
}

// Texts without a bar end with one empty block (the file may have changed
// since it was taken for a text).
TEST(TextBarsTest, TextsWithoutBarsEndAtOnce) {
    TempDir dir;
    for (const char* text : {"", "\n\n", "\n   ", "\xEF\xBB\xBF\r\n\t",
                             "Date,Time,Open,High,Low,Close", "Date;Time;Open;High;Low;Close\n\n"}) {
        SCOPED_TRACE(text);
        WriteFileBytes(dir / "EURUSD.csv", text);
        const Converted none = Convert(dir / "EURUSD.csv", 4);
        EXPECT_EQ(none.failure, "");
        EXPECT_EQ(none.blocks, 1);
        EXPECT_TRUE(none.bars.empty());
    }
}

// The text is cut into stretches parsed by several threads: wherever the cuts
// fall (inside a line, on a newline, between CR and LF, through a line
// longer than a stretch), the bars and their order are those of one pass,
// and a bad line is named by its number in the whole file.
TEST(TextBarsTest, StretchesGiveTheBarsOfOnePass) {
    TempDir dir;
    std::string text = "\xEF\xBB\xBF" "Date,Time,Open,High,Low,Close,Volume\r\n\r\n";
    for (int i = 0; i < 200; ++i) {
        const int minute = i % 60, hour = 10 + i / 60;
        text += FormatString("2020.01.02,%02d:%02d,1.%05d,1.5,1.0,1.2,%d", hour, minute, i, i);
        if (i % 37 == 0) text += std::string(300, ' ');  // longer than the small stretches
        text += i % 3 ? "\r\n" : "\n";
        if (i % 50 == 0) text += "\n";
    }
    text += "2020.01.02,20:00,1.1,1.5,1.0,1.2,9";  // no newline at the end
    WriteFileBytes(dir / "EURUSD.csv", text);

    const Converted whole = Convert(dir / "EURUSD.csv", 1u << 30);
    ASSERT_EQ(whole.failure, "");
    ASSERT_EQ(whole.bars.size(), 201u);
    EXPECT_EQ(whole.bars[7].open, 1.00007);
    EXPECT_EQ(whole.done, text.size());
    for (std::uint64_t stretch : {1u, 2u, 3u, 7u, 64u, 333u, 1000u, 4096u}) {
        SCOPED_TRACE(stretch);
        const Converted cut = Convert(dir / "EURUSD.csv", stretch);
        EXPECT_EQ(cut.failure, "");
        EXPECT_EQ(cut.done, text.size());
        EXPECT_GT(cut.blocks, 1);
        EXPECT_EQ(cut.bars, whole.bars);
    }

    // Bar 150 is bad, on line 156: two lines before the first bar, a blank
    // line after bars 0, 50 and 100, and one bar a line.
    const std::size_t at = text.find("2020.01.02,12:30");
    ASSERT_NE(at, std::string::npos);
    std::string bad = text;
    bad.replace(at, 10, "2020.13.02");
    WriteFileBytes(dir / "EURUSD.csv", bad);
    for (std::uint64_t stretch : {5u, 1000u, 1u << 30}) {
        SCOPED_TRACE(stretch);
        const Converted cut = Convert(dir / "EURUSD.csv", stretch);
        EXPECT_NE(cut.failure.find("第156行"), std::string::npos) << cut.failure;
    }
}

}  // namespace
