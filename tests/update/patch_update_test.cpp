// The patch update end to end on the headless backend: a real download from
// devserver, a real archive extracted into the client folder, zg.ini rewritten.
#include "update/patch_update.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/endpoints.h"
#include "app/globals.h"
#include "cipher/text_cipher.h"
#include "platform/headless/driver.h"
#include "platform/profile.h"
#include "tests/support/launcher_fixture.h"
#include "tests/zip/zip_fixture.h"

namespace {

namespace fs = std::filesystem;
namespace headless = platform::headless;
using testing_support::G;
using testing_support::LauncherTest;
using zip_test::ArchiveBuilder;
using zip_test::File;
using zip_test::Folder;

constexpr int kWaitMs = 20000;

class PatchTest : public LauncherTest {
 protected:
  // The client lives one level down, so a file written "outside" it can be seen.
  void SetUp() override {
    LauncherTest::SetUp();
    game_ = client_.path() / "game";
    fs::create_directories(game_);
    headless::SetRunDirectory(game_.string());
    headless::SetWorkingDirectory(game_.string());
  }

  void WriteGameZgIni(const std::string& version, const std::string& patchName = "") {
    WriteZgIni("S", version, patchName);
    fs::rename(client_.path() / "zg.ini", game_ / "zg.ini");
  }

  std::string GameFile(const std::string& utf8Name) const { return zip_test::ReadFile(game_ / utf8Name); }

  void ServeArchive(const std::string& bytes) { serverRoot_.Write("up.zip", bytes); }

  // Starts a client that needs the patch and waits until the task has ended
  // and the completion sequence has run (or stopped).
  void PatchFrom(const std::string& localVersion, const std::string& serverVersion) {
    WriteGameZgIni(localVersion);
    ServeVersion(serverVersion);
    zgIniBefore_ = GameFile("zg.ini");
    ASSERT_NE(StartLauncher(), nullptr);
    ASSERT_FALSE((*main_)["进入游戏"].IsEnabled());
  }

  ::testing::AssertionResult WaitForEnterGame() {
    // The completion sequence runs on the download thread; its last step marks the patch applied.
    if (headless::RunUntil([&] { return app::CurrentPatchState == app::PatchState::Applied; }, kWaitMs) &&
        (*main_)["进入游戏"].IsEnabled())
      return ::testing::AssertionSuccess();
    auto failure = ::testing::AssertionFailure();
    failure << "patch state " << int(app::CurrentPatchState.load()) << ", bytes " << app::Downloader->BytesDownloaded()
            << ", extraction bar " << (*main_)["解压进度条"].GetPosition() << ", requests:";
    for (const auto& r : server_->Requests()) failure << " " << r.path << "[" << r.range << "]=" << r.status;
    return failure;
  }

  // Waits until the completion sequence has run to its end or stopped.
  void WaitForTaskEnd() {
    ASSERT_TRUE(headless::RunUntil(
        [] {
          const app::PatchState state = app::CurrentPatchState;
          return state == app::PatchState::Applied || state == app::PatchState::Failed;
        },
        kWaitMs));
  }

  void ExpectUnpatched() {
    EXPECT_EQ(GameFile("zg.ini"), zgIniBefore_);
    EXPECT_FALSE((*main_)["进入游戏"].IsEnabled());
    EXPECT_EQ(VersionLine(), G("本地版本为：1.0 服务器版本为：1.1      请等待更新"));
    // Nothing was written beside the client folder.
    for (const auto& entry : fs::directory_iterator(client_.path()))
      EXPECT_EQ(entry.path().filename(), "game") << entry.path();
  }

  fs::path game_;
  std::string zgIniBefore_;
};

std::string SmallArchive() {
  return ArchiveBuilder()
      .Add(File("data/items.dat", zip_test::TextBytes(200000, 1)))
      .Add(Folder(zip_test::GbkFromUtf8("地图/")))
      .Add(File(zip_test::GbkFromUtf8("地图/新手村.map"), zip_test::NoiseBytes(50000, 2)))
      .Add(File("online.exe", "MZ new client", 0))
      .Bytes();
}

TEST_F(PatchTest, APatchIsAppliedAndTheNextStartFindsTheClientCurrent) {
  ServeArchive(SmallArchive());
  zip_test::WriteFile(game_ / "online.exe", "MZ old client");
  fs::permissions(game_ / "online.exe", fs::perms::owner_read);  // read-only: still replaced
  PatchFrom("1.0", "1.1\r\n");  // the server's version carries a line break
  ASSERT_TRUE(WaitForEnterGame());

  EXPECT_EQ(GameFile("online.exe"), "MZ new client");
  EXPECT_EQ(GameFile("data/items.dat"), zip_test::TextBytes(200000, 1));
  EXPECT_EQ(GameFile("地图/新手村.map"), zip_test::NoiseBytes(50000, 2));
  EXPECT_FALSE(fs::exists(game_ / "up.zip"));
  EXPECT_EQ(platform::ReadProfileValue(G((game_.string() + "/zg.ini").c_str()), "server", G("本地版本")),
            cipher::TextCipher().Encrypt("1.1\r\n", cipher::ConfigKey));
  EXPECT_EQ(VersionLine(), G("本地版本为：1.1\r\n 服务器版本为：1.1\r\n      可以进行游戏"));
  EXPECT_FALSE((*main_)["下载进度条"].IsVisible());
  EXPECT_FALSE((*main_)["解压进度条"].IsVisible());
  EXPECT_EQ((*main_)["解压进度条"].GetPosition(), 100);
  EXPECT_EQ((*main_)["网页公告"].GetBounds().height, 230);
  // The rest of zg.ini is as the operator wrote it.
  EXPECT_EQ(platform::ReadProfileValue(G((game_.string() + "/zg.ini").c_str()), "server", "name"),
            cipher::TextCipher().Encrypt("S", cipher::ConfigKey));

  // Next start: current, no download.
  headless::Reset();
  server_->ClearRequests();
  ASSERT_NE(StartLauncher(), nullptr);
  EXPECT_TRUE((*main_)["进入游戏"].IsEnabled());
  EXPECT_EQ(server_->RequestCount("/up.zip"), 0u);
}

TEST_F(PatchTest, TheDownloadBarFollowsTheBytesDownloaded) {
  // Five equal ranges that each stall halfway: half of the file arrives.
  const std::string bytes = zip_test::NoiseBytes(2621440, 7);
  ServeArchive(bytes);
  devserver::Faults faults;
  faults.path = "/up.zip";
  faults.stallAfter = bytes.size() / 10;
  faults.stallFor = std::chrono::milliseconds(3000);
  server_->SetFaults(faults);
  PatchFrom("1.0", "1.1");

  headless::AdvanceClock(100);
  EXPECT_EQ((*main_)["下载进度条"].GetPosition(), 0) << "before any byte";
  ASSERT_TRUE(headless::RunUntil([&] { return app::Downloader->BytesDownloaded() == int64_t(bytes.size() / 2); }, kWaitMs));
  headless::AdvanceClock(100);
  EXPECT_EQ((*main_)["下载进度条"].GetPosition(), 50);
  ASSERT_TRUE(headless::RunUntil([&] { return app::Downloader->BytesDownloaded() == int64_t(bytes.size()); }, kWaitMs));
  headless::AdvanceClock(100);
  EXPECT_EQ((*main_)["下载进度条"].GetPosition(), 100);
  // Those bytes are no archive: nothing is recorded.
  WaitForTaskEnd();
  EXPECT_EQ(app::CurrentPatchState, app::PatchState::Failed);
  ExpectUnpatched();
}

TEST(DownloadPercent, RoundsHalfUpAndIsZeroUntilTheSizeIsKnown) {
  struct Case {
    int64_t done;
    double total;
    int percent;
  } cases[] = {{0, 0, 0}, {500, 0, 0}, {0, 1000, 0}, {5, 1000, 1}, {4, 1000, 0}, {500, 1000, 50},
               {1000, 1000, 100}, {1, 3, 33}, {2, 3, 67}, {1005, 2000, 50}, {1010, 2000, 51}};
  for (const Case& c : cases) EXPECT_EQ(update::DownloadPercent(c.done, c.total), c.percent) << c.done << "/" << c.total;
}

struct FailureCase {
  const char* what;
  std::function<std::string()> archive;
  std::function<void(devserver::Faults&)> faults;
  bool applied;  // whether the patch still goes through (a server quirk the download copes with)
};
void PrintTo(const FailureCase& c, std::ostream* out) { *out << c.what; }

class PatchOutcome : public PatchTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(PatchOutcome, EndsWholeOrNotAtAll) {
  const FailureCase& c = GetParam();
  ServeArchive(c.archive());
  devserver::Faults faults;
  faults.path = "/up.zip";
  if (c.faults) c.faults(faults);
  server_->SetFaults(faults);
  PatchFrom("1.0", "1.1");
  if (c.applied) {
    ASSERT_TRUE(WaitForEnterGame());
    EXPECT_EQ(GameFile("data/items.dat"), zip_test::TextBytes(200000, 1));
    return;
  }
  WaitForTaskEnd();
  EXPECT_EQ(app::CurrentPatchState, app::PatchState::Failed);
  ExpectUnpatched();
  EXPECT_FALSE(fs::exists(game_ / "x"));
}

std::string WithThirdEntry(zip_test::FixtureEntry third) {
  return ArchiveBuilder()
      .Add(File("data/items.dat", zip_test::TextBytes(200000, 1)))
      .Add(File("b.txt", "b"))
      .Add(std::move(third))
      .Bytes();
}

INSTANTIATE_TEST_SUITE_P(
    Patch, PatchOutcome,
    ::testing::Values(
        FailureCase{"server_without_ranges", SmallArchive, [](auto& f) { f.refuseRanges = true; }, true},
        FailureCase{"connections_dropped_midway", SmallArchive, [](auto& f) { f.dropAfter = 40000; }, true},
        FailureCase{"truncated_archive", SmallArchive, [](auto& f) { f.truncateAt = 30000; }, false},
        FailureCase{"no_entries", [] { return ArchiveBuilder().Bytes(); }, nullptr, false},
        FailureCase{"not_an_archive", [] { return std::string("<html>404</html>"); }, nullptr, false},
        FailureCase{"bad_crc",
                    [] {
                      auto e = File("c.txt", "content");
                      e.crc = 0x12345678;
                      return WithThirdEntry(e);
                    },
                    nullptr, false},
        FailureCase{"dot_dot", [] { return WithThirdEntry(File("../x", "escape")); }, nullptr, false},
        FailureCase{"absolute", [] { return WithThirdEntry(File("/x", "escape")); }, nullptr, false},
        FailureCase{"drive_letter", [] { return WithThirdEntry(File("C:\\x", "escape")); }, nullptr, false},
        FailureCase{"nested_dot_dot", [] { return WithThirdEntry(File("a/../../x", "escape")); }, nullptr, false},
        FailureCase{"stream", [] { return WithThirdEntry(File("x:stream", "escape")); }, nullptr, false}),
    [](const auto& info) { return std::string(info.param.what); });

TEST_F(PatchTest, AThousandEntriesInNestedGbkFolders) {
  ArchiveBuilder builder;
  for (int i = 0; i < 1000; ++i)
    builder.Add(File(zip_test::GbkFromUtf8("资源/第" + std::to_string(i % 10) + "层/子目录" + std::to_string(i % 7) +
                                           "/文件" + std::to_string(i) + ".dat"),
                     "entry " + std::to_string(i)));
  ServeArchive(builder.Bytes());
  PatchFrom("1.0", "1.1");
  ASSERT_TRUE(WaitForEnterGame());
  EXPECT_EQ(GameFile("资源/第3层/子目录3/文件703.dat"), "entry 703");
  EXPECT_EQ(GameFile("资源/第9层/子目录5/文件999.dat"), "entry 999");
}

TEST_F(PatchTest, AnotherWorkingDirectoryNeverFeedsTheExtraction) {
  // A stale archive in the working directory must not be taken for the new one.
  const fs::path elsewhere = client_.path() / "elsewhere";
  fs::create_directories(elsewhere);
  zip_test::WriteFile(elsewhere / "up.zip", ArchiveBuilder().Add(File("stale.txt", "stale")).Bytes());
  headless::SetWorkingDirectory(elsewhere.string());
  ServeArchive(SmallArchive());
  PatchFrom("1.0", "1.1");
  ASSERT_TRUE(WaitForEnterGame());
  EXPECT_EQ(GameFile("online.exe"), "MZ new client");
  EXPECT_FALSE(fs::exists(game_ / "stale.txt"));
  EXPECT_FALSE(fs::exists(game_ / "up.zip"));
}

TEST_F(PatchTest, UnreachableHostLeavesTheClientWaiting) {
  MakeUpdateHostUnreachable();
  WriteGameZgIni("1.0");
  zgIniBefore_ = GameFile("zg.ini");
  ASSERT_NE(StartLauncher(), nullptr);
  WaitForTaskEnd();
  headless::AdvanceClock(100);
  EXPECT_EQ((*main_)["下载进度条"].GetPosition(), 0);
  EXPECT_FALSE((*main_)["进入游戏"].IsEnabled());
  EXPECT_EQ(GameFile("zg.ini"), zgIniBefore_);
}

TEST_F(PatchTest, CloseDuringADownloadEndsAtOnceAndLeavesZgIni) {
  ServeArchive(zip_test::NoiseBytes(3000000, 3));
  devserver::Faults faults;
  faults.path = "/up.zip";
  faults.stallAfter = 1000;  // stalls until the server stops
  server_->SetFaults(faults);
  PatchFrom("1.0", "1.1");
  ASSERT_TRUE(headless::RunUntil([&] { return app::Downloader->BytesDownloaded() > 0; }, kWaitMs));
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(headless::Click(*main_, "关闭"));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2500));
  EXPECT_EQ(headless::ExitCode(), 0);
  EXPECT_EQ(GameFile("zg.ini"), zgIniBefore_);
}

}  // namespace
