#include <gtest/gtest.h>

#include <sstream>

#include "cli/Session.h"
#include "data/PeriodConverter.h"
#include "platform/Files.h"
#include "support/TestSupport.h"

namespace {

std::string RunScript(const std::string& history, const std::string& script) {
    std::istringstream in(script);
    std::ostringstream out;
    RunSession(history, in, out, ImageWriterFn{});
    return out.str();
}

TEST(IndicatorSession, AddEditDeleteAndPrintThroughTheDialog) {
    TempDir dir;
    const std::string src = dir / "EURUSD.hst";
    WriteHst(src, "EURUSD", MakeBars(3000));
    files::CreateFolder(dir / "history");
    const std::string history = dir.Path() + "/history/";
    ASSERT_EQ(BuildPeriodFiles(src, history, nullptr).status, ImportResult::Status::kOk);
    const std::string out = RunScript(
        history,
        "symbol EURUSD\nperiod M1\nnext 150\n"
        "indicator add MA 30 method=1 color1=0,0,255 style1=2 width1=3\n"
        "indicator add RSI cancel\n"
        "indicator add KDJ apply=2\n"        // no such row for KDJ: cancelled
        "indicator add MAX 5 6\n"            // one parameter field only
        "indicator add MA method=2\n"        // two methods only
        "indicator add BOLLIN 20 2.5\n"
        "indicator add MACD 8 17 5 method=1 color3=1,2,3\n"
        "print indicators\n"
        "indicator edit 1 abc 2\n"
        "indicator edit 0 cancel 99\n"
        "indicator edit 7\n"
        "indicator delete 0\n"
        "print indicators\n"
        "command 32818\n"
        "print indicators\n");
    const std::string expected =
        "error: KDJ has no applied price\n"
        "error: MAX has 1 parameter fields\n"
        "error: bad method=2 (0 or 1)\n"
        "indicator 0 MA own 0 params 1 30 real - option 1 apply 0 lines 1 0,0,255/2/3 "
        "pane 0 0 0 0\n"
        "indicator 1 BOLLIN own 0 params 1 20 real 2.5 option - apply 0 lines 1 "
        "255,255,0/0/1 pane 0 0 0 0\n"
        "indicator 2 MACD own 1 params 3 8 17 5 real - option 1 apply 0 lines 3 "
        "255,0,255/0/1 255,0,0/0/1 1,2,3/0/1 pane 10 494 749 592\n"
        "error: no indicator 7\n"
        "indicator 0 BOLLIN own 0 params 1 0 real 2 option - apply 0 lines 1 "
        "255,255,0/0/1 pane 0 0 0 0\n"
        "indicator 1 MACD own 1 params 3 8 17 5 real - option 1 apply 0 lines 3 "
        "255,0,255/0/1 255,0,0/0/1 1,2,3/0/1 pane 10 494 749 592\n";
    EXPECT_EQ(out, expected);
}

}  // namespace
