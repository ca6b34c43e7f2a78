#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <future>
#include <thread>

#include "data/HistoryFile.h"
#include "data/ImportGeneration.h"
#include "data/Period.h"
#include "data/SampleHistory.h"
#include "platform/Files.h"
#include "platform/RecordingCanvas.h"
#include "support/TestSupport.h"
#include "window/TarvelloWindow.h"

namespace {

class TarvelloWindowTest : public ::testing::Test {
protected:
    std::string Program() const { return m_dir.Path() + "/"; }
    std::string History() const { return m_dir.Path() + "/history/"; }
    // A symbol folder with `entries` files in it.
    void MakeSymbolFolder(const std::string& symbol, int entries) {
        files::CreateFolder(m_dir / "history");
        files::CreateFolder(History() + symbol);
        for (int i = 0; i < entries; ++i)
            WriteFileBytes(PeriodFilePath(History(), symbol, i % 9) + (i >= 9 ? "x" : ""), "");
    }
    std::string HstFile(const std::string& name, const std::string& symbol,
                        std::size_t bars = 100) {
        std::string path = m_dir / name;
        WriteHst(path, symbol, MakeBars(bars));
        return path;
    }
    // Load pressed, the file chosen, the worker run to its end and its
    // hand-offs delivered.
    void ImportThroughWindow(CTarvelloWindow& wnd, const std::string& path) {
        m_port.m_queueFiles.push_back(path);
        wnd.OnLoadHistory();
        wnd.JoinImportWorker();
        m_port.Drain();
    }
    std::vector<std::string> Currencies(const CTarvelloWindow& wnd) const {
        return wnd.m_comboCurrency.Items();
    }

    TempDir m_dir;
    FakePort m_port;
};

TEST_F(TarvelloWindowTest, StartStateOfAFreshProgram) {
    CTarvelloWindow wnd(m_port, Program());
    wnd.OnInitDialog();
    EXPECT_EQ(wnd.m_strCaption, "Tarvello_V6.0");
    EXPECT_EQ(wnd.m_strHistoryFolder, Program() + "history/");
    EXPECT_EQ(wnd.m_strBackgroundFile, Program() + "background.JPG");
    EXPECT_TRUE(files::IsFolder(m_dir / "history"));
    EXPECT_EQ(wnd.m_barIndex.GetIndex(), -1);
    EXPECT_EQ(wnd.m_barIndex.GetPeriod(), period::H4);
    EXPECT_EQ(wnd.m_nZoomLevel, 3);
    EXPECT_EQ(wnd.m_nVisibleBars, 120);
    EXPECT_EQ(wnd.m_comboCurrency.GetCount(), 0);
    EXPECT_EQ(wnd.GetSelectedSymbol(), "");

    const std::vector<std::string> lots = {
        "0.1", "0.2", "0.3", "0.4", "0.5", "0.6", "0.7", "0.8", "0.9", "1",  "2",  "3",  "4", "5",
        "6",   "7",   "8",   "9",   "10",  "20",  "30",  "40",  "50",  "60", "70", "80", "90"};
    EXPECT_EQ(wnd.m_comboLots.Items(), lots);
    EXPECT_EQ(wnd.m_comboLots.GetCurSel(), 0);

    using W = CTarvelloWindow;
    EXPECT_EQ(wnd.GetStatText(W::IDC_TOTAL_MONEY), "10000");
    for (int id : {W::IDC_TOTAL_PROFIT, W::IDC_FLOAT_PROFIT, W::IDC_PROFIT_RATE, W::IDC_WIN_ORDERS,
                   W::IDC_LOSS_ORDERS})
        EXPECT_EQ(wnd.GetStatText(id), "0") << id;
    wnd.m_fProfitRate = 0.975;
    EXPECT_EQ(wnd.GetStatText(W::IDC_PROFIT_RATE), "0.975");
    EXPECT_TRUE(m_port.m_arrMessages.empty());
}

TEST_F(TarvelloWindowTest, CurrencyListOffersFoldersOfExactlyNineEntries) {
    MakeSymbolFolder("USDJPY", 9);
    MakeSymbolFolder("GBPUSD", 9);
    MakeSymbolFolder("EURUSD", 8);
    MakeSymbolFolder("AUDUSD", 10);
    WriteFileBytes(History() + "loose.hst", "");
    CTarvelloWindow wnd(m_port, Program());
    wnd.OnInitDialog();
    EXPECT_EQ(Currencies(wnd), (std::vector<std::string>{"GBPUSD", "USDJPY"}));
    EXPECT_EQ(wnd.GetSelectedSymbol(), "GBPUSD");
    // The hidden tree mirrors the folder, entries by title.
    const auto& top = wnd.m_treeHistory.Root().m_arrChildren;
    ASSERT_EQ(top.size(), 5u);
    EXPECT_EQ(top[4].m_strText, "loose");
    EXPECT_EQ(top[2].m_arrChildren[0].m_strText, "GBPUSDD1");
}

TEST_F(TarvelloWindowTest, LayoutFromClientSize) {
    CTarvelloWindow wnd(m_port, Program());
    struct Case {
        int w, h;
        Rect chart, orders, ads;
    } cases[] = {
        {1000, 700, {10, 100, 810, 542}, {10, 547, 810, 743}, {815, 120, 995, 710}},
        {939, 766, {10, 100, 749, 592}, {10, 597, 749, 815}, {754, 120, 934, 776}},
        {600, 110, {10, 100, 410, 100}, {10, 105, 410, 105}, {415, 120, 595, 120}},
    };
    for (const auto& c : cases) {
        wnd.LayoutControls(c.w, c.h);
        EXPECT_EQ(wnd.m_rcChart, c.chart) << c.w << "x" << c.h;
        EXPECT_EQ(wnd.m_rcOrderList, c.orders) << c.w << "x" << c.h;
        EXPECT_EQ(wnd.m_rcAdList, c.ads) << c.w << "x" << c.h;
        EXPECT_EQ(wnd.m_nChartWidth, c.w - 200);
        EXPECT_EQ(wnd.m_nChartHeight, c.h - 110);
    }
    EXPECT_TRUE(m_port.m_nChanges & CWindowPort::kLayout);
}

TEST_F(TarvelloWindowTest, ImportListsAndSelectsBySymbolPrefix) {
    CTarvelloWindow wnd(m_port, Program());
    wnd.OnInitDialog();

    ImportThroughWindow(wnd, HstFile("a.hst", "GBPUSD"));
    EXPECT_EQ(m_port.m_arrFilters.back(),
              "外汇历史数据(*.hst)|*.hst|K线数据(*.csv *.txt)|*.csv;*.txt|All Files (*.*)|*.*||");
    EXPECT_EQ(m_port.m_arrMessages, std::vector<std::string>{"正载入数据,请稍等!"});
    EXPECT_EQ(Currencies(wnd), std::vector<std::string>{"GBPUSD"});
    EXPECT_EQ(wnd.GetSelectedSymbol(), "GBPUSD");
    EXPECT_FALSE(wnd.IsImporting());
    EXPECT_EQ(GetBarCount(History(), "GBPUSD", period::M5), 20u);

    ImportThroughWindow(wnd, HstFile("b.hst", "GBPUSD"));  // listed already
    ImportThroughWindow(wnd, HstFile("c.hst", "gbp"));     // a prefix of GBPUSD, any case
    EXPECT_EQ(Currencies(wnd), std::vector<std::string>{"GBPUSD"});

    wnd.m_comboCurrency.SetCurSel(-1);
    ImportThroughWindow(wnd, HstFile("d.hst", "EURUSD"));
    EXPECT_EQ(Currencies(wnd), (std::vector<std::string>{"GBPUSD", "EURUSD"}));
    EXPECT_EQ(wnd.m_comboCurrency.GetCurSel(), -1);  // the selection is not changed
    EXPECT_TRUE(m_port.m_nChanges & CWindowPort::kCurrencyList);
}

TEST_F(TarvelloWindowTest, LoadDuringAnImportStartsNothing) {
    CTarvelloWindow wnd(m_port, Program());
    wnd.OnInitDialog();
    m_port.m_queueFiles.push_back(HstFile("a.hst", "GBPUSD"));
    m_port.m_queueFiles.push_back(HstFile("b.hst", "EURUSD"));
    wnd.OnLoadHistory();
    // The slot stays set until the worker's hand-off has reached this thread.
    wnd.OnLoadHistory();
    EXPECT_EQ(wnd.m_strImportFile, m_dir / "b.hst");
    EXPECT_EQ(m_port.m_arrMessages.size(), 1u);
    wnd.JoinImportWorker();
    m_port.Drain();
    EXPECT_EQ(Currencies(wnd), std::vector<std::string>{"GBPUSD"});
    EXPECT_FALSE(files::Exists(History() + "EURUSD"));

    m_port.m_queueFiles.push_back(std::nullopt);  // cancelled dialog
    wnd.OnLoadHistory();
    EXPECT_FALSE(wnd.IsImporting());
    EXPECT_EQ(m_port.m_arrMessages.size(), 1u);
}

TEST_F(TarvelloWindowTest, FailedImportsAreReportedAndListNothing) {
    CTarvelloWindow wnd(m_port, Program());
    wnd.OnInitDialog();
    ImportThroughWindow(wnd, HstFile("bad.hst", "EUR/USD"));
    ASSERT_EQ(m_port.m_arrMessages.size(), 2u);
    EXPECT_NE(m_port.m_arrMessages[1].find("EUR/USD"), std::string::npos);
    EXPECT_EQ(wnd.m_comboCurrency.GetCount(), 0);
    EXPECT_FALSE(wnd.IsImporting());

    // An unreadable file says nothing; its empty symbol lands in an empty combo.
    ImportThroughWindow(wnd, m_dir / "missing.hst");
    EXPECT_EQ(m_port.m_arrMessages.size(), 3u);
    EXPECT_EQ(Currencies(wnd), std::vector<std::string>{""});
    EXPECT_EQ(wnd.m_comboCurrency.GetCurSel(), 0);
    EXPECT_EQ(wnd.GetSelectedSymbol(), "");
}

TEST_F(TarvelloWindowTest, ProgressReachesTheWindowThroughHandOffs) {
    CTarvelloWindow wnd(m_port, Program());
    wnd.OnInitDialog();
    m_port.m_queueFiles.push_back(HstFile("a.hst", "GBPUSD", 3000));
    wnd.OnLoadHistory();
    wnd.JoinImportWorker();
    EXPECT_TRUE(wnd.m_strProgress.empty());  // nothing written from the worker
    m_port.Drain();
    EXPECT_TRUE(wnd.m_strProgress.empty());  // cleared when the import is done
    EXPECT_TRUE(m_port.m_nChanges & CWindowPort::kProgress);

    wnd.m_strProgress = "FileSize=128Kbyte,ReadSize=88Kbyte,68%";
    RecordingCanvas canvas;
    wnd.PaintProgress(canvas);
    auto calls = canvas.Calls();
    EXPECT_EQ(calls.back(), "TextOut 40 100 FileSize=128Kbyte,ReadSize=88Kbyte,68%");
    EXPECT_NE(std::find(calls.begin(), calls.end(), "SetBkOpaque 1"), calls.end());
    EXPECT_NE(std::find(calls.begin(), calls.end(), "SetBkColor 0xffffff"), calls.end());
    EXPECT_NE(std::find(calls.begin(), calls.end(), "SetTextColor 0x000000"), calls.end());
}

TEST_F(TarvelloWindowTest, ClosingDuringAnImportStopsItAndKeepsTheOldFiles) {
    CTarvelloWindow wnd(m_port, Program());
    wnd.OnInitDialog();
    ImportThroughWindow(wnd, HstFile("old.hst", "EURUSD", 2000));
    std::vector<std::string> old;
    for (int per = 0; per < period::kCount; ++per)
        old.push_back(ReadFileBytes(PeriodFilePath(History(), "EURUSD", per)));

    SampleOptions big;
    big.bars = 1000000;
    std::string error;
    ASSERT_TRUE(WriteSampleHistory(m_dir / "big.hst", big, &error)) << error;
    m_port.m_queueFiles.push_back(m_dir / "big.hst");
    wnd.OnLoadHistory();
    // Wait for the first progress hand-off: the worker is then inside the conversion.
    for (int i = 0; i < 2000 && m_port.Drain() == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    wnd.OnCancel();
    EXPECT_EQ(m_port.m_nEndResult, CTarvelloWindow::IDCANCEL);
    EXPECT_FALSE(wnd.IsImporting());
    m_port.Drain();  // stale hand-offs are ignored
    EXPECT_TRUE(wnd.m_strProgress.empty());

    for (int per = 0; per < period::kCount; ++per)
        EXPECT_EQ(ReadFileBytes(PeriodFilePath(History(), "EURUSD", per)), old[per])
            << period::kNames[per];
    EXPECT_EQ(files::ListFolder(History() + "EURUSD").size(), 9u);
}

TEST_F(TarvelloWindowTest, UnwritableProgramFolderIsReportedOnce) {
    // A regular file where the history folder should be stands in for a
    // read-only program folder (root ignores permission bits).
    WriteFileBytes(m_dir / "history", "not a folder");
    CTarvelloWindow wnd(m_port, Program());
    wnd.OnInitDialog();
    ASSERT_EQ(m_port.m_arrMessages.size(), 1u);
    EXPECT_NE(m_port.m_arrMessages[0].find(m_dir / "history"), std::string::npos);
    EXPECT_EQ(wnd.m_strCaption, "Tarvello_V6.0");  // start-up went on
    EXPECT_EQ(wnd.m_comboLots.GetCount(), 27);
}

// Runs `body` on a thread and fails (instead of hanging the suite) when it
// does not return; `unblock` then frees it.
void ReturnsWithin(const std::function<void()>& body, const std::function<void()>& unblock) {
    auto done = std::async(std::launch::async, body);
    if (done.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
        ADD_FAILURE() << "did not return";
        unblock();
    }
    done.get();
}

TEST_F(TarvelloWindowTest, PairsAreListedUnderTheirWholeNameInAnyLetterCase) {
    {
        CTarvelloWindow wnd(m_port, Program());
        wnd.OnInitDialog();
        ImportThroughWindow(wnd, HstFile("m.hst", "EURUSD.m", 300));
        ImportThroughWindow(wnd, HstFile("e.hst", "EURUSD", 200));
        ImportThroughWindow(wnd, HstFile("g.hst", "GBPUSD", 100));
        ImportThroughWindow(wnd, HstFile("g2.hst", "gbpusd", 150));  // into GBPUSD
    }
    CTarvelloWindow wnd(m_port, Program());  // a restart
    wnd.OnInitDialog();
    EXPECT_EQ(Currencies(wnd), (std::vector<std::string>{"EURUSD", "EURUSD.m", "GBPUSD"}));
    EXPECT_EQ(GetBarCount(History(), "GBPUSD", period::M1), 150u);
    const std::size_t messages = m_port.m_arrMessages.size();
    wnd.OnSelchangeCurrency(1);
    wnd.OnPeriod(period::M1);
    wnd.OnNextBar();
    EXPECT_EQ(m_port.m_arrMessages.size(), messages);  // no "已经到结尾!"
    ASSERT_TRUE(wnd.m_kbar.HasLastBar());
    BarRecord first;
    ASSERT_TRUE(ReadBar(first, 1, History(), "EURUSD.m", period::M1));
    EXPECT_EQ(wnd.m_kbar.GetLastBar(), first);
}

TEST_F(TarvelloWindowTest, KilledImportsAreFinishedOrUndoneBeforeTheListIsBuilt) {
    MakeSymbolFolder("GBPUSD", 9);
    MakeSymbolFolder("USDJPY", 0);
    const std::string dead = ".part-99999999-7-1";
    // GBPUSD: killed half way through its install; USDJPY: killed in its
    // first import before the install, leaving nine temporaries.
    WriteFileBytes(History() + "GBPUSD/GBPUSD" + dead + ".commit", "");
    for (int per = 0; per < period::kCount; ++per) {
        const std::string target = PeriodFilePath(History(), "GBPUSD", per);
        ASSERT_EQ(::link(target.c_str(), (target + dead + ".old").c_str()), 0);
        if (per >= 4) WriteFileBytes(target + dead, "new " + std::to_string(per));
        WriteFileBytes(PeriodFilePath(History(), "USDJPY", per) + dead, "unfinished");
    }
    // A running import's temporaries beside a complete pair are not counted.
    MakeSymbolFolder("EURUSD", 9);
    for (int per = 0; per < period::kCount; ++per)
        WriteFileBytes(PeriodFilePath(History(), "EURUSD", per) + NewImportId(), "");

    CTarvelloWindow wnd(m_port, Program());
    wnd.OnInitDialog();
    EXPECT_EQ(Currencies(wnd), (std::vector<std::string>{"EURUSD", "GBPUSD"}));
    EXPECT_EQ(files::ListFolder(History() + "GBPUSD").size(), 9u);
    for (int per = 4; per < period::kCount; ++per)
        EXPECT_EQ(ReadFileBytes(PeriodFilePath(History(), "GBPUSD", per)),
                  "new " + std::to_string(per));
    EXPECT_TRUE(files::ListFolder(History() + "USDJPY").empty());
    EXPECT_EQ(files::ListFolder(History() + "EURUSD").size(), 18u);
}

TEST_F(TarvelloWindowTest, NamedPipesNeitherBlockTheImportNorTheReplay) {
    // A pipe as the source: refused with a message, and closing returns.
    ASSERT_EQ(::mkfifo((m_dir / "pipe.hst").c_str(), 0600), 0);
    auto unblockPipe = [&](const std::string& path) {
        return [path] {
            int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) ::close(fd);
        };
    };
    {
        CTarvelloWindow wnd(m_port, Program());
        wnd.OnInitDialog();
        ReturnsWithin([&] { ImportThroughWindow(wnd, m_dir / "pipe.hst"); },
                      unblockPipe(m_dir / "pipe.hst"));
        ASSERT_EQ(m_port.m_arrMessages.size(), 2u);
        EXPECT_NE(m_port.m_arrMessages[1].find("不是普通文件"), std::string::npos);
        EXPECT_EQ(wnd.m_comboCurrency.GetCount(), 0);
        ReturnsWithin([&] { wnd.OnCancel(); }, unblockPipe(m_dir / "pipe.hst"));
    }
    // A pipe as a period file: the pair reads as having no bars there, the
    // step names the file, and the next import replaces it.
    MakeSymbolFolder("GBPUSD", 9);
    const std::string h4 = PeriodFilePath(History(), "GBPUSD", period::H4);
    ::unlink(h4.c_str());
    ASSERT_EQ(::mkfifo(h4.c_str(), 0600), 0);
    CTarvelloWindow wnd(m_port, Program());
    wnd.OnInitDialog();
    ASSERT_EQ(Currencies(wnd), std::vector<std::string>{"GBPUSD"});
    m_port.m_arrMessages.clear();
    ReturnsWithin([&] { wnd.OnNextBar(); }, unblockPipe(h4));
    ASSERT_EQ(m_port.m_arrMessages.size(), 1u);
    EXPECT_EQ(m_port.m_arrMessages[0], "无法使用GBPUSD的H4周期文件 " + h4 +
                                           "：它不是普通文件（设备、管道或套接字）。"
                                           "请重新载入这个货币的历史数据。");
    ReturnsWithin([&] { ImportThroughWindow(wnd, HstFile("g.hst", "GBPUSD", 2400)); },
                  unblockPipe(h4));
    EXPECT_EQ(GetBarCount(History(), "GBPUSD", period::H4), 10u);
}

TEST_F(TarvelloWindowTest, UnusablePeriodFilesAreNamedWhenChosen) {
    const std::string m1 = PeriodFilePath(History(), "GBPUSD", period::M1);
    const std::string m5 = PeriodFilePath(History(), "GBPUSD", period::M5);
    struct Case {
        const char* name;
        std::function<void(const std::string&)> spoil;
        const char* fault;  // "" for a file that can be read
    } cases[] = {
        {"a folder", [](const std::string& p) { files::CreateFolder(p); }, "它是一个文件夹"},
        {"a link to a device",
         [](const std::string& p) { ASSERT_EQ(::symlink("/dev/zero", p.c_str()), 0); },
         "它不是普通文件（设备、管道或套接字）"},
        {"missing", [](const std::string&) {}, "文件不存在"},
        {"cut in its header", [](const std::string& p) { WriteFileBytes(p, "HST"); },
         "文件只有3字节，文件头需要148字节"},
        {"a header and no bar",
         [](const std::string& p) { WriteFileBytes(p, std::string(148, '\0')); }, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const std::string& bad : {m1, m5}) {
            std::filesystem::remove_all(m_dir / "history");
            CTarvelloWindow wnd(m_port, Program());
            wnd.OnInitDialog();
            ImportThroughWindow(wnd, HstFile("g.hst", "GBPUSD", 2400));
            std::filesystem::remove(bad);
            c.spoil(bad);
            const std::string named = std::string("无法使用GBPUSD的") + (bad == m1 ? "M1" : "M5") +
                                      "周期文件 " + bad + "：" + c.fault +
                                      "。请重新载入这个货币的历史数据。";
            const std::vector<std::string> expected =
                *c.fault ? std::vector<std::string>{named} : std::vector<std::string>{};
            // The pair chosen: its period (H4) and its minutes.
            m_port.m_arrMessages.clear();
            wnd.OnSelchangeCurrency(0);
            EXPECT_EQ(m_port.m_arrMessages, bad == m1 ? expected : std::vector<std::string>{});
            // The period chosen, and a step in it.
            m_port.m_arrMessages.clear();
            wnd.OnPeriod(bad == m1 ? period::M1 : period::M5);
            EXPECT_EQ(m_port.m_arrMessages, expected);
            m_port.m_arrMessages.clear();
            wnd.OnNextBar();
            EXPECT_EQ(m_port.m_arrMessages,
                      *c.fault ? expected : std::vector<std::string>{"已经到结尾!"});
        }
    }
}

TEST_F(TarvelloWindowTest, LinksInTheHistoryFolderDoNotMakeTheScanEndless) {
    MakeSymbolFolder("EURUSD", 9);
    ASSERT_EQ(::symlink("..", (History() + "EURUSD/a").c_str()), 0);
    ASSERT_EQ(::symlink("..", (History() + "EURUSD/b").c_str()), 0);
    // A pair folder linked in from elsewhere is a pair.
    files::CreateFolder(m_dir / "elsewhere");
    files::CreateFolder(m_dir / "elsewhere/GBPUSD");
    for (int per = 0; per < period::kCount; ++per)
        WriteFileBytes(
            m_dir / ("elsewhere/GBPUSD/GBPUSD" + std::string(period::kNames[per]) + ".hst"), "");
    ASSERT_EQ(::symlink((m_dir / "elsewhere/GBPUSD").c_str(), (History() + "GBPUSD").c_str()), 0);

    auto done = std::async(std::launch::async, [&] {
        CTarvelloWindow wnd(m_port, Program());
        wnd.OnInitDialog();
        return std::make_pair(Currencies(wnd), wnd.m_treeHistory.Root().m_arrChildren);
    });
    if (done.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
        std::fprintf(stderr, "the scan of a linked loop did not end\n");
        std::_Exit(1);
    }
    auto [listed, top] = done.get();
    EXPECT_EQ(listed, std::vector<std::string>{"GBPUSD"});  // EURUSD holds 11 entries
    ASSERT_EQ(top.size(), 2u);
    ASSERT_EQ(top[0].m_arrChildren.size(), 11u);
    EXPECT_EQ(top[0].m_arrChildren[9].m_strText, "a");
    EXPECT_TRUE(top[0].m_arrChildren[9].m_arrChildren.empty());
}

TEST(WorkerSlot, ALeftBehindWorkerReachesNothing) {
    auto release = std::make_shared<std::promise<void>>();
    auto passed = std::make_shared<std::promise<bool>>();
    auto gone = release->get_future().share();
    CWorkerSlot slot;
    ASSERT_TRUE(slot.StartGated([gone, passed](std::stop_token, CWorkerGate& gate) {
        gone.wait();  // stuck in a "system call": the stop request is not seen
        passed->set_value(gate.Pass([] {}));
    }));
    auto result = passed->get_future();
    EXPECT_FALSE(slot.Release(std::chrono::milliseconds(50)));
    EXPECT_FALSE(slot.IsSet());
    release->set_value();
    EXPECT_FALSE(result.get());  // the gate was closed when the slot let go

    // A worker that ends in time is joined, and its hand-offs passed until then.
    std::atomic<int> sent{0};
    ASSERT_TRUE(slot.StartGated([&](std::stop_token stop, CWorkerGate& gate) {
        while (!stop.stop_requested()) gate.Pass([&] { ++sent; });
    }));
    while (sent == 0) std::this_thread::yield();
    EXPECT_TRUE(slot.Release());
}

TEST(ComboModel, CaseInsensitivePrefixSearch) {
    CComboModel combo;
    EXPECT_EQ(combo.FindString(-1, ""), -1);
    combo.AddString("GBPUSD");
    combo.AddString("EURUSD");
    combo.AddString("eurjpy");
    struct Case {
        int after;
        const char* prefix;
        int expected;
    } cases[] = {{-1, "", 0},     {-1, "eur", 1},      {1, "EUR", 2},  {2, "eur", 1},
                 {-1, "EURJ", 2}, {-1, "GBPUSDX", -1}, {-1, "USD", -1}};
    for (const auto& c : cases)
        EXPECT_EQ(combo.FindString(c.after, c.prefix), c.expected) << c.after << " " << c.prefix;
    combo.SetCurSel(1);
    EXPECT_EQ(combo.GetEditText(), "EURUSD");
    combo.SetEditText("0.35");
    EXPECT_EQ(combo.GetCurSel(), -1);
}

}  // namespace
