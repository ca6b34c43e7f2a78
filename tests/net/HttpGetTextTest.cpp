#include <gtest/gtest.h>

#include "net/HttpGetText.h"
#include "net/OnlineAddresses.h"
#include "net/OnlineParse.h"
#include "platform/Settings.h"
#include "support/LoopbackHttpServer.h"
#include "support/TestSupport.h"

TEST(HttpGetText, LargeBodyWholeAndTheRequestAsSent) {
    CLoopbackHttpServer server;
    std::string body;
    for (int i = 0; body.size() < 1'500'000; ++i) body += "line " + std::to_string(i) + "\n";
    server.Set("/big", {200, body});
    server.Set("/moved", {302, "", server.Url("/big")});
    EXPECT_EQ(HttpGetText(server.Url("/big")), body);
    // Redirects are followed.
    EXPECT_EQ(HttpGetText(server.Url("/moved")), body);
    const std::string headers = server.LastHeaders("/big");
    EXPECT_NE(headers.find("User-Agent: MSDN SurfBear\r\n"), std::string::npos) << headers;
    EXPECT_NE(headers.find("Cache-Control: no-cache\r\n"), std::string::npos) << headers;
}

TEST(HttpGetText, EveryFailureGivesEmptyText) {
    CLoopbackHttpServer server;
    server.Set("/gone", {404, "not here"});
    server.Set("/fail", {500, "oops"});
    server.Set("/to-file", {302, "", "file:///etc/passwd"});
    const std::string cases[] = {
        server.Url("/gone"),
        server.Url("/fail"),
        CLoopbackHttpServer::DeadUrl("/x"),
        "",
        "file:///etc/passwd",
        server.Url("/to-file"),
        "not a url",
    };
    for (const std::string& url : cases) {
        SCOPED_TRACE(url);
        EXPECT_EQ(HttpGetText(url), "");
    }
    // The probe counts any answer, an error status as well.
    EXPECT_TRUE(CheckConnection(server.Url("/gone")));
    EXPECT_FALSE(CheckConnection(CLoopbackHttpServer::DeadUrl("/")));
    EXPECT_FALSE(CheckConnection(""));
}

TEST(OnlineAddresses, IniKeysEnvironmentFirstAndFilePaths) {
    TempDir dir;
    WriteFileBytes(dir / "tarvello.ini",
                   "[Online]\nProbeUrl=http://probe.example/\nServerUrl=http://srv.example/\n");
    CSettings settings(dir / "tarvello.ini");
    OnlineAddresses a = OnlineAddresses::Read(settings);
    EXPECT_EQ(a.m_strProbeUrl, "http://probe.example/");
    EXPECT_EQ(a.VersionUrl(), "http://srv.example/ornel/forex/Tarvello/version/version.txt");
    EXPECT_EQ(a.AdListUrl(), "http://srv.example/ornel/forex/Tarvello/adv/money.txt");

    ::setenv("TARVELLO_SERVER_URL", "http://127.0.0.1:9", 1);
    ::setenv("TARVELLO_PROBE_URL", "", 1);
    a = OnlineAddresses::Read(settings);
    ::unsetenv("TARVELLO_SERVER_URL");
    ::unsetenv("TARVELLO_PROBE_URL");
    EXPECT_EQ(a.m_strProbeUrl, "");
    EXPECT_EQ(a.VersionUrl(), "http://127.0.0.1:9/ornel/forex/Tarvello/version/version.txt");

    // Without a file: the public probe address, no server, no files.
    a = OnlineAddresses::Read(CSettings(dir / "missing.ini"));
    EXPECT_EQ(a.m_strProbeUrl, OnlineAddresses::kDefaultProbeUrl);
    EXPECT_EQ(a.VersionUrl(), "");
    EXPECT_EQ(a.AdListUrl(), "");
}

TEST(AdvertisementLinks, OnlyWebAddressesOpen) {
    struct Case {
        const char* link;
        bool open;
    } cases[] = {
        {"http://example.com/a?b=1", true},
        {"https://example.com", true},
        {"HTTPS://Example.com/", true},
        {"http://", false},
        {"http:///etc/passwd", false},
        {"file:///etc/passwd", false},
        {"javascript:alert(1)", false},
        {"calc.exe", false},
        {"rundll32.exe url.dll", false},
        {"ftp://example.com", false},
        {"http://example.com/\nrm -rf", false},
        {"http://example.com/ x", false},
        {"http://example.com/\x7f", false},
        {"http://ex\xC3\xA4mple.com", false},
        {"", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.link);
        EXPECT_EQ(IsOpenableLink(c.link), c.open);
    }
    EXPECT_EQ(GbkByteLength("外汇"), 4);
    EXPECT_EQ(GbkByteLength("ab外"), 4);
}
