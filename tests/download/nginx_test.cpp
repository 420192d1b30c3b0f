// The download component against a real nginx on a loopback port.
#include <gtest/gtest.h>

#include <set>

#include "platform/download/downloader.h"
#include "tests/download/download_fixture.h"
#include "tests/download/nginx_server.h"
#include "tests/support/temp_dir.h"

namespace download_testing {
namespace {

using platform::DownloadOutcome;

struct NginxCase {
  const char* name;
  bool rangesHonoured;
  int connections;
  int expectedStatus;  // of every request
  size_t expectedRequests;
};

void PrintTo(const NginxCase& c, std::ostream* out) { *out << c.name; }

class NginxDownloadTest : public testing::TestWithParam<NginxCase> {};

TEST_P(NginxDownloadTest, FetchesTheArchiveByteExact) {
  if (NginxServer::Program().empty()) GTEST_SKIP() << "nginx is not installed";
  const NginxCase& c = GetParam();
  testing_support::TempDir dir("download-nginx");
  const std::string file = PatternBytes(8 * 1024 * 1024 + 1234, 11);
  dir.Write("served/up.zip", file);
  NginxServer nginx(dir.path() / "served", dir.path() / "nginx", c.rangesHonoured);
  const std::optional<std::string> error = nginx.Start();
  ASSERT_EQ(error, std::nullopt) << *error;

  platform::DownloadTask task;
  task.address = "http://127.0.0.1:" + std::to_string(nginx.Port()) + "/up.zip";
  task.localFile = dir.Text("up.zip");
  task.connections = c.connections;
  task.connectTimeoutMs = 5000;
  task.sendTimeoutMs = 5000;
  task.receiveTimeoutMs = 10000;
  task.receiveBlock = 1024;
  EventLog events;
  task.eventRoutine = events.Routine();
  platform::Downloader downloader;
  ASSERT_TRUE(downloader.AddTask(task));
  const std::optional<RecordedEvent> end = events.WaitForEnd();
  downloader.Destroy();

  ASSERT_TRUE(end);
  EXPECT_EQ(OutcomeOf(*end), DownloadOutcome::kComplete);
  EXPECT_EQ(end->value, int64_t(file.size()));
  EXPECT_EQ(end->further, c.expectedStatus);
  EXPECT_TRUE(dir.Read("up.zip") == file) << "the file differs from what nginx served";

  const std::vector<std::string> log = nginx.AccessLog();
  EXPECT_EQ(log.size(), c.expectedRequests);
  std::set<std::string> distinct(log.begin(), log.end());
  EXPECT_EQ(distinct.size(), c.expectedRequests) << "the same range was asked twice";
  for (const std::string& line : log) EXPECT_EQ(line.substr(0, 3), std::to_string(c.expectedStatus)) << line;
}

INSTANTIATE_TEST_SUITE_P(Cases, NginxDownloadTest,
                         testing::Values(NginxCase{"FiveRanges", true, 5, 206, 5},
                                         NginxCase{"RangesOff", false, 5, 200, 1}),
                         [](const testing::TestParamInfo<NginxCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace download_testing
