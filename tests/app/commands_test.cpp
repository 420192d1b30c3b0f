// MainWindow's commands: enter the game, close, minimise, website.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/endpoints.h"
#include "platform/headless/driver.h"
#include "tests/support/launcher_fixture.h"

namespace {

namespace headless = platform::headless;
using testing_support::G;
using testing_support::LauncherTest;
using testing_support::TempDir;

class CommandsTest : public LauncherTest {
 protected:
  void StartCurrent() {
    WriteZgIni("S", "1.0");
    ServeVersion("1.0");
    ASSERT_NE(StartLauncher(), nullptr);
  }
};

TEST_F(CommandsTest, EnterGameWithoutTheClientExplainsAndStaysOpen) {
  StartCurrent();
  ASSERT_TRUE(headless::Click(*main_, "进入游戏"));
  ASSERT_EQ(headless::MessageBoxes().size(), 1u);
  EXPECT_EQ(headless::MessageBoxes()[0].text, G("请把登陆器放在Velmora客户端目录内!"));
  EXPECT_EQ(headless::MessageBoxes()[0].flags, platform::kMessageNoIcon);
  EXPECT_EQ(headless::MessageBoxes()[0].title, G("提示"));
  EXPECT_FALSE(headless::ExitCode());
  EXPECT_FALSE(main_->IsMinimised());
  EXPECT_TRUE(headless::StartedPrograms().empty());
  // The player may try again once the client is there.
  client_.Write("online.exe", "MZ");
  ASSERT_TRUE(headless::Click(*main_, "进入游戏"));
  EXPECT_EQ(headless::ExitCode(), 0);
}

TEST_F(CommandsTest, EnterGameMinimisesStartsTheClientUnquotedAndEnds) {
  TempDir spaced("client with spaces");
  headless::SetRunDirectory((spaced.path() / "Velmora 客户端").string());
  std::filesystem::create_directories(spaced.path() / "Velmora 客户端");
  WriteZgIni("S", "1.0");
  spaced.Write("Velmora 客户端/zg.ini", client_.Read("zg.ini"));
  spaced.Write("Velmora 客户端/online.exe", "MZ");
  ServeVersion("1.0");
  ASSERT_NE(StartLauncher(), nullptr);

  ASSERT_TRUE(headless::Click(*main_, "进入游戏"));
  ASSERT_EQ(headless::StartedPrograms().size(), 1u);
  EXPECT_EQ(headless::StartedPrograms()[0], G((spaced.path().string() + "/Velmora 客户端\\online.exe").c_str()));
  EXPECT_TRUE(main_->IsMinimised());
  EXPECT_EQ(headless::ExitCode(), 0);
  EXPECT_TRUE(main_->IsDestroyed());
}

TEST_F(CommandsTest, MinimiseAndWebsite) {
  StartCurrent();
  (*main_)["最小化"].SetVisible(true);  // both are hidden in the layout; their commands exist
  (*main_)["官方网站"].SetVisible(true);
  ASSERT_TRUE(headless::Click(*main_, "最小化"));
  EXPECT_TRUE(main_->IsMinimised());
  EXPECT_FALSE(headless::ExitCode());
  ASSERT_TRUE(headless::Click(*main_, "官方网站"));
  ASSERT_EQ(headless::ShellOpened().size(), 1u);
  EXPECT_EQ(headless::ShellOpened()[0], app::BuiltInEndpoints().websiteAddress);
}

TEST_F(CommandsTest, HiddenButtonsCannotBeClicked) {
  StartCurrent();
  for (const char* hidden : {"最小化", "官方网站", "开始充值", "代币博彩", "重置信息"})
    EXPECT_FALSE(headless::Click(*main_, hidden)) << hidden;
}

TEST_F(CommandsTest, EnterGameIsDisabledWhilePatching) {
  WriteZgIni("S", "1.0");
  ServeVersion("1.1");
  client_.Write("online.exe", "MZ");
  ASSERT_NE(StartLauncher(), nullptr);
  EXPECT_FALSE(headless::Click(*main_, "进入游戏"));
  EXPECT_TRUE(headless::StartedPrograms().empty());
}

}  // namespace
