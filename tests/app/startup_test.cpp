// The start-up sequence as the player and the server see it.
#include <gtest/gtest.h>

#include <regex>
#include <set>

#include "app/globals.h"
#include "platform/headless/driver.h"
#include "tests/support/launcher_fixture.h"

namespace {

namespace headless = platform::headless;
using testing_support::G;
using testing_support::LauncherTest;

using StartupTest = LauncherTest;

TEST_F(StartupTest, MissingZgIniShowsTheMessageBeforeAnyNetworkAccessAndEnds) {
  ServeVersion("1.0");
  client_.Write("up.zip", "left over");
  int rowsWhileShown = -1;
  int requestsWhileShown = -1;
  headless::OnMessageBox([&](const headless::MessageBoxRecord&) {
    rowsWhileShown = (*headless::FindWindow("MainWindow"))["服务器列表信息"].RowCount();
    requestsWhileShown = headless::HttpRequestCount() + int(server_->Requests().size());
  });

  EXPECT_EQ(StartLauncher(), nullptr);  // the window is gone: the process ended

  ASSERT_EQ(headless::MessageBoxes().size(), 1u);
  const auto& box = headless::MessageBoxes()[0];
  EXPECT_EQ(box.text, G("文件打开失败，请检查客户端zg.ini配置文件是否存在。"));
  EXPECT_EQ(box.flags, platform::kMessageError);
  EXPECT_EQ(box.title, G("信息："));
  EXPECT_EQ(requestsWhileShown, 0);
  EXPECT_EQ(rowsWhileShown, 0);
  EXPECT_EQ(headless::ExitCode(), 0);
  EXPECT_FALSE(client_.Exists("up.zip"));
  EXPECT_TRUE(server_->Requests().empty());
}

struct VersionCase {
  const char* what;
  std::string local;       // stored in zg.ini
  std::string served;      // body of /bb.txt
  bool unreachable;        // nothing listens on the update port
  bool current;
};

void PrintTo(const VersionCase& c, std::ostream* out) { *out << c.what; }

class VersionOutcome : public LauncherTest, public ::testing::WithParamInterface<VersionCase> {};

TEST_P(VersionOutcome, DecidesBetweenPlayingAndPatching) {
  const VersionCase& c = GetParam();
  WriteZgIni("青龙一区", c.local);
  ServeVersion(c.served);
  if (c.unreachable) MakeUpdateHostUnreachable();
  client_.Write("up.zip", "left over");

  auto window = StartLauncher();
  ASSERT_NE(window, nullptr);
  platform::Window& w = *window;
  const std::string server = c.unreachable ? "" : platform::TextUpToZero(c.served);

  EXPECT_TRUE(headless::IsShown(w));
  EXPECT_EQ(w.GetTitle(), G("青龙一区"));
  EXPECT_FALSE(client_.Exists("up.zip"));
  EXPECT_TRUE(headless::MessageBoxes().empty());
  if (c.current) {
    EXPECT_EQ(VersionLine(), G("本地版本为：") + G(c.local.c_str()) + G(" 服务器版本为：") + server + G("      可以进行游戏"));
    EXPECT_TRUE(w["进入游戏"].IsEnabled());
    EXPECT_FALSE(w["下载进度条"].IsVisible());
    EXPECT_FALSE(w["解压进度条"].IsVisible());
    EXPECT_EQ(w["网页公告"].GetBounds().height, 230);
  } else {
    EXPECT_EQ(VersionLine(), G("本地版本为：") + G(c.local.c_str()) + G(" 服务器版本为：") + server + G("      请等待更新"));
    EXPECT_FALSE(w["进入游戏"].IsEnabled());
    EXPECT_TRUE(w["下载进度条"].IsVisible());
    EXPECT_TRUE(w["解压进度条"].IsVisible());
    EXPECT_EQ(w["网页公告"].GetBounds().height, 192);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Startup, VersionOutcome,
    ::testing::Values(VersionCase{"equal", "1.0", "1.0", false, true},
                      VersionCase{"different", "1.0", "1.1", false, false},
                      VersionCase{"case differs", "v1.0", "V1.0", false, false},
                      VersionCase{"server adds CR LF", "1.0", "1.0\r\n", false, false},
                      VersionCase{"server adds a blank", "1.0", "1.0 ", false, false},
                      VersionCase{"both empty, host unreachable", "", "1.0", true, true},
                      VersionCase{"local set, host unreachable", "1.0", "1.0", true, false},
                      VersionCase{"body cut at a zero byte", "1.0", std::string("1.0\0tail", 8), false, true}),
    [](const auto& info) {
      std::string name = info.param.what;
      for (char& ch : name)
        if (!std::isalnum((unsigned char)ch)) ch = '_';
      return name;
    });

TEST_F(StartupTest, EmptyZgIniValuesWithAnUnreachableHostCountAsCurrent) {
  client_.Write("zg.ini", "[other]\r\nx=1\r\n");  // exists, but without section "server"
  MakeUpdateHostUnreachable();
  auto window = StartLauncher();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->GetTitle(), "");
  EXPECT_EQ((*window)["服务器列表信息"].GetCell(0, 0), "");
  EXPECT_TRUE((*window)["进入游戏"].IsEnabled());
  EXPECT_EQ(VersionLine(), G("本地版本为： 服务器版本为：      可以进行游戏"));
}

TEST_F(StartupTest, AnErrorPageIsAVersionLikeAnyOther) {
  WriteZgIni("S", "1.0");  // the server has no bb.txt: its 404 page is the "version"
  auto window = StartLauncher();
  ASSERT_NE(window, nullptr);
  EXPECT_FALSE((*window)["进入游戏"].IsEnabled());
  EXPECT_GT(app::ServerVersion.size(), 0u);
  EXPECT_EQ(server_->RequestCount("/bb.txt"), 1u);
}

TEST_F(StartupTest, TheServerRowHoldsTheNameAndALatencyFrom5To120) {
  std::set<std::string> latencies;
  for (int run = 0; run < 40; ++run) {
    headless::Reset();
    headless::AdvanceClock(uint32_t(run * 7919));  // another tick count for each start
    WriteZgIni("青龙一区", "1.0");
    ServeVersion("1.0");
    auto window = StartLauncher();
    ASSERT_NE(window, nullptr);
    platform::Control& list = (*window)["服务器列表信息"];
    ASSERT_EQ(list.RowCount(), 1);
    EXPECT_EQ(list.GetCell(0, 0), G("青龙一区"));
    EXPECT_EQ(list.GetCell(0, 1), G("全网"));
    EXPECT_EQ(list.GetCell(0, 2), G("正常"));
    EXPECT_EQ(list.GetCell(0, 4), "");
    const std::string latency = list.GetCell(0, 3);
    std::smatch m;
    ASSERT_TRUE(std::regex_match(latency, m, std::regex("([0-9]+) Ms"))) << latency;
    const int value = std::stoi(m[1]);
    EXPECT_GE(value, 5);
    EXPECT_LE(value, 120);
    latencies.insert(latency);
  }
  EXPECT_GT(latencies.size(), 5u);  // reseeded from the clock, not fixed
}

TEST_F(StartupTest, AnnouncementAddressAndVersionRequest) {
  WriteZgIni("S", "1.0");
  ServeVersion("1.0");
  auto window = StartLauncher();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ((*window)["网页公告"].GetAddress(),
            "http://127.0.0.1:" + std::to_string(server_->PagePort()) + "/gg.txt");
  const auto requests = server_->Requests();
  ASSERT_EQ(requests.size(), 1u);  // only /bb.txt: the announcement page is never loaded
  EXPECT_EQ(requests[0].method, "GET");
  EXPECT_EQ(requests[0].path, "/bb.txt");
}

TEST_F(StartupTest, BeforePatchingTheNamedOldPatchFileIsDeleted) {
  WriteZgIni("S", "1.0", "旧补丁.exe");
  client_.Write("旧补丁.exe", "old");
  ServeVersion("1.1");
  ASSERT_NE(StartLauncher(), nullptr);
  EXPECT_FALSE(client_.Exists("旧补丁.exe"));
  EXPECT_EQ(app::PatchFileName, "up.zip");
}

TEST_F(StartupTest, ACurrentClientKeepsTheNamedPatchFile) {
  WriteZgIni("S", "1.0", "keep.exe");
  client_.Write("keep.exe", "tool");
  ServeVersion("1.0");
  ASSERT_NE(StartLauncher(), nullptr);
  EXPECT_TRUE(client_.Exists("keep.exe"));
}

TEST_F(StartupTest, TheWindowIsCutToItsBackgroundOutline) {
  WriteZgIni("S", "1.0");
  ServeVersion("1.0");
  auto window = StartLauncher();
  ASSERT_NE(window, nullptr);
  ASSERT_FALSE(headless::OutlineOf(*window).empty());
  EXPECT_FALSE(headless::ContainsPoint(*window, 0, 0));  // a magenta corner
  EXPECT_TRUE(headless::ContainsPoint(*window, 486, 237));
}

TEST_F(StartupTest, CloseEndsTheProcessWithoutTouchingZgIni) {
  WriteZgIni("S", "1.0");
  ServeVersion("1.1");
  const std::string before = client_.Read("zg.ini");
  auto window = StartLauncher();
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(headless::Click(*window, "关闭"));
  EXPECT_EQ(headless::ExitCode(), 0);
  EXPECT_TRUE(window->IsDestroyed());
  EXPECT_EQ(client_.Read("zg.ini"), before);
  EXPECT_EQ(app::Cipher, nullptr);  // the exit routine released the globals
}

}  // namespace
