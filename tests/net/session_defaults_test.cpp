// The session's remembered values in the user's config folder.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "net/session_defaults.h"
#include "platform/os/path.h"
#include "support/temp_dir.h"

namespace {

class SessionDefaultsTest : public ::testing::Test {
protected:
    ScopedWorkDir dir;
    std::string file;
    void SetUp() override {
        const char* old = std::getenv("XDG_CONFIG_HOME");
        saved = old ? old : "";
        hadOld = old != nullptr;
        setenv("XDG_CONFIG_HOME", (dir.path() / "cfg").c_str(), 1);
        file = (dir.path() / "cfg" / "brimvale" / "session.cfg").string();
    }
    void TearDown() override {
        os::SetWriteLimitForTests(-1);
        if (hadOld)
            setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
        else
            unsetenv("XDG_CONFIG_HOME");
    }
    std::string Read() const {
        std::ifstream in(file);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    void Write(const std::string& text) const {
        std::filesystem::create_directories(std::filesystem::path(file).parent_path());
        std::ofstream(file) << text;
    }

private:
    std::string saved;
    bool hadOld = false;
};

TEST_F(SessionDefaultsTest, AMissingFileIsMadeWithTheDefaults) {
    EXPECT_EQ(SessionDefaultsPath(), file);
    const SessionDefaults d = LoadSessionDefaults();
    EXPECT_EQ(d.playerName, "TestPlayer");
    EXPECT_EQ(d.sessionName, "TestGame");
    EXPECT_EQ(d.port, 25857u);
    EXPECT_EQ(Read(), "Player Name=TestPlayer\nSession Name=TestGame\nSimpleServer Port=25857\n");
}

TEST_F(SessionDefaultsTest, TheSessionNameAndPortComeBackAndOtherLinesStay) {
    Write("# mine\nPlayer Name=Zed\nExtra=1\n");
    ASSERT_TRUE(SaveSessionDefaults({"ignored", "Night Arena", 4000}));
    const SessionDefaults d = LoadSessionDefaults();
    EXPECT_EQ(d.playerName, "Zed");
    EXPECT_EQ(d.sessionName, "Night Arena");
    EXPECT_EQ(d.port, 4000u);
    EXPECT_EQ(Read(), "Player Name=Zed\nExtra=1\nSession Name=Night Arena\nSimpleServer Port=4000\n");
}

TEST_F(SessionDefaultsTest, MalformedValuesGiveTheirDefaults) {
    Write("Player Name=" + std::string(300, 'x') + "\r\nno equals sign\nSimpleServer Port=99999\nSession Name=Ok\n");
    const SessionDefaults d = LoadSessionDefaults();
    EXPECT_EQ(d.playerName, "TestPlayer");
    EXPECT_EQ(d.sessionName, "Ok");
    EXPECT_EQ(d.port, 25857u);
}

TEST_F(SessionDefaultsTest, AFailedWriteKeepsTheOldFile) {
    Write("Session Name=Old\n");
    os::SetWriteLimitForTests(3);
    EXPECT_FALSE(SaveSessionDefaults({"p", "New", 1}));
    EXPECT_EQ(Read(), "Session Name=Old\n");
}

}  // namespace
