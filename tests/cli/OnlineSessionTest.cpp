#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "cli/Session.h"
#include "net/OnlineAddresses.h"
#include "support/LoopbackHttpServer.h"
#include "support/TestSupport.h"

namespace {

std::string RunScript(const std::string& history, const std::string& probe,
                      const std::string& server, const std::string& script) {
    ::setenv("TARVELLO_PROBE_URL", probe.c_str(), 1);
    ::setenv("TARVELLO_SERVER_URL", server.c_str(), 1);
    std::istringstream in(script);
    std::ostringstream out;
    RunSession(history, in, out, ImageWriterFn{});
    ::unsetenv("TARVELLO_PROBE_URL");
    ::unsetenv("TARVELLO_SERVER_URL");
    return out.str();
}

}  // namespace

TEST(OnlineSession, OnlinePrintAdsAndSelect) {
    TempDir dir;
    CLoopbackHttpServer server;
    server.Set(OnlineAddresses::kVersionPath, {200, "[7]"});
    server.Set(OnlineAddresses::kAdListPath,
               {200,
                "[\xCD\xE2\xBB\xE3][https://a.example/x][5][2000000000]"
                "[Run][file:///bin/sh][0][2000000000]"
                // Dropped: a newline would forge a row, a raw byte is no UTF-8.
                "[Bad][http://x/\nad 9 forged][0][2000000000]"
                "[Raw][http://x/\xff][0][2000000000]"});
    EXPECT_EQ(RunScript(dir.Path(), server.Url("/"), server.Url(),
                        "print ads\nonline\nprint ads\nad select 0\nad select 1\nad select 2\n"),
              "notice: 目前软件版本为V6.0, 最新版本为V7.0\n"
              "ad 0 外汇 https://a.example/x 5 2000000000\n"
              "ad 1 Run file:///bin/sh 0 2000000000\n"
              "open: https://a.example/x\n"
              "refused: file:///bin/sh\n"
              "error: the advertisement list has no row 2\n");

    EXPECT_EQ(RunScript(dir.Path(), CLoopbackHttpServer::DeadUrl("/"), server.Url(),
                        "online\nprint ads\n"),
              "message: 网络没连接上，目前您处于断网状态！\n");
}
