#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

#include "data/HistoryFile.h"
#include "data/HistoryLocation.h"
#include "platform/Files.h"
#include "support/TestSupport.h"

namespace {

// Sets an environment variable for one scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : m_name(name) {
        if (const char* old = std::getenv(name)) m_old = old;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnv() {
        if (m_old)
            ::setenv(m_name, m_old->c_str(), 1);
        else
            ::unsetenv(m_name);
    }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

TEST(HistoryLocation, BesideTheProgramUnlessThatIsABuildTree) {
    TempDir dir;
    ScopedEnv xdg("XDG_DATA_HOME", (dir / "data").c_str());
    files::CreateFolder(dir / "program");
    files::CreateFolder(dir / "build");
    files::CreateFolder(dir / "build/bin");
    WriteFileBytes(dir / "build/CMakeCache.txt", "");
    struct Case {
        std::string program;
        std::string history;
    } cases[] = {
        {dir / "program/", dir / "program/history/"},
        {dir / "program", dir / "program/history/"},
        {dir / "build/", dir / "data/tarvello/history/"},      // a clean rebuild would take it
        {dir / "build/bin/", dir / "data/tarvello/history/"},  // anywhere inside the tree
        {dir / "missing/", dir / "data/tarvello/history/"},    // nowhere to write
    };
    for (const auto& c : cases) EXPECT_EQ(DefaultHistoryFolder(c.program), c.history) << c.program;
}

TEST(HistoryLocation, UserDataFolder) {
    ScopedEnv home("HOME", "/home/trainee");
    {
        ScopedEnv xdg("XDG_DATA_HOME", "/data/me");
        EXPECT_EQ(UserDataFolder(), "/data/me/tarvello/");
    }
    {
        ScopedEnv xdg("XDG_DATA_HOME", "relative/path");  // not absolute: ignored
        EXPECT_EQ(UserDataFolder(), "/home/trainee/.local/share/tarvello/");
    }
    ScopedEnv xdg("XDG_DATA_HOME", nullptr);
    EXPECT_EQ(UserDataFolder(), "/home/trainee/.local/share/tarvello/");
}

TEST(HistoryLocation, TheBuiltProgramKeepsItsHistoryOutOfTheBuildTree) {
    // The tests run from the build tree, as the trainer does under scripts/run.
    TempDir dir;
    ScopedEnv xdg("XDG_DATA_HOME", dir.Path().c_str());
    EXPECT_TRUE(IsInBuildTree(GetProgramFolder()));
    EXPECT_EQ(DefaultHistoryFolder(GetProgramFolder()), dir.Path() + "/tarvello/history/");
}

}  // namespace
