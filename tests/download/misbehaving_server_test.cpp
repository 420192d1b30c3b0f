// Servers that get ranges wrong: an answer that is not exactly the range
// asked for is never written at that range's offset.
#include <gtest/gtest.h>

#include <map>

#include "platform/download/downloader.h"
#include "platform/download/range_fetch.h"
#include "tests/download/download_fixture.h"
#include "tests/download/scripted_range_server.h"
#include "tests/support/temp_dir.h"

namespace download_testing {
namespace {

using platform::DownloadOutcome;
using platform::DownloadTask;
using platform::Downloader;

constexpr size_t kFileSize = 1024 * 1024 + 7;

class MisbehavingServerTest : public testing::Test {
 protected:
  DownloadTask Task(uint16_t port) {
    DownloadTask task;
    task.address = "http://127.0.0.1:" + std::to_string(port) + "/up.zip";
    task.localFile = dir_.Text("up.zip");
    task.connections = 5;
    task.connectTimeoutMs = 5000;
    task.sendTimeoutMs = 5000;
    task.receiveTimeoutMs = 10000;
    task.receiveBlock = 1024;
    task.eventRoutine = events_.Routine();
    return task;
  }

  RecordedEvent Run(const DownloadTask& task) {
    Downloader downloader;
    EXPECT_TRUE(downloader.AddTask(task));
    const std::optional<RecordedEvent> end = events_.WaitForEnd();
    EXPECT_TRUE(end.has_value());
    downloader.Destroy();
    EXPECT_EQ(downloader.BytesDownloaded(), end ? end->value : -1);
    return end.value_or(RecordedEvent{});
  }

  const std::string file_ = PatternBytes(kFileSize, 3);
  testing_support::TempDir dir_{"download-misbehaving"};
  EventLog events_;
};

// What a server answers for bytes a..b the first time it is asked for them.
struct WrongAnswerCase {
  const char* name;
  std::function<ScriptedAnswer(const std::string& file, int64_t a, int64_t b)> answer;
};

std::string Range(int64_t first, int64_t last, int64_t total) {
  return "bytes " + std::to_string(first) + "-" + std::to_string(last) + "/" + std::to_string(total);
}

void PrintTo(const WrongAnswerCase& c, std::ostream* out) { *out << c.name; }

class WrongAnswerTest : public MisbehavingServerTest, public testing::WithParamInterface<WrongAnswerCase> {};

TEST_P(WrongAnswerTest, IsNotUsedAndTheRangeIsAskedAgain) {
  std::atomic<bool> sabotaged{false};
  std::atomic<int64_t> sabotagedFirst{-1};
  ScriptedRangeServer server([&](const ScriptedRequest& request) {
    // Not the last range: a range to the end of the file would be the right answer there.
    if (request.first && *request.first > 0 && request.last && *request.last + 1 < int64_t(file_.size()) &&
        !sabotaged.exchange(true)) {
      sabotagedFirst = *request.first;
      return GetParam().answer(file_, *request.first, *request.last);
    }
    return ScriptedRangeServer::Honest(file_, request);
  });
  const RecordedEvent end = Run(Task(server.Port()));

  EXPECT_EQ(OutcomeOf(end), DownloadOutcome::kComplete);
  // A used wrong answer shows as more bytes counted than the file has, or a corrupted file.
  EXPECT_EQ(end.value, int64_t(kFileSize));
  EXPECT_TRUE(dir_.Read("up.zip") == file_) << "the wrong answer was written at the range's offset";
  int asked = 0;
  for (const ScriptedRequest& request : server.Requests()) asked += request.first == sabotagedFirst.load();
  EXPECT_EQ(asked, 2) << "the range was not asked for again";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WrongAnswerTest,
    testing::Values(
        WrongAnswerCase{"WholeBodyAs200",
                        [](const std::string& f, int64_t, int64_t) { return ScriptedAnswer{200, "", f}; }},
        // Honest about what it sends, but it is not what was asked for.
        WrongAnswerCase{"RangeFromTheStart",
                        [](const std::string& f, int64_t a, int64_t b) {
                          return ScriptedAnswer{206, Range(0, b - a, int64_t(f.size())),
                                                f.substr(0, size_t(b - a + 1))};
                        }},
        WrongAnswerCase{"RangeToTheEnd",
                        [](const std::string& f, int64_t a, int64_t) {
                          return ScriptedAnswer{206, Range(a, int64_t(f.size()) - 1, int64_t(f.size())),
                                                f.substr(size_t(a))};
                        }},
        WrongAnswerCase{"AnotherTotal",
                        [](const std::string& f, int64_t a, int64_t b) {
                          return ScriptedAnswer{206, Range(a, b, int64_t(f.size()) + 1),
                                                f.substr(size_t(a), size_t(b - a + 1))};
                        }},
        WrongAnswerCase{"NoContentRange",
                        [](const std::string& f, int64_t a, int64_t b) {
                          return ScriptedAnswer{206, "", f.substr(size_t(a), size_t(b - a + 1))};
                        }},
        // The right label on the whole body: its length gives it away.
        WrongAnswerCase{"WholeBodyLabelledAsTheRange",
                        [](const std::string& f, int64_t a, int64_t b) {
                          return ScriptedAnswer{206, Range(a, b, int64_t(f.size())), f};
                        }},
        WrongAnswerCase{"ServerError",
                        [](const std::string&, int64_t, int64_t) { return ScriptedAnswer{503, "", "busy"}; }}),
    [](const testing::TestParamInfo<WrongAnswerCase>& info) { return std::string(info.param.name); });

TEST_F(MisbehavingServerTest, FailsCleanlyWhenOnlyTheProbeGetsARange) {
  // "Accept-Ranges: bytes", a 206 for the first request, the whole body for every other.
  ScriptedRangeServer server([&](const ScriptedRequest& request) {
    if (request.index == 0) return ScriptedRangeServer::Honest(file_, request);
    return ScriptedAnswer{200, "", file_};
  });
  const RecordedEvent end = Run(Task(server.Port()));
  EXPECT_EQ(OutcomeOf(end), DownloadOutcome::kIncomplete);
  // Only the probe's own share was written; nothing of the 200 bodies.
  EXPECT_EQ(end.value, int64_t((kFileSize + 4) / 5));
  EXPECT_FALSE(dir_.Exists("up.zip"));
  // Each connection tries a range a few times and leaves it to the others: bounded.
  EXPECT_LE(server.Requests().size(), size_t(1 + 5 * platform::download::kMaxFruitlessAttempts));
}

TEST_F(MisbehavingServerTest, AsksForTheWholeBodyWhenTheProbeGetsAnotherRange) {
  ScriptedRangeServer server([&](const ScriptedRequest& request) {
    // A server that caps every range at 1000 bytes, and sends the whole body without one.
    if (request.first) return ScriptedAnswer{206, Range(0, 999, int64_t(kFileSize)), file_.substr(0, 1000)};
    return ScriptedAnswer{200, "", file_};
  });
  const RecordedEvent end = Run(Task(server.Port()));
  EXPECT_EQ(OutcomeOf(end), DownloadOutcome::kComplete);
  EXPECT_TRUE(dir_.Read("up.zip") == file_);
  const std::vector<ScriptedRequest> requests = server.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].rangeHeader, "bytes=0-");
  EXPECT_EQ(requests[1].rangeHeader, "");
}

TEST_F(MisbehavingServerTest, SendsTheReferrer) {
  const struct {
    const char* referrer;
    std::function<std::string(uint16_t)> expected;
  } cases[] = {
      {"", [](uint16_t port) { return "http://127.0.0.1:" + std::to_string(port); }},
      {"http://127.0.0.1/page.htm", [](uint16_t) { return std::string("http://127.0.0.1/page.htm"); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.referrer);
    ScriptedRangeServer server(
        [&](const ScriptedRequest& request) { return ScriptedRangeServer::Honest(file_, request); });
    DownloadTask task = Task(server.Port());
    task.referrer = c.referrer;
    EventLog log;
    task.eventRoutine = log.Routine();
    Downloader downloader;
    ASSERT_TRUE(downloader.AddTask(task));
    ASSERT_TRUE(log.WaitForEnd());
    downloader.Destroy();
    ASSERT_FALSE(server.Requests().empty());
    for (const ScriptedRequest& request : server.Requests()) EXPECT_EQ(request.referrer, c.expected(server.Port()));
  }
}

}  // namespace
}  // namespace download_testing
