#include <gtest/gtest.h>

#include <regex>
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

class LineSessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string src = m_dir / "EURUSD.hst";
        WriteHst(src, "EURUSD", MakeBars(240 * 130));
        files::CreateFolder(m_dir / "history");
        ASSERT_EQ(BuildPeriodFiles(src, History(), nullptr).status, ImportResult::Status::kOk);
    }
    std::string History() const { return m_dir.Path() + "/history/"; }
    TempDir m_dir;
};

TEST_F(LineSessionTest, ToolsMouseDeleteKeyAndPrintLines) {
    // The default chart: 739 pixels for 120 bars, 5 pixels a bar from x 10;
    // after 120 bars the first one is bar 0.
    const std::string out = RunScript(History(),
                                      "symbol EURUSD\n"
                                      "next 120\n"
                                      "tool vertical\n"
                                      "mouse down 400 200\n"
                                      "mouse up 400 200\n"
                                      "tool trend\n"
                                      "mouse down 100 300\n"
                                      "mouse move 300 250\n"
                                      "mouse up 400 200\n"
                                      "print lines\n"
                                      "mouse dblclick 400 200\n"
                                      "mouse right 400 200\n"
                                      "mouse right 200 120\n"
                                      "key delete\n"
                                      "print lines\n");
    std::istringstream lines(out);
    std::string vertical, trend, menu1, menu2, rest;
    std::getline(lines, vertical);
    std::getline(lines, trend);
    std::getline(lines, menu1);
    std::getline(lines, menu2);
    std::getline(lines, rest, '\0');
    const std::string num = R"(-?[0-9.]+(e[-+][0-9]+)?)";
    EXPECT_TRUE(
        std::regex_match(vertical, std::regex("line 0 0 5 0 anchors 1 78 " + num + " handles 0")))
        << vertical;
    EXPECT_TRUE(
        std::regex_match(trend, std::regex("line 1 2 5 0 anchors 2 18 " + num + " 78 " + num +
                                           " handles 3 18 " + num + " 48 " + num + " 78 " + num)))
        << trend;
    // The double click selected both (they meet at the trend's second anchor).
    EXPECT_EQ(menu1, "menu 140");
    EXPECT_EQ(menu2, "menu 150");
    EXPECT_EQ(rest, "");  // Delete removed both
}

TEST_F(LineSessionTest, LineCommandsByTheirIds) {
    // Two vertical lines; the right click on the selected second one chooses it.
    const std::string out = RunScript(History(),
                                      "symbol EURUSD\n"
                                      "next 120\n"
                                      "tool vertical\n"
                                      "mouse down 100 200\n"
                                      "mouse up 100 200\n"
                                      "tool vertical\n"
                                      "mouse down 400 200\n"
                                      "mouse up 400 200\n"
                                      "mouse dblclick 400 300\n"
                                      "mouse right 400 300\n"
                                      "command 32807\n"
                                      "command 32809\n"
                                      "print lines\n"
                                      "command 32809\n"
                                      "command 32819\n"
                                      "print lines\n"
                                      "command 1\n"
                                      "command x\n");
    std::istringstream lines(out);
    std::vector<std::string> got;
    for (std::string line; std::getline(lines, line);) got.push_back(line);
    ASSERT_EQ(got.size(), 5u) << out;
    EXPECT_EQ(got[0], "menu 140");
    EXPECT_EQ(got[1], "message: property");
    EXPECT_EQ(got[2].rfind("line 0 0 5 0 anchors 1 18 ", 0), 0u) << got[2];
    EXPECT_EQ(got[3].rfind("error: ", 0), 0u);
    EXPECT_EQ(got[4].rfind("error: ", 0), 0u);
}

TEST_F(LineSessionTest, MalformedCommandsAreErrors) {
    const std::string out = RunScript(History(),
                                      "tool hammer\n"
                                      "tool\n"
                                      "mouse down 1\n"
                                      "mouse press 1 2\n"
                                      "mouse up x 2\n"
                                      "key escape\n"
                                      "print lines\n");
    std::istringstream lines(out);
    int errors = 0;
    for (std::string line; std::getline(lines, line);) {
        EXPECT_EQ(line.rfind("error: ", 0), 0u) << line;
        ++errors;
    }
    EXPECT_EQ(errors, 6);
}

}  // namespace
