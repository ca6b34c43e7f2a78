#include <fcntl.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <stop_token>

#include "data/Endian.h"
#include "data/ForeignConversion.h"
#include "data/HistoryFile.h"
#include "data/Period.h"
#include "data/SourceFormats.h"
#include "platform/Files.h"
#include "platform/Format.h"
#include "support/TestSupport.h"

namespace {

// Bars whose prices print exactly with five decimals, as exports write them.
std::vector<BarRecord> ExportedBars(std::size_t count) {
    std::vector<BarRecord> bars = MakeBars(count, 1.2);
    for (std::size_t i = 0; i < bars.size(); ++i) {
        auto& b = bars[i];
        b.close = b.open + ((i % 3) * 0.0002) - 0.0002;  // the helper's close is not a price
        b.low = std::min(b.open, b.close) - 0.0001;
        b.high = std::max(b.open, b.close) + 0.0003;
        for (double* p : {&b.open, &b.low, &b.high, &b.close})
            *p = std::strtod(FormatString("%.5f", *p).c_str(), nullptr);
    }
    return bars;
}

struct Moment {
    int y, mo, d, h, mi;
};
Moment MomentOf(std::int32_t t) {
    const std::time_t tt = t;
    std::tm tm{};
    gmtime_r(&tt, &tm);
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min};
}

struct Layout {
    const char* name;
    const char* file;
    const char* header;  // "" for none
    std::function<std::string(const BarRecord&)> row;
    const char* eol = "\n";
};

std::string P(double v) {
    return FormatString("%.5f", v);
}
std::string PComma(double v) {
    std::string s = P(v);
    s[s.find('.')] = ',';
    return s;
}

const std::vector<Layout>& Layouts() {
    static const std::vector<Layout> layouts = {
        {"date and time columns, comma, no header", "EURUSD1.csv", "",
         [](const BarRecord& b) {
             Moment m = MomentOf(b.time);
             return FormatString("%04d.%02d.%02d,%02d:%02d,", m.y, m.mo, m.d, m.h, m.mi) +
                    P(b.open) + "," + P(b.high) + "," + P(b.low) + "," + P(b.close) + "," +
                    FormatString("%.0f", b.volume);
         }},
        {"tab separated with a bracketed header", "EURUSD_M1_export.csv",
         "<DATE>\t<TIME>\t<OPEN>\t<HIGH>\t<LOW>\t<CLOSE>\t<TICKVOL>\t<VOL>\t<SPREAD>",
         [](const BarRecord& b) {
             Moment m = MomentOf(b.time);
             return FormatString("%04d.%02d.%02d\t%02d:%02d:00\t", m.y, m.mo, m.d, m.h, m.mi) +
                    P(b.open) + "\t" + P(b.high) + "\t" + P(b.low) + "\t" + P(b.close) + "\t" +
                    FormatString("%.0f\t0\t2", b.volume);
         }},
        {"one column YYYYMMDD HHMMSS, semicolon", "DAT_ASCII_EURUSD_M1_2005.csv", "",
         [](const BarRecord& b) {
             Moment m = MomentOf(b.time);
             return FormatString("%04d%02d%02d %02d%02d00;", m.y, m.mo, m.d, m.h, m.mi) +
                    P(b.open) + ";" + P(b.high) + ";" + P(b.low) + ";" + P(b.close) + ";" +
                    FormatString("%.0f", b.volume);
         }},
        {"ISO date and time in one column with a header, CRLF", "eurusd.txt",
         "Date,Open,High,Low,Close,Volume",
         [](const BarRecord& b) {
             Moment m = MomentOf(b.time);
             return FormatString("%04d-%02d-%02d %02d:%02d:00,", m.y, m.mo, m.d, m.h, m.mi) +
                    P(b.open) + "," + P(b.high) + "," + P(b.low) + "," + P(b.close) + "," +
                    FormatString("%.0f", b.volume);
         },
         "\r\n"},
        {"day first with milliseconds", "EURUSD_Candlestick_1_M_BID.csv",
         "Gmt time,Open,High,Low,Close,Volume",
         [](const BarRecord& b) {
             Moment m = MomentOf(b.time);
             return FormatString("%02d.%02d.%04d %02d:%02d:00.000,", m.d, m.mo, m.y, m.h, m.mi) +
                    P(b.open) + "," + P(b.high) + "," + P(b.low) + "," + P(b.close) + "," +
                    FormatString("%.0f", b.volume);
         }},
        {"semicolons with decimal commas, columns in another order", "EURUSD.csv",
         "Time;Date;Close;Open;Low;High",
         [](const BarRecord& b) {
             Moment m = MomentOf(b.time);
             return FormatString("%02d%02d;%04d/%02d/%02d;", m.h, m.mi, m.y, m.mo, m.d) +
                    PComma(b.close) + ";" + PComma(b.open) + ";" + PComma(b.low) + ";" +
                    PComma(b.high);
         }},
    };
    return layouts;
}

std::string Records(const std::string& file) {
    std::string bytes = ReadFileBytes(file);
    return bytes.size() < HistoryHeader::kSize ? "" : bytes.substr(HistoryHeader::kSize);
}

// Volumes are dropped where a layout carries none.
std::vector<BarRecord> WithoutVolume(std::vector<BarRecord> bars) {
    for (auto& b : bars) b.volume = 0;
    return bars;
}

TEST(SourceFormatsTest, EveryTextLayoutImportsToTheFilesOfTheSameBars) {
    const std::vector<BarRecord> bars = ExportedBars(1500);
    for (const Layout& layout : Layouts()) {
        SCOPED_TRACE(layout.name);
        TempDir dir;
        std::string text;
        if (*layout.header) text += std::string(layout.header) + layout.eol;
        for (const auto& b : bars) text += layout.row(b) + layout.eol;
        WriteFileBytes(dir / layout.file, text);

        const bool hasVolume = layout.row(bars[0]).size() > 0 &&
                               std::string(layout.name).find("another order") == std::string::npos;
        WriteHst(dir / "ref.hst", "EURUSD", hasVolume ? bars : WithoutVolume(bars));
        ASSERT_EQ(BuildPeriodFiles(dir / "ref.hst", dir / "ref/", nullptr).status,
                  ImportResult::Status::kOk);

        ImportResult r = ImportHistorySource(dir / layout.file, dir / "history/", nullptr);
        ASSERT_EQ(r.status, ImportResult::Status::kOk) << r.message;
        EXPECT_EQ(r.symbol, "EURUSD");
        for (int per = 0; per < period::kCount; ++per)
            EXPECT_EQ(Records(PeriodFilePath(dir / "history/", "EURUSD", per)),
                      Records(PeriodFilePath(dir / "ref/", "EURUSD", per)))
                << period::kNames[per];
        // The converted temporary does not stay behind.
        for (const auto& e : files::ListFolder(dir / "history"))
            EXPECT_EQ(e.name.rfind(".convert-", 0), std::string::npos) << e.name;
    }
}

void WriteHst401(const std::string& path, const std::string& symbol,
                 const std::vector<BarRecord>& bars, std::int64_t timeShift = 0) {
    std::string out(HistoryHeader::kSize, '\0');
    le::Store<std::int32_t>(reinterpret_cast<unsigned char*>(&out[0]), 401);
    std::memcpy(&out[HistoryHeader::kSymbolOffset], symbol.data(), symbol.size());
    for (const auto& b : bars) {
        unsigned char r[60] = {};
        le::Store<std::int64_t>(r, b.time + timeShift);
        le::Store<double>(r + 8, b.open);
        le::Store<double>(r + 16, b.high);
        le::Store<double>(r + 24, b.low);
        le::Store<double>(r + 32, b.close);
        le::Store<std::int64_t>(r + 40, static_cast<std::int64_t>(b.volume));
        le::Store<std::int32_t>(r + 48, 12);
        out.append(reinterpret_cast<char*>(r), sizeof r);
    }
    WriteFileBytes(path, out);
}

TEST(SourceFormatsTest, HistoryOf60ByteRecordsImportsLikeTheSame44ByteFile) {
    TempDir dir;
    const std::vector<BarRecord> bars = ExportedBars(700);
    WriteHst401(dir / "v401.hst", "USDJPY", bars);
    WriteHst(dir / "ref.hst", "USDJPY", bars);
    ASSERT_EQ(BuildPeriodFiles(dir / "ref.hst", dir / "ref/", nullptr).status,
              ImportResult::Status::kOk);
    ImportResult r = ImportHistorySource(dir / "v401.hst", dir / "history/", nullptr);
    ASSERT_EQ(r.status, ImportResult::Status::kOk) << r.message;
    EXPECT_EQ(r.symbol, "USDJPY");
    for (int per = 0; per < period::kCount; ++per)
        EXPECT_EQ(Records(PeriodFilePath(dir / "history/", "USDJPY", per)),
                  Records(PeriodFilePath(dir / "ref/", "USDJPY", per)));
}

// The 60-byte records are converted in blocks: wherever the blocks end, the
// records are those of the file, and a time past 2038 is named by its
// record.
TEST(SourceFormatsTest, BlocksOf60ByteRecordsGiveTheFilesRecords) {
    TempDir dir;
    const std::vector<BarRecord> bars = ExportedBars(50);
    for (bool late : {false, true}) {
        WriteHst401(dir / "v401.hst", "USDJPY", bars);
        if (late) {
            // Record 37's time beyond 32 bits.
            std::string bytes = ReadFileBytes(dir / "v401.hst");
            le::Store<std::int64_t>(
                reinterpret_cast<unsigned char*>(&bytes[HistoryHeader::kSize + 36 * 60]),
                std::int64_t{1} << 33);
            WriteFileBytes(dir / "v401.hst", bytes);
        }
        const std::string path = dir / "v401.hst";
        for (std::uint64_t stretch : {1u, 60u, 61u, 119u, 600u, 1u << 30}) {
            SCOPED_TRACE(stretch);
            CForeignConversion conversion(CForeignConversion::Kind::kHistory401,
                                          ::open(path.c_str(), O_RDONLY | O_CLOEXEC),
                                          ReadFileBytes(path).size(), path, "", {}, stretch);
            std::vector<BarRecord> got;
            std::string failure;
            std::uint64_t done = 0;
            for (ConvertedBlock* b; (b = conversion.Next());) {
                for (std::size_t at = 0; at < b->records.size(); at += BarRecord::kSize)
                    got.push_back(BarRecord::Decode(b->records.data() + at));
                failure = b->failure;
                done = b->sourceDone;
                const bool last = b->last || !failure.empty();
                conversion.Release(b);
                if (last) break;
            }
            EXPECT_EQ(conversion.Header().GetSymbol(), "USDJPY");
            if (late) {
                EXPECT_NE(failure.find("第37条记录"), std::string::npos) << failure;
            } else {
                EXPECT_EQ(failure, "");
                EXPECT_EQ(got, bars);
                EXPECT_EQ(done, HistoryHeader::kSize + 50 * 60);
            }
        }
    }
}

TEST(SourceFormatsTest, BadForeignFilesWriteNothingAndNameTheirFault) {
    const std::vector<BarRecord> bars = ExportedBars(5);
    const std::string good = Layouts()[0].row(bars[0]);
    struct Case {
        const char* what;
        const char* file;
        std::string text;
        const char* expected;  // in the message
    } cases[] = {
        {"a date that does not exist", "EURUSD.csv",
         good + "\n" + good + "\n2005.02.30,00:00,1.2,1.3,1.1,1.2,5\n", "第3行"},
        {"a price that is no number", "EURUSD.csv", good + "\n2005.01.01,00:01,1.2,x,1.1,1.2\n",
         "第2行"},
        {"too few columns", "EURUSD.csv", "2005.01.01,00:01,1.2,1.3\n", "只有4列"},
        {"a header without a close", "EURUSD.csv", "Date,Time,Open,High,Low\n" + good + "\n",
         "标题行"},
        {"a time past 2038", "EURUSD.csv", "2040.01.01,00:00,1.2,1.3,1.1,1.2,1\n", "第1行"},
        {"times that go back", "EURUSD.csv",
         "Date,Time,O,H,L,C\n2005.01.01,00:05,1.2,1.3,1.1,1.2,1\n\n2005.01.01,00:04,1.2,1.3,1.1,1.2,1\n",
         "第2条记录（第2根K线）"},
        {"a low above the high", "EURUSD.csv", "2005.01.01,00:05,1.2,1.1,1.3,1.2,1\n",
         "第1条记录（第1根K线）"},
        {"no pair in the file name", "2005.csv", good + "\n", "货币名称"},
        {"a header and no bars", "EURUSD.csv", "Date;Time;Open;High;Low;Close;Vol2\n\n", "没有一行"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        WriteFileBytes(dir / c.file, c.text);
        ImportResult r = ImportHistorySource(dir / c.file, dir / "history/", nullptr);
        EXPECT_NE(r.status, ImportResult::Status::kOk);
        EXPECT_NE(r.message.find(c.expected), std::string::npos) << r.message;
        EXPECT_NE(r.message.find(dir / c.file), std::string::npos) << r.message;
        EXPECT_EQ(r.message.find(".convert-"), std::string::npos) << r.message;
        for (const auto& e : files::ListFolder(dir / "history")) ADD_FAILURE() << e.name;
    }
    // An import stopped before it starts writes nothing either.
    {
        TempDir dir;
        std::string text;
        for (const auto& b : ExportedBars(2000)) text += Layouts()[0].row(b) + "\n";
        WriteFileBytes(dir / "EURUSD.csv", text);
        std::stop_source stop;
        stop.request_stop();
        ImportResult r = ImportHistorySource(dir / "EURUSD.csv", dir / "history/", nullptr,
                                             stop.get_token());
        EXPECT_EQ(r.status, ImportResult::Status::kCancelled);
        for (const auto& e : files::ListFolder(dir / "history")) ADD_FAILURE() << e.name;
    }
    // A bad 60-byte record is pointed at where it is in its own file.
    {
        TempDir dir;
        std::vector<BarRecord> swapped = bars;
        std::swap(swapped[2].low, swapped[2].high);
        WriteHst401(dir / "v401.hst", "USDJPY", swapped);
        ImportResult r = ImportHistorySource(dir / "v401.hst", dir / "history/", nullptr);
        EXPECT_EQ(r.status, ImportResult::Status::kBadSource);
        EXPECT_NE(r.message.find("第3条记录（从文件第268字节起）"), std::string::npos) << r.message;
    }
    // A 60-byte record whose time does not fit a 32-bit time.
    TempDir dir;
    WriteHst401(dir / "late.hst", "USDJPY", bars, std::int64_t{1} << 32);
    ImportResult r = ImportHistorySource(dir / "late.hst", dir / "history/", nullptr);
    EXPECT_EQ(r.status, ImportResult::Status::kBadSource);
    EXPECT_NE(r.message.find("2038"), std::string::npos) << r.message;
}

TEST(SourceFormatsTest, SymbolsFromFileNames) {
    struct Case {
        const char* path;
        const char* symbol;
        bool known;
    } cases[] = {
        {"/x/EURUSD1.csv", "EURUSD", true}, {"/x/DAT_ASCII_EURUSD_M1_2020.csv", "EURUSD", true},
        {"gbpjpy_m1.txt", "GBPJPY", true},  {"/x/XAUUSD60.csv", "XAUUSD", true},
        {"/x/my.data.csv", "my", false},    {"/x/Bitcoin2020.csv", "Bitcoin", false},
        {"/x/2020.csv", "", false},
    };
    for (const Case& c : cases) {
        bool known = !c.known;
        EXPECT_EQ(SymbolFromFileName(c.path, &known), c.symbol) << c.path;
        EXPECT_EQ(known, c.known) << c.path;
    }
    // A name given by the user wins over the file name.
    TempDir dir;
    WriteFileBytes(dir / "2020.csv", "2005.01.01,00:05,1.2,1.3,1.1,1.2,1\n");
    ImportResult r = ImportHistorySource(dir / "2020.csv", dir / "history/", nullptr, {}, "AUDCAD");
    ASSERT_EQ(r.status, ImportResult::Status::kOk) << r.message;
    EXPECT_EQ(GetBarCount(dir / "history/", "AUDCAD", period::M1), 1u);
}

}  // namespace
