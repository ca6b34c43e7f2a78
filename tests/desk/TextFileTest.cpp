#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>

#include "desk/TextFile.h"
#include "platform/Files.h"
#include "platform/Format.h"
#include "platform/Process.h"
#include "support/TestSupport.h"

namespace {

// The id of a process that has ended.
long DeadPid() {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return child;
}

std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    for (const files::Entry& e : files::ListFolder(folder)) names.push_back(e.name);
    return names;
}

}  // namespace

TEST(TextFileTest, SaveRemovesTheTemporariesOfDeadWriters) {
    TempDir dir;
    const std::string file = dir / "run.tvrun";
    const long dead = DeadPid();
    // The test's parent stands for another program saving the same file.
    const long live = ::getppid();
    const unsigned long long start = process::StartTime(live).value_or(0);
    ASSERT_NE(start, 0u);
    struct Case {
        std::string name;
        bool stays;
    } cases[] = {
        {FormatString("run.tvrun.tmp%ld", dead), false},  // as earlier versions named it
        {FormatString("run.tvrun.tmp%ld-%llu", dead, start), false},      // killed writer
        {FormatString("run.tvrun.tmp%ld-%llu", live, start + 1), false},  // the id reused since
        {FormatString("run.tvrun.tmp%ld-%llu", live, start), true},       // a writer at work
        {FormatString("other.tvrun.tmp%ld", dead), true},                 // another file's
        {"run.tvrun.tmpx", true},
        {"run.tvrun.tmp", true},
    };
    for (const Case& c : cases) WriteFileBytes(dir / c.name, "half");
    std::string error;
    ASSERT_TRUE(text_file::WriteAtomically(file, "whole\n", &error)) << error;
    EXPECT_EQ(ReadFileBytes(file), "whole\n");
    const std::vector<std::string> left = Names(dir.Path());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(std::count(left.begin(), left.end(), c.name), c.stays ? 1 : 0);
    }
    // Its own temporary is gone once the file is in place.
    EXPECT_EQ(left.size(), 5u);
}
