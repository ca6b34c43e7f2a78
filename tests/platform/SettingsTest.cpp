#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <fstream>

#include "platform/Settings.h"
#include "support/TestSupport.h"

namespace {

TEST(SettingsTest, ReadsSectionsSavesAndEnvironmentOverrides) {
    TempDir dir;
    std::string path = dir / "tarvello.ini";
    {
        std::ofstream f(path);
        f << "; comment\n[Online]\n ServerUrl = http://example.test "
             "\nProbeUrl=\n[Trainer]\nHonest=1\n"
             "Spread=x3\nbad line\n";
    }
    CSettings s(path);
    EXPECT_EQ(s.GetString("Online", "ServerUrl"), "http://example.test");
    EXPECT_EQ(s.GetString("Online", "ProbeUrl", "d"), "");
    EXPECT_EQ(s.GetString("Online", "Missing", "d"), "d");
    EXPECT_TRUE(s.GetBool("Trainer", "Honest", false));
    EXPECT_EQ(s.GetInt("Trainer", "Spread", 7), 7);  // not a whole number

    ::setenv("TARVELLO_SERVER_URL", "http://127.0.0.1:1", 1);
    EXPECT_EQ(s.GetString("Online", "ServerUrl"), "http://127.0.0.1:1");
    ::unsetenv("TARVELLO_SERVER_URL");

    s.SetInt("Trainer", "Spread", 12);
    s.SetBool("Trainer", "Honest", false);
    ASSERT_TRUE(s.Save());
    CSettings again(path);
    EXPECT_EQ(again.GetInt("Trainer", "Spread", 0), 12);
    EXPECT_FALSE(again.GetBool("Trainer", "Honest", true));
    EXPECT_EQ(again.GetString("Online", "ServerUrl"), "http://example.test");
}

TEST(SettingsTest, EnvironmentNames) {
    EXPECT_EQ(CSettings::EnvName("ServerUrl"), "TARVELLO_SERVER_URL");
    EXPECT_EQ(CSettings::EnvName("ProbeUrl"), "TARVELLO_PROBE_URL");
    EXPECT_EQ(CSettings::EnvName("Honest"), "TARVELLO_HONEST");
}

TEST(SettingsTest, MissingFileGivesDefaultsAndUnwritableFolderFailsSave) {
    CSettings s("/nonexistent-folder/tarvello.ini");
    EXPECT_EQ(s.GetInt("Trainer", "Spread", 3), 3);
    std::string error;
    EXPECT_FALSE(s.Save(&error));
    EXPECT_FALSE(error.empty());
}

}  // namespace
