#include <gtest/gtest.h>

#include <sstream>

#include "cli/Session.h"
#include "data/PeriodConverter.h"
#include "desk/SavedRun.h"
#include "platform/Files.h"
#include "support/TestSupport.h"
#include "trainer/WalkBars.h"

namespace {

std::string RunScript(const std::string& history, const std::string& script) {
    std::istringstream in(script);
    std::ostringstream out;
    RunSession(history, in, out, ImageWriterFn{});
    return out.str();
}

// Every print command the session has.
const char* const kPrints =
    "print cursor\nprint bars\nprint stats\nprint orders\nprint curve\nprint clock\n"
    "print readout\nprint lines\nprint indicators\nprint indicator 0\nprint indicator 1\n"
    "print journal\n"
    "print report\n";

class SavedRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string src = m_dir / "EURUSD.hst";
        WriteHst(src, "EURUSD", WalkBars(240 * 40, 5));
        files::CreateFolder(m_dir / "history");
        ASSERT_EQ(BuildPeriodFiles(src, History(), nullptr).status, ImportResult::Status::kOk);
    }
    std::string History() const { return m_dir.Path() + "/history/"; }
    TempDir m_dir;
};

TEST_F(SavedRunTest, SaveThenLoadGivesTheSameRun) {
    const std::string file = m_dir / "run.tvrun";
    for (bool honest : {false, true}) {
        SCOPED_TRACE(honest ? "honest" : "plain");
        const std::string run = std::string("symbol EURUSD\n") + (honest ? "honest on\n" : "") +
                                "period M15\nzoom in\ncharttype 18\nspread 2\n"
                                "indicator add MA 5\nindicator add MACD\n"
                                "next 30\nsl 1.2\ntp 1.5\nbuy\nsell\nnext 20\nselect 1\nclose\n"
                                "buy\nsl 0 1.1\ntp 1 0\nnext 7\n"
                                "tool horizontal\nmouse down 300 200\nmouse up 300 200\n"
                                "sl 1.0\n";
        const std::string before = RunScript(History(), run + kPrints + "save " + file + "\n");
        EXPECT_EQ(before.find("error"), std::string::npos) << before;
        EXPECT_NE(before.find(" Close\n"), std::string::npos);  // the journal has the close
        // Another session, as after a restart: only the file carries the run.
        const std::string after = RunScript(History(), "load " + file + "\n" + kPrints);
        EXPECT_EQ(after, before);
        // And the run goes on the same way from there.
        const std::string tail = "next 40\nbuy\nnext 3\nselect 0\nclose\n";
        EXPECT_EQ(RunScript(History(), "load " + file + "\n" + tail + kPrints),
                  RunScript(History(), run + tail + kPrints));
    }
}

TEST_F(SavedRunTest, BadFilesAreRefusedAndChangeNothing) {
    const std::string file = m_dir / "run.tvrun";
    RunScript(History(), "symbol EURUSD\nnext 12\nbuy\nnext 2\nsave " + file + "\n");
    const std::string whole = ReadFileBytes(file);
    ASSERT_FALSE(whole.empty());
    CSavedRun run;
    int version = 0;
    ASSERT_EQ(DecodeRun(whole, &run, &version), RunFileError::kNone);
    EXPECT_EQ(run.arrOpenOrders.size(), 1u);

    std::string newer = whole;
    newer.replace(newer.find(" 1\n"), 3, " 2\n");
    std::string flipped = whole;
    flipped[flipped.size() / 2] ^= 1;
    std::string otherPair = EncodeRun([&] {
        CSavedRun r = run;
        r.strSymbol = "USDJPY";
        return r;
    }());
    struct Case {
        const char* name;
        std::string bytes;
        const char* message;
    };
    const Case cases[] = {
        {"truncated", whole.substr(0, whole.size() * 2 / 3), "已损坏或不完整"},
        {"last byte gone", whole.substr(0, whole.size() - 1), "已损坏或不完整"},
        {"one bit", flipped, "已损坏或不完整"},
        {"newer", newer, "来自更新的版本(版本 2)"},
        {"not a run", "hello\n", "不是训练文件"},
        {"pair not imported", otherPair, "的货币 USDJPY 没有载入"},
    };
    const std::string start = "symbol EURUSD\nnext 5\nsell\n";
    const std::string untouched = RunScript(History(), start + kPrints);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string bad = m_dir / "bad.tvrun";
        WriteFileBytes(bad, c.bytes);
        const std::string out = RunScript(History(), start + "load " + bad + "\n" + kPrints);
        const auto message = out.find("message: ");
        ASSERT_NE(message, std::string::npos) << out;
        EXPECT_NE(out.find(c.message), std::string::npos) << out;
        // Without its message line the output is that of a session that loaded nothing.
        const auto eol = out.find('\n', message);
        EXPECT_EQ(out.substr(0, message) + out.substr(eol + 1), untouched);
    }
}

}  // namespace
