#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "net/OnlineAddresses.h"
#include "platform/Files.h"
#include "platform/RecordingCanvas.h"
#include "support/LoopbackHttpServer.h"
#include "support/TestSupport.h"
#include "window/OnlineJobs.h"
#include "window/TarvelloWindow.h"

namespace {

const std::string kVersionPath = OnlineAddresses::kVersionPath;
const std::string kAdPath = OnlineAddresses::kAdListPath;

// The two addresses for one test, as the environment gives them.
class ScopedAddresses {
public:
    ScopedAddresses(const std::string& probe, const std::string& server) {
        ::setenv("TARVELLO_PROBE_URL", probe.c_str(), 1);
        ::setenv("TARVELLO_SERVER_URL", server.c_str(), 1);
    }
    ~ScopedAddresses() {
        ::unsetenv("TARVELLO_PROBE_URL");
        ::unsetenv("TARVELLO_SERVER_URL");
    }
};

class OnlineJobsTest : public ::testing::Test {
protected:
    std::string Program() const { return m_dir.Path() + "/"; }

    std::unique_ptr<CTarvelloWindow> NewWindow() {
        auto wnd = std::make_unique<CTarvelloWindow>(m_port, Program());
        wnd->OnInitDialog();
        wnd->LayoutControls(939, 766);
        return wnd;
    }
    // The probe and both jobs to their end, their hand-offs delivered as
    // the user-interface thread would.
    void RunOnline(CTarvelloWindow& wnd) {
        wnd.m_online.StartConnectivityProbe();
        while (wnd.m_online.IsBusy()) {
            m_port.Drain();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        m_port.Drain();
    }
    // Files in the program folder other than the history.
    std::vector<std::string> Leftovers() const {
        std::vector<std::string> names;
        for (const auto& e : files::ListFolder(m_dir.Path()))
            if (e.name != "history") names.push_back(e.name);
        return names;
    }

    TempDir m_dir;
    FakePort m_port;
    CLoopbackHttpServer m_server;
};

}  // namespace

TEST_F(OnlineJobsTest, VersionFilePaintsTheNoticeOnlyForANewerVersion) {
    ScopedAddresses env(m_server.Url("/"), m_server.Url());
    struct Case {
        const char* body;
        const char* notice;
    } cases[] = {
        {"[7]", "目前软件版本为V6.0, 最新版本为V7.0"},
        {"[6]", ""},
        {"[5]", ""},
        {"[ 8]", "目前软件版本为V6.0, 最新版本为V8.0"},
        {"[abc]", ""},
        {"7]", "目前软件版本为V6.0, 最新版本为V7.0"},
        // Never a negative or wrapped version.
        {"[-1]", ""},
        {"[99999999999999999999999]", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body);
        m_server.Set(kVersionPath, {200, c.body});
        auto wnd = NewWindow();
        RunOnline(*wnd);
        EXPECT_EQ(wnd->m_online.VersionNotice(), c.notice);
        RecordingCanvas dc(939, 766);
        wnd->PaintChart(dc);
        const auto texts = dc.CallsStartingWith(std::string("TextOut 10 100 ") + c.notice);
        if (*c.notice) {
            ASSERT_EQ(texts.size(), 1u);
            // Large, magenta, transparent, over everything else.
            const auto& calls = dc.Calls();
            auto at = std::find(calls.begin(), calls.end(), texts[0]);
            EXPECT_EQ(*(at - 3), "SetFont 隶书 40 400 w15");
            EXPECT_EQ(*(at - 2), "SetBkOpaque 0");
            EXPECT_EQ(*(at - 1), "SetTextColor 0xdc0ae6");
            // The next redraw of the chart paints over it.
            wnd->RedrawChart();
            dc.Clear();
            wnd->PaintChart(dc);
            EXPECT_TRUE(dc.CallsStartingWith("TextOut 10 100 目前").empty());
        } else {
            EXPECT_TRUE(dc.CallsStartingWith("TextOut 10 100 目前").empty());
        }
    }
    EXPECT_TRUE(m_port.m_arrMessages.empty());
}

TEST_F(OnlineJobsTest, AdvertisementListFilledOnTheUiThreadAndLinksFiltered) {
    ScopedAddresses env(m_server.Url("/"), m_server.Url() + "/");
    // "外汇" in GBK; the second group has expired, the third links to a script.
    m_server.Set(kAdPath, {200,
                           "[\xCD\xE2\xBB\xE3][https://a.example/x][5][2000000000]"
                           "[Old][http://b.example][1][1000]"
                           "[Bad][javascript:alert(1)][0][2000000000][Half][http://c"});
    auto wnd = NewWindow();
    std::vector<std::string> opened;
    int changes = 0;
    CListAdvertisement& list = wnd->m_listAdvertisement;
    list.m_fnOpenUrl = [&](const std::string& link) { opened.push_back(link); };
    list.m_fnRowsChanged = [&] { ++changes; };
    RunOnline(*wnd);
    EXPECT_EQ(list.m_arrTitle, (std::vector<std::string>{"外汇", "Bad"}));
    EXPECT_EQ(list.m_arrValue, (std::vector<int32_t>{5, 0}));
    EXPECT_EQ(list.m_arrExpiry, (std::vector<int32_t>{2000000000, 2000000000}));
    EXPECT_GT(changes, 0);
    EXPECT_EQ(m_server.Requests(kAdPath), 1);
    // The local copy is gone after loading, and no temporary is left.
    EXPECT_EQ(list.m_strLocalFile, Program() + "money.mon");
    EXPECT_TRUE(Leftovers().empty());

    EXPECT_TRUE(list.OnSelchange(0));
    EXPECT_FALSE(list.OnSelchange(1));
    EXPECT_FALSE(list.OnSelchange(2));
    EXPECT_EQ(opened, (std::vector<std::string>{"https://a.example/x"}));
    std::string title = "x", link = "y";
    list.GetItem(2, title, link);
    EXPECT_EQ(title + link, "");

    // A failed download still shows (and deletes) a copy left from before.
    m_server.Set(kAdPath, {404, ""});
    WriteFileBytes(Program() + "money.mon", "[Left][http://left.example][0][2000000000]");
    auto again = NewWindow();
    RunOnline(*again);
    EXPECT_EQ(again->m_listAdvertisement.m_arrTitle, (std::vector<std::string>{"Left"}));
    EXPECT_TRUE(Leftovers().empty());
}

TEST_F(OnlineJobsTest, FailedProbeSaysSoOnceAndStartsNoJob) {
    ScopedAddresses env(CLoopbackHttpServer::DeadUrl("/"), m_server.Url());
    m_server.Set(kVersionPath, {200, "[7]"});
    m_server.Set(kAdPath, {200, "[A][http://a.example][0][2000000000]"});
    auto wnd = NewWindow();
    RunOnline(*wnd);
    EXPECT_EQ(m_port.m_arrMessages, (std::vector<std::string>{COnlineJobs::kOfflineText}));
    EXPECT_EQ(m_server.Requests(kVersionPath) + m_server.Requests(kAdPath), 0);
    EXPECT_EQ(wnd->m_online.VersionNotice(), "");
    EXPECT_EQ(wnd->m_listAdvertisement.GetCount(), 0);
}

TEST_F(OnlineJobsTest, WithoutAServerNothingIsFetched) {
    ScopedAddresses env(m_server.Url("/"), "");
    auto wnd = NewWindow();
    RunOnline(*wnd);
    EXPECT_EQ(m_server.Requests("/"), 1);  // the probe
    EXPECT_TRUE(m_port.m_arrMessages.empty());
    EXPECT_EQ(wnd->m_online.VersionNotice(), "");
    EXPECT_EQ(wnd->m_listAdvertisement.GetCount(), 0);
}

TEST_F(OnlineJobsTest, ClosingDuringStalledTransfersEndsThem) {
    // A slot's release waits less than a transfer's own timeout, so a
    // release that sees its worker end proves the abort ended it.
    m_server.Set("/probe", {200, "", "", true});
    {
        ScopedAddresses env(m_server.Url("/probe"), m_server.Url());
        auto wnd = NewWindow();
        wnd->m_online.StartConnectivityProbe();
        // The window does not wait for the probe.
        EXPECT_TRUE(wnd->m_online.IsBusy());
        ASSERT_TRUE(m_server.WaitForRequests("/probe", 1));
        EXPECT_TRUE(wnd->m_online.ReleaseProbe());
        m_port.Drain();
        EXPECT_TRUE(m_port.m_arrMessages.empty());
        EXPECT_FALSE(wnd->m_online.IsBusy());
    }

    m_server.Set(kVersionPath, {200, "", "", true});
    m_server.Set(kAdPath, {200, "", "", true});
    ScopedAddresses env(m_server.Url("/"), m_server.Url());
    auto wnd = NewWindow();
    wnd->m_online.StartConnectivityProbe();
    while (!wnd->m_pAdThread.IsSet() || !wnd->m_pVersionThread.IsSet()) {
        m_port.Drain();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_TRUE(m_server.WaitForRequests(kVersionPath, 1));
    ASSERT_TRUE(m_server.WaitForRequests(kAdPath, 1));
    EXPECT_TRUE(wnd->m_pAdThread.Release());
    EXPECT_TRUE(wnd->m_pVersionThread.Release());
    m_port.Drain();
    EXPECT_FALSE(wnd->m_online.IsBusy());
    EXPECT_EQ(wnd->m_listAdvertisement.GetCount(), 0);
    EXPECT_TRUE(Leftovers().empty());
}
