// The faults a test can switch on, as a client sees them.
#include <thread>

#include "test_support.h"

namespace devserver_test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr size_t kFileSize = 100000;

class FaultsTest : public ServerFixture {
 protected:
  void SetUp() override {
    ServerFixture::SetUp();
    file_ = PatternBytes(kFileSize);
    root_.Write("up.zip", file_);
    root_.Write("bb.txt", "1.0.1");
  }
  std::string file_;
};

TEST_F(FaultsTest, EachFaultShowsAsTheClientExpects) {
  struct Case {
    std::string name;
    devserver::Faults faults;
    std::string range;        // "" sends no Range header
    long status;
    std::string contentLength;
    size_t bodyFrom, bodySize;  // the body the client gets: file_.substr(bodyFrom, bodySize)
    bool complete;            // false: the connection ends short of Content-Length
    std::chrono::milliseconds atLeast;
  };
  devserver::Faults drop;
  drop.dropAfter = 1000;
  devserver::Faults truncate;
  truncate.truncateAt = 1000;
  devserver::Faults noRanges;
  noRanges.refuseRanges = true;
  devserver::Faults stall;
  stall.stallAfter = 5000;
  stall.stallFor = 400ms;
  const Case cases[] = {
      {"drop, whole body", drop, "", 200, "100000", 0, 1000, false, 0ms},
      {"drop counts bytes of the part", drop, "bytes=5000-9999", 206, "5000", 5000, 1000, false, 0ms},
      {"drop after the part's end", drop, "bytes=0-99", 206, "100", 0, 100, true, 0ms},
      {"truncate, whole body", truncate, "", 200, "100000", 0, 1000, false, 0ms},
      {"truncate across the cut", truncate, "bytes=500-1499", 206, "1000", 500, 500, false, 0ms},
      {"truncate, part past the cut", truncate, "bytes=2000-2999", 206, "1000", 2000, 0, false, 0ms},
      {"truncate, part before the cut", truncate, "bytes=0-999", 206, "1000", 0, 1000, true, 0ms},
      {"ranges refused", noRanges, "bytes=10-19", 200, "100000", 0, kFileSize, true, 0ms},
      {"stall, then the rest", stall, "", 200, "100000", 0, kFileSize, true, 400ms},
      {"stall point past the part", stall, "bytes=0-99", 206, "100", 0, 100, true, 0ms},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    server_->SetFaults(c.faults);
    std::vector<std::string> headers;
    if (!c.range.empty()) headers.push_back("Range: " + c.range);
    const auto start = Clock::now();
    const HttpResult result = Fetch({Url("/up.zip"), headers});
    EXPECT_GE(Clock::now() - start, c.atLeast);
    EXPECT_EQ(result.code, c.complete ? CURLE_OK : CURLE_PARTIAL_FILE);
    EXPECT_EQ(result.status, c.status);
    EXPECT_EQ(result.Header("content-length"), c.contentLength);
    EXPECT_EQ(result.Header("accept-ranges"), "bytes");
    if (c.faults.refuseRanges) {
      EXPECT_EQ(result.Header("content-range"), "");
    }
    EXPECT_TRUE(result.body == file_.substr(c.bodyFrom, c.bodySize))
        << "got " << result.body.size() << " bytes";
  }
}

TEST_F(FaultsTest, StallsUntilTheClientLeavesOrTheServerStops) {
  // One connection at a time: the next client is only served once the
  // stalled connection has noticed that its client left.
  devserver::Options options;
  options.maxConnectionsPerPort = 1;
  options.faults.path = "/up.zip";
  options.faults.stallAfter = 1000;  // no duration: for ever
  StartServer(options);
  const HttpResult result = Fetch({Url("/up.zip"), {}, false, /*timeoutMs=*/500});
  EXPECT_EQ(result.code, CURLE_OPERATION_TIMEDOUT);
  EXPECT_TRUE(result.body == file_.substr(0, 1000));
  HttpResult next = Fetch({Url("/bb.txt")});
  for (int attempt = 0; attempt < 20 && next.code != CURLE_OK; ++attempt) {
    std::this_thread::sleep_for(50ms);  // the stalled thread may not have ended yet
    next = Fetch({Url("/bb.txt")});
  }
  EXPECT_EQ(next.body, "1.0.1");

  options.maxConnectionsPerPort = 128;
  StartServer(options);
  RawClient waiting(server_->UpdatePort());
  ASSERT_TRUE(waiting.Send("GET /up.zip HTTP/1.1\r\n\r\n"));
  const std::string received = waiting.ReadUntilClosed(300ms);
  EXPECT_EQ(received.size(), received.find("\r\n\r\n") + 4 + 1000);
  const auto start = Clock::now();
  server_->Stop();
  EXPECT_LT(Clock::now() - start, 1s);
  bool closed = false;
  waiting.ReadUntilClosed(1s, &closed);
  EXPECT_TRUE(closed);
}

TEST_F(FaultsTest, APathLimitsTheFaults) {
  devserver::Faults drop;
  drop.path = "/up.zip";
  drop.dropAfter = 10;
  drop.refuseRanges = true;
  server_->SetFaults(drop);
  EXPECT_EQ(Fetch({Url("/up.zip")}).body.size(), 10u);
  EXPECT_EQ(Fetch({Url("/%75p.zip")}).body.size(), 10u);  // the same file, escaped
  const HttpResult other = Fetch({Url("/bb.txt"), {"Range: bytes=1-2"}});
  EXPECT_EQ(other.code, CURLE_OK);
  EXPECT_EQ(other.status, 206);
  EXPECT_EQ(other.body, ".0");
}

TEST_F(FaultsTest, ChangeAtRunTimeAndComeFromTheOptions) {
  CurlSession session;
  EXPECT_EQ(session.Fetch({Url("/up.zip")}).code, CURLE_OK);
  devserver::Faults drop;
  drop.dropAfter = 10;
  server_->SetFaults(drop);
  EXPECT_EQ(server_->CurrentFaults().dropAfter, 10u);
  EXPECT_EQ(session.Fetch({Url("/up.zip")}).code, CURLE_PARTIAL_FILE);
  server_->SetFaults({});
  const HttpResult healed = session.Fetch({Url("/up.zip")});
  EXPECT_EQ(healed.code, CURLE_OK);
  EXPECT_TRUE(healed.body == file_);

  devserver::Options options;
  options.faults.truncateAt = 5;
  StartServer(options);
  EXPECT_EQ(Fetch({Url("/bb.txt")}).body, "1.0.1");  // exactly the cut: nothing missing
  EXPECT_EQ(Fetch({Url("/up.zip")}).body.size(), 5u);
}

}  // namespace
}  // namespace devserver_test
