// The task's values as the connections use them.
#include "platform/download/transfer_settings.h"

#include <gtest/gtest.h>

namespace platform::download {
namespace {

using std::chrono::milliseconds;

TEST(DownloadTaskTest, HoldsTheRecordsDefaults) {
  const DownloadTask task;
  EXPECT_EQ(task.kind, 1);
  EXPECT_EQ(task.address, "");
  EXPECT_EQ(task.localFile, "");
  EXPECT_EQ(task.userName, "anonymous");
  EXPECT_NE(task.password.find('@'), std::string::npos);
  EXPECT_EQ(task.connections, 1);
  EXPECT_EQ(task.speedLimit, 0);
  EXPECT_EQ(task.connectTimeoutMs, 20000);
  EXPECT_EQ(task.sendTimeoutMs, 20000);
  EXPECT_EQ(task.receiveTimeoutMs, 20000);
  EXPECT_EQ(task.stopWaitMs, 1000);
  EXPECT_EQ(task.receiveBlock, 20480);
  EXPECT_EQ(task.sendBlock, 1024);
  EXPECT_EQ(task.reserved, 0);
  EXPECT_FALSE(task.eventRoutine);
  EXPECT_EQ(task.extraText, "");
  EXPECT_EQ(task.ftpTransferType, 1);
  EXPECT_EQ(task.binaryKinds, ".exe|.rar|.zip|.gif|.jpg|.mp3|.rm");
  EXPECT_EQ(task.proxy, "");
  EXPECT_EQ(task.referrer, "");
}

struct ReferrerCase {
  const char* address;
  const char* referrer;
};

class DefaultReferrerTest : public testing::TestWithParam<ReferrerCase> {};

TEST_P(DefaultReferrerTest, IsTheAddressCutBeforeItsLastSlash) {
  EXPECT_EQ(DefaultReferrer(GetParam().address), GetParam().referrer);
}

INSTANTIATE_TEST_SUITE_P(Cases, DefaultReferrerTest,
                         testing::Values(ReferrerCase{"http://127.0.0.1:8089/up.zip", "http://127.0.0.1:8089"},
                                         ReferrerCase{"http://h/a/b/up.zip", "http://h/a/b"},
                                         ReferrerCase{"http://h/a/", "http://h/a"},
                                         ReferrerCase{"  http://h/up.zip \r\n", "http://h"},
                                         // No path: the slashes are the scheme's.
                                         ReferrerCase{"http://h", "http://h"},
                                         ReferrerCase{"up.zip", "up.zip"}));

TEST(TransferSettingsTest, TrimsTheAddressAndDerivesTheReferrer) {
  DownloadTask task;
  task.address = " http://127.0.0.1:8089/up.zip  ";
  EXPECT_EQ(SettingsFor(task).url, "http://127.0.0.1:8089/up.zip");
  EXPECT_EQ(SettingsFor(task).referrer, "http://127.0.0.1:8089");
  task.referrer = "http://example.com/page";
  EXPECT_EQ(SettingsFor(task).referrer, "http://example.com/page");
}

TEST(TransferSettingsTest, KeepsValuesInTheirBounds) {
  struct Case {
    int connections, block, receiveMs, stopMs;
    int wantConnections, wantBlock;
    milliseconds wantReceive, wantStop;
  };
  const Case cases[] = {
      // The patch download's values.
      {5, 1024, 10000, 1000, 5, 1024, milliseconds(10000), milliseconds(1000)},
      {1, 20481, 20000, 1000, 1, 20480, milliseconds(20000), milliseconds(1000)},
      {0, 0, 0, 1000, 1, 20480, milliseconds(20000), milliseconds(1000)},
      {100, -5, -1, 100, kMaxConnections, 20480, milliseconds(20000), milliseconds(100)},
      // The receive time-out reaches the HTTP primitive as it is, however short or long.
      {2, 1, 30, 0, 2, 1, milliseconds(30), milliseconds(0)},
      {2, 1, 600000, -5, 2, 1, milliseconds(600000), milliseconds(0)},
  };
  for (const Case& c : cases) {
    DownloadTask task;
    task.connections = c.connections;
    task.receiveBlock = c.block;
    task.receiveTimeoutMs = c.receiveMs;
    task.stopWaitMs = c.stopMs;
    const TransferSettings settings = SettingsFor(task);
    SCOPED_TRACE(testing::Message() << c.connections << " " << c.block << " " << c.receiveMs << " " << c.stopMs);
    EXPECT_EQ(settings.connections, c.wantConnections);
    EXPECT_EQ(settings.receiveBlock, c.wantBlock);
    EXPECT_EQ(settings.receiveTimeout, c.wantReceive);
    EXPECT_EQ(settings.stopWait, c.wantStop);
  }
}

TEST(TransferSettingsTest, AcceptsOnlyHttpAddresses) {
  EXPECT_TRUE(IsHttpAddress("http://127.0.0.1/up.zip"));
  EXPECT_TRUE(IsHttpAddress("HTTP://h/x"));
  EXPECT_FALSE(IsHttpAddress("ftp://h/up.zip"));
  EXPECT_FALSE(IsHttpAddress("http://"));
  EXPECT_FALSE(IsHttpAddress("up.zip"));
  EXPECT_FALSE(IsHttpAddress(""));
}

}  // namespace
}  // namespace platform::download
