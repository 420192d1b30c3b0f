// The download component against devserver on a loopback port (and, for the
// silences devserver cannot make, a scripted server and a port that never
// connects): what the file ends as, what the server was asked, which events
// came, and that no thread is left behind.
#include "platform/download/downloader.h"
#include "platform/download/range_fetch.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <set>

#include "tests/download/download_fixture.h"
#include "tests/download/scripted_range_server.h"
#include "tests/support/temp_dir.h"
#include "tools/devserver/server.h"

namespace {

using namespace std::chrono_literals;
using download_testing::EventLog;
using download_testing::OutcomeOf;
using download_testing::PatternBytes;
using download_testing::RecordedEvent;
using download_testing::WaitUntil;
using platform::DownloadOutcome;
using platform::DownloadTask;
using platform::Downloader;
using Clock = std::chrono::steady_clock;

constexpr size_t kMultiMegabyte = 6 * 1024 * 1024 + 321;

class DownloaderTest : public testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(dir_.path() / "served");
    std::filesystem::create_directories(dir_.path() / "client");
    StartServer();
  }

  // A fresh server on a new port; maxConnections: how many it serves at once.
  void StartServer(int maxConnections = 128) {
    server_.reset();
    devserver::Options options;
    options.root = dir_.path() / "served";
    options.updatePort = 0;
    options.pagePort = 0;
    options.maxConnectionsPerPort = maxConnections;
    server_ = std::make_unique<devserver::Server>(options);
    ASSERT_EQ(server_->Start(), std::nullopt);
  }

  // The patch download's settings, against the test's server.
  DownloadTask Task(int connections = 5, int receiveBlock = 1024) {
    DownloadTask task;
    task.address = Address("/up.zip");
    task.localFile = dir_.Text("client/up.zip");
    task.connections = connections;
    task.connectTimeoutMs = 5000;
    task.sendTimeoutMs = 5000;
    task.receiveTimeoutMs = 10000;
    task.stopWaitMs = 1000;
    task.receiveBlock = receiveBlock;
    task.eventRoutine = events_.Routine();
    return task;
  }

  std::string Address(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(server_->UpdatePort()) + path;
  }

  void Serve(const std::string& bytes) { dir_.Write("served/up.zip", bytes); }
  bool Fetched() const { return dir_.Exists("client/up.zip"); }
  std::string FetchedBytes() const { return dir_.Read("client/up.zip"); }

  // Runs the task to its end event.
  RecordedEvent Run(const DownloadTask& task) {
    EXPECT_TRUE(downloader_.AddTask(task));
    const std::optional<RecordedEvent> end = events_.WaitForEnd();
    EXPECT_TRUE(end.has_value()) << "no end event";
    downloader_.Destroy();
    return end.value_or(RecordedEvent{});
  }

  std::vector<devserver::RequestRecord> ArchiveRequests() const {
    std::vector<devserver::RequestRecord> requests;
    for (const devserver::RequestRecord& record : server_->Requests())
      if (record.path == "/up.zip") requests.push_back(record);
    return requests;
  }

  testing_support::TempDir dir_{"download-test"};
  std::unique_ptr<devserver::Server> server_;
  EventLog events_;
  Downloader downloader_;
};

// ---- the main path -------------------------------------------------------------------

TEST_F(DownloaderTest, FetchesAMultiMegabyteFileByteExactOverFiveRanges) {
  const std::string file = PatternBytes(kMultiMegabyte);
  Serve(file);
  const RecordedEvent end = Run(Task());

  EXPECT_EQ(OutcomeOf(end), DownloadOutcome::kComplete);
  EXPECT_EQ(end.value, int64_t(file.size()));
  EXPECT_EQ(end.further, 206);
  EXPECT_EQ(downloader_.BytesDownloaded(), int64_t(file.size()));
  EXPECT_TRUE(FetchedBytes() == file) << "the file differs from the served one";

  // Five connections, five different ranges: the probe's "bytes=0-", whose
  // first share it keeps, and one for each further share.
  const std::vector<devserver::RequestRecord> requests = ArchiveRequests();
  std::set<std::string> ranges, peers;
  for (const devserver::RequestRecord& record : requests) {
    ranges.insert(record.range);
    peers.insert(record.peer);
    EXPECT_EQ(record.status, 206) << record.range;
  }
  EXPECT_EQ(requests.size(), 5u);
  EXPECT_EQ(ranges.size(), 5u);
  EXPECT_EQ(peers.size(), 5u);
  EXPECT_TRUE(ranges.count("bytes=0-"));
}

TEST_F(DownloaderTest, RaisesTheSizeThenTheEndOnceOnItsOwnThread) {
  Serve(PatternBytes(kMultiMegabyte));
  const RecordedEvent end = Run(Task());
  EXPECT_EQ(OutcomeOf(end), DownloadOutcome::kComplete);

  const std::vector<RecordedEvent> events = events_.Events();
  ASSERT_EQ(events_.Types(), (std::vector<int>{platform::kDownloadSizeKnown, platform::kDownloadEnded}));
  EXPECT_EQ(events[0].value, int64_t(kMultiMegabyte));
  EXPECT_EQ(events[0].detail, 5);  // connections used
  for (const RecordedEvent& event : events) {
    EXPECT_NE(event.thread, std::this_thread::get_id());
    EXPECT_EQ(event.taskKind, platform::kDownloadTaskKind);  // the component's copy, marked
  }
}

// Sizes around the edges of the range plan: empty, one byte, under one
// share, odd remainders; receive blocks from 1 byte to more than the limit.
struct ShapeCase {
  size_t size;
  int connections;
  int receiveBlock;
  int64_t connectionsUsed;
};

void PrintTo(const ShapeCase& c, std::ostream* out) {
  *out << c.size << " bytes, " << c.connections << " connections, block " << c.receiveBlock;
}

class DownloadShapeTest : public DownloaderTest, public testing::WithParamInterface<ShapeCase> {};

TEST_P(DownloadShapeTest, FetchesEveryShapeByteExact) {
  const ShapeCase& c = GetParam();
  const std::string file = PatternBytes(c.size, uint32_t(c.size));
  Serve(file);
  const RecordedEvent end = Run(Task(c.connections, c.receiveBlock));
  EXPECT_EQ(OutcomeOf(end), DownloadOutcome::kComplete);
  EXPECT_EQ(end.value, int64_t(c.size));
  ASSERT_TRUE(Fetched());
  EXPECT_TRUE(FetchedBytes() == file);
  const std::vector<RecordedEvent> events = events_.Events();
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.front().type, platform::kDownloadSizeKnown);
  EXPECT_EQ(events.front().value, int64_t(c.size));
  EXPECT_EQ(events.front().detail, c.connectionsUsed);
}

INSTANTIATE_TEST_SUITE_P(Cases, DownloadShapeTest,
                         testing::Values(ShapeCase{0, 5, 1024, 1}, ShapeCase{1, 5, 1024, 1},
                                         ShapeCase{100 * 1024, 5, 1024, 1},
                                         ShapeCase{1024 * 1024 + 7, 3, 1, 3},
                                         ShapeCase{2 * 1024 * 1024 + 1, 2, 100000, 2},
                                         ShapeCase{3 * 1024 * 1024 + 5, 16, 20480, 16}));

TEST_F(DownloaderTest, CountsBytesAtHalfAndAtTheEnd) {
  // Half falls inside a write batch: the count must still reach it while the server pauses.
  const std::string file = PatternBytes(1000 * 1000);
  Serve(file);
  devserver::Faults pause;
  pause.stallAfter = file.size() / 2;
  pause.stallFor = 1500ms;
  server_->SetFaults(pause);

  EXPECT_EQ(downloader_.BytesDownloaded(), 0);
  ASSERT_TRUE(downloader_.AddTask(Task(1)));
  const int64_t half = int64_t(file.size() / 2);
  ASSERT_TRUE(WaitUntil([&] { return downloader_.BytesDownloaded() >= half; }, 10s));
  EXPECT_EQ(downloader_.BytesDownloaded(), half);
  std::this_thread::sleep_for(300ms);  // the server pauses: nothing more arrives
  EXPECT_EQ(downloader_.BytesDownloaded(), half);

  const std::optional<RecordedEvent> end = events_.WaitForEnd();
  ASSERT_TRUE(end);
  EXPECT_EQ(OutcomeOf(*end), DownloadOutcome::kComplete);
  EXPECT_EQ(downloader_.BytesDownloaded(), int64_t(file.size()));
  EXPECT_EQ(end->value, int64_t(file.size()));
  EXPECT_TRUE(FetchedBytes() == file);
}

// ---- servers that do not honour ranges ---------------------------------------------

TEST_F(DownloaderTest, TakesTheWholeBodyOverOneConnectionWhenRangesAreRefused) {
  const std::string file = PatternBytes(kMultiMegabyte);
  Serve(file);
  devserver::Faults refuse;
  refuse.refuseRanges = true;  // 200 with the whole body, "Accept-Ranges: bytes" all the same
  server_->SetFaults(refuse);

  const RecordedEvent end = Run(Task());
  EXPECT_EQ(OutcomeOf(end), DownloadOutcome::kComplete);
  EXPECT_EQ(end.further, 200);
  EXPECT_EQ(end.value, int64_t(file.size()));
  EXPECT_TRUE(FetchedBytes() == file) << "a whole body was written at a range's offset";
  EXPECT_EQ(ArchiveRequests().size(), 1u);
  EXPECT_EQ(events_.Events().front().detail, 1);  // one connection
}

// A host that serves fewer connections at once than the task opens: the
// connections it takes finish the ranges of those it turned away.
TEST_F(DownloaderTest, FinishesOverTheConnectionsAServerTakes) {
  StartServer(2);
  const std::string file = PatternBytes(kMultiMegabyte);
  Serve(file);
  // The two it takes stay busy longer than the others keep asking.
  devserver::Faults slow;
  slow.stallAfter = 1;
  slow.stallFor = 1000ms;
  server_->SetFaults(slow);
  const RecordedEvent end = Run(Task());
  EXPECT_EQ(OutcomeOf(end), DownloadOutcome::kComplete);
  EXPECT_EQ(end.value, int64_t(file.size()));
  EXPECT_TRUE(FetchedBytes() == file);
}

// ---- connections that end early ----------------------------------------------------

struct ShortAnswerCase {
  const char* name;
  devserver::Faults faults;
  DownloadOutcome outcome;
  // Bytes that must have been written; -1: the whole file.
  int64_t written;
};

void PrintTo(const ShortAnswerCase& c, std::ostream* out) { *out << c.name; }

class ShortAnswerTest : public DownloaderTest, public testing::WithParamInterface<ShortAnswerCase> {};

TEST_P(ShortAnswerTest, ResumesOrFailsWithoutClaimingTheFile) {
  const ShortAnswerCase& c = GetParam();
  const std::string file = PatternBytes(kMultiMegabyte);
  Serve(file);
  server_->SetFaults(c.faults);
  const RecordedEvent end = Run(Task());

  EXPECT_EQ(OutcomeOf(end), c.outcome);
  const int64_t written = c.written < 0 ? int64_t(file.size()) : c.written;
  EXPECT_EQ(end.value, written);
  EXPECT_EQ(downloader_.BytesDownloaded(), written);
  if (c.outcome == DownloadOutcome::kComplete) {
    EXPECT_TRUE(FetchedBytes() == file);
  } else {
    EXPECT_FALSE(Fetched()) << "a file short of its size was left under its name";
  }
  EXPECT_EQ(events_.Types().back(), platform::kDownloadEnded);
  // Resuming is bounded: a few requests per range, never a storm.
  EXPECT_LE(ArchiveRequests().size(), size_t(5 * platform::download::kMaxRangeAttempts));
}

devserver::Faults DropAfter(uint64_t bytes, bool refuseRanges = false) {
  devserver::Faults faults;
  faults.dropAfter = bytes;
  faults.refuseRanges = refuseRanges;
  return faults;
}

devserver::Faults TruncateAt(uint64_t offset, bool refuseRanges = false) {
  devserver::Faults faults;
  faults.truncateAt = offset;
  faults.refuseRanges = refuseRanges;
  return faults;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ShortAnswerTest,
    testing::Values(
        // Every answer ends after 300 kB: each range is resumed where it stopped.
        ShortAnswerCase{"DroppedMidwayResumes", DropAfter(300 * 1000), DownloadOutcome::kComplete, -1},
        // Every answer ends at once: nothing can be had.
        ShortAnswerCase{"DroppedAtOnceFails", DropAfter(0), DownloadOutcome::kIncomplete, 0},
        // Without ranges a broken single connection cannot be resumed.
        ShortAnswerCase{"DroppedWithoutRangesFails", DropAfter(300 * 1000, true), DownloadOutcome::kIncomplete,
                        300 * 1000},
        // The archive ends early while its full size is announced.
        ShortAnswerCase{"TruncatedFails", TruncateAt(kMultiMegabyte / 2 + 12345), DownloadOutcome::kIncomplete,
                        kMultiMegabyte / 2 + 12345},
        ShortAnswerCase{"TruncatedWithoutRangesFails", TruncateAt(kMultiMegabyte / 2 + 12345, true),
                        DownloadOutcome::kIncomplete, kMultiMegabyte / 2 + 12345}),
    [](const testing::TestParamInfo<ShortAnswerCase>& info) { return std::string(info.param.name); });

TEST_F(DownloaderTest, GivesUpOnASilentServerAfterTheReceiveTimeOut) {
  Serve(PatternBytes(kMultiMegabyte));
  devserver::Faults silent;
  silent.stallAfter = 0;  // headers, then nothing until the client leaves
  server_->SetFaults(silent);
  DownloadTask task = Task();
  task.receiveTimeoutMs = 300;
  const Clock::time_point start = Clock::now();
  const RecordedEvent end = Run(task);
  EXPECT_EQ(OutcomeOf(end), DownloadOutcome::kIncomplete);
  EXPECT_EQ(end.value, 0);
  EXPECT_FALSE(Fetched());
  // Three silent attempts of 300 ms with short pauses between them, not forever.
  EXPECT_LT(Clock::now() - start, 10s);
}

// A server that says nothing for 1.5 s after each request: the wait for its
// first byte is the receive time-out's, whatever the connect time-out.
struct FirstByteCase {
  const char* name;
  int connectTimeoutMs;
  int receiveTimeoutMs;
  DownloadOutcome outcome;
};

void PrintTo(const FirstByteCase& c, std::ostream* out) { *out << c.name; }

class SlowFirstByteTest : public DownloaderTest, public testing::WithParamInterface<FirstByteCase> {};

TEST_P(SlowFirstByteTest, WaitsForTheFirstByteUpToTheReceiveTimeOut) {
  const FirstByteCase& c = GetParam();
  const std::string file = PatternBytes(300 * 1000, 5);
  download_testing::ScriptedRangeServer slow([&](const download_testing::ScriptedRequest& request) {
    download_testing::ScriptedAnswer answer = download_testing::ScriptedRangeServer::Honest(file, request);
    answer.firstByteDelay = 1500ms;
    return answer;
  });
  DownloadTask task = Task();
  task.address = "http://127.0.0.1:" + std::to_string(slow.Port()) + "/up.zip";
  task.connectTimeoutMs = c.connectTimeoutMs;
  task.receiveTimeoutMs = c.receiveTimeoutMs;
  const RecordedEvent end = Run(task);
  EXPECT_EQ(OutcomeOf(end), c.outcome);
  if (c.outcome == DownloadOutcome::kComplete) {
    EXPECT_TRUE(FetchedBytes() == file);
  } else {
    EXPECT_FALSE(Fetched());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SlowFirstByteTest,
    testing::Values(FirstByteCase{"PatchTimeOuts", 5000, 10000, DownloadOutcome::kComplete},
                    FirstByteCase{"ShortConnectTimeOut", 300, 10000, DownloadOutcome::kComplete},
                    FirstByteCase{"ReceiveTimeOutShorterThanTheSilence", 300, 500, DownloadOutcome::kNoResponse}),
    [](const testing::TestParamInfo<FirstByteCase>& info) { return std::string(info.param.name); });

// ---- answers that carry no file ----------------------------------------------------

TEST_F(DownloaderTest, EndsWithNothingForAMissingFile) {
  const RecordedEvent end = Run(Task());
  EXPECT_EQ(OutcomeOf(end), DownloadOutcome::kHttpError);
  EXPECT_EQ(end.value, 0);
  EXPECT_EQ(end.further, 404);
  EXPECT_EQ(events_.Types(), std::vector<int>{platform::kDownloadEnded});
  EXPECT_FALSE(Fetched());
}

TEST_F(DownloaderTest, EndsWithNothingForAnUnreachablePort) {
  DownloadTask task = Task();
  server_->Stop();  // nothing listens on the port any more
  const RecordedEvent end = Run(task);
  EXPECT_EQ(OutcomeOf(end), DownloadOutcome::kNoResponse);
  EXPECT_EQ(end.value, 0);
  EXPECT_EQ(end.further, 0);
  EXPECT_EQ(events_.Types(), std::vector<int>{platform::kDownloadEnded});
  EXPECT_FALSE(Fetched());
}

TEST_F(DownloaderTest, EndsWithNothingForAnotherScheme) {
  DownloadTask task = Task();
  task.address = "ftp://127.0.0.1/up.zip";
  const RecordedEvent end = Run(task);
  EXPECT_EQ(OutcomeOf(end), DownloadOutcome::kBadAddress);
  EXPECT_TRUE(server_->Requests().empty());
}

TEST_F(DownloaderTest, EndsWithAFileErrorWhenTheLocalFileCannotBeMade) {
  Serve(PatternBytes(1000));
  DownloadTask task = Task();
  task.localFile = dir_.Text("no such folder/up.zip");
  const RecordedEvent end = Run(task);
  EXPECT_EQ(OutcomeOf(end), DownloadOutcome::kFileError);
  EXPECT_EQ(end.value, 0);
}

// ---- a local file that exists ------------------------------------------------------

struct ExistingFileCase {
  const char* name;
  int answer;
  bool served;  // the server has the file
  DownloadOutcome outcome;
  std::vector<int> events;
  const char* leftBehind;  // "old", "new" or "none"
};

void PrintTo(const ExistingFileCase& c, std::ostream* out) { *out << c.name; }

class ExistingFileTest : public DownloaderTest, public testing::WithParamInterface<ExistingFileCase> {};

TEST_P(ExistingFileTest, AsksFirstAndReplacesOnlyOnAnswerZero) {
  const ExistingFileCase& c = GetParam();
  const std::string fresh = PatternBytes(200 * 1000, 7);
  const std::string old = "an old archive";
  if (c.served) Serve(fresh);
  dir_.Write("client/up.zip", old);
  DownloadTask task = Task();
  task.eventRoutine = events_.Routine(c.answer);

  const RecordedEvent end = Run(task);
  EXPECT_EQ(OutcomeOf(end), c.outcome);
  EXPECT_EQ(events_.Types(), c.events);
  const std::string left = c.leftBehind;
  if (left == "none") {
    EXPECT_FALSE(Fetched()) << "the old file could pass for the new download";
  } else if (left == "old") {
    EXPECT_EQ(FetchedBytes(), old);
  } else {
    EXPECT_TRUE(FetchedBytes() == fresh);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ExistingFileTest,
    testing::Values(ExistingFileCase{"AnswerZeroReplaces", 0, true, DownloadOutcome::kComplete, {18, 3, 4}, "new"},
                    ExistingFileCase{"AnswerZeroThenFailureLeavesNothing", 0, false, DownloadOutcome::kHttpError,
                                     {18, 4}, "none"},
                    ExistingFileCase{"OtherAnswerKeeps", 1, true, DownloadOutcome::kKeptExisting, {18, 4}, "old"}),
    [](const testing::TestParamInfo<ExistingFileCase>& info) { return std::string(info.param.name); });

// ---- one task per instance ---------------------------------------------------------

TEST_F(DownloaderTest, IgnoresAFurtherTaskWhileItHoldsOne) {
  const std::string file = PatternBytes(kMultiMegabyte);
  Serve(file);
  dir_.Write("served/other.zip", "other");
  EventLog otherEvents;
  DownloadTask other = Task();
  other.address = Address("/other.zip");
  other.localFile = dir_.Text("client/other.zip");
  other.eventRoutine = otherEvents.Routine();

  ASSERT_TRUE(downloader_.AddTask(Task()));
  EXPECT_FALSE(downloader_.AddTask(other));
  ASSERT_TRUE(events_.WaitForEnd());
  EXPECT_FALSE(downloader_.AddTask(other)) << "an ended task still holds the instance";
  downloader_.Destroy();

  EXPECT_TRUE(FetchedBytes() == file);
  EXPECT_FALSE(dir_.Exists("client/other.zip"));
  EXPECT_TRUE(otherEvents.Events().empty());
  EXPECT_EQ(server_->RequestCount("/other.zip"), 0u);
  EXPECT_EQ(downloader_.BytesDownloaded(), int64_t(file.size()));
}

TEST_F(DownloaderTest, DestroyWithoutATaskDoesNothingAndEndsTheInstance) {
  Downloader idle;
  EXPECT_EQ(idle.BytesDownloaded(), 0);
  idle.Destroy();
  idle.Destroy();
  EXPECT_FALSE(idle.AddTask(Task()));
  EXPECT_TRUE(server_->Requests().empty());
}

// ---- destroy while a task runs -----------------------------------------------------

// Where the task's connections wait when it is destroyed; the time-outs are
// long, so only the stop can end the wait.
enum class Wait {
  kConnect,       // for a connect that neither succeeds nor fails
  kFirstByte,     // for the headers of a server that has said nothing yet
  kBodyStart,     // for the body after the headers
  kBodyMidway,    // for the rest of the body
};

struct StallCase {
  const char* name;
  Wait wait;
};

void PrintTo(const StallCase& c, std::ostream* out) { *out << c.name; }

class DestroyTest : public DownloaderTest, public testing::WithParamInterface<StallCase> {};

TEST_P(DestroyTest, StopsWithinTheStopWaitAndLeavesNoThread) {
  server_->Stop();  // counted from before any server's threads
  const int threadsBefore = download_testing::ThreadCount();
  {
    std::unique_ptr<download_testing::BlackholePort> blackhole;
    std::unique_ptr<download_testing::ScriptedRangeServer> silent;
    DownloadTask task = Task();
    task.connectTimeoutMs = 60000;
    task.sendTimeoutMs = 60000;
    task.receiveTimeoutMs = 60000;
    std::function<bool()> waiting;  // true once the connections are blocked where the case says
    switch (GetParam().wait) {
      case Wait::kConnect:
        blackhole = std::make_unique<download_testing::BlackholePort>();
        if (!blackhole->Holds()) GTEST_SKIP() << "this system refuses connects to a full listen queue";
        task.address = "http://127.0.0.1:" + std::to_string(blackhole->Port()) + "/up.zip";
        waiting = [] { return true; };
        break;
      case Wait::kFirstByte:
        silent = std::make_unique<download_testing::ScriptedRangeServer>([](const download_testing::ScriptedRequest&) {
          download_testing::ScriptedAnswer answer;
          answer.firstByteDelay = 60s;
          return answer;
        });
        task.address = "http://127.0.0.1:" + std::to_string(silent->Port()) + "/up.zip";
        waiting = [&] { return silent->Requests().size() == 1; };  // the size probe
        break;
      case Wait::kBodyStart:
      case Wait::kBodyMidway: {
        ASSERT_EQ(server_->Start(), std::nullopt);
        Serve(PatternBytes(kMultiMegabyte));
        devserver::Faults stall;
        stall.stallAfter = GetParam().wait == Wait::kBodyStart ? 0 : 256 * 1024;  // silent until the client leaves
        server_->SetFaults(stall);
        task.address = Address("/up.zip");
        waiting = [&] { return ArchiveRequests().size() == 5; };
        break;
      }
    }
    Downloader downloader;
    ASSERT_TRUE(downloader.AddTask(task));
    ASSERT_TRUE(WaitUntil(waiting, 10s));
    std::this_thread::sleep_for(300ms);  // the connections are blocked now

    const Clock::time_point start = Clock::now();
    downloader.Destroy();
    const auto took = Clock::now() - start;
    const int tookMs = int(std::chrono::duration_cast<std::chrono::milliseconds>(took).count());
    RecordProperty("destroy_ms", tookMs);
    EXPECT_LT(took, std::chrono::milliseconds(task.stopWaitMs) + 500ms) << tookMs << " ms";
    for (int type : events_.Types()) EXPECT_NE(type, platform::kDownloadEnded) << "a destroyed task raised its end";
  }
  EXPECT_FALSE(Fetched()) << "a partly written file was left behind";
  server_->Stop();
  EXPECT_EQ(download_testing::ThreadCount(), threadsBefore);
}

INSTANTIATE_TEST_SUITE_P(Cases, DestroyTest,
                         testing::Values(StallCase{"DuringTheConnect", Wait::kConnect},
                                         StallCase{"BeforeTheFirstByte", Wait::kFirstByte},
                                         StallCase{"SilentAfterTheHeaders", Wait::kBodyStart},
                                         StallCase{"SilentMidway", Wait::kBodyMidway}),
                         [](const testing::TestParamInfo<StallCase>& info) { return std::string(info.param.name); });

TEST_F(DownloaderTest, DestroyFromTheEventRoutineOnlyAsksForTheStop) {
  Serve(PatternBytes(kMultiMegabyte));
  auto downloader = std::make_unique<Downloader>();
  std::atomic<bool> returned{false};
  DownloadTask task = Task();
  task.eventRoutine = [&](int type, int64_t, int64_t, int64_t, const DownloadTask&) {
    if (type == platform::kDownloadSizeKnown) {
      downloader->Destroy();  // must neither deadlock nor join its own thread
      returned = true;
    }
    return 0;
  };
  ASSERT_TRUE(downloader->AddTask(task));
  ASSERT_TRUE(WaitUntil([&] { return returned.load(); }, 10s));
  downloader.reset();  // collects the threads
  EXPECT_FALSE(Fetched());
}

// ---- the speed limit ---------------------------------------------------------------

TEST_F(DownloaderTest, KeepsToTheSpeedLimit) {
  const std::string file = PatternBytes(300 * 1000);
  Serve(file);
  DownloadTask task = Task(1);
  task.speedLimit = 200 * 1000;
  const Clock::time_point start = Clock::now();
  const RecordedEvent end = Run(task);
  EXPECT_EQ(OutcomeOf(end), DownloadOutcome::kComplete);
  EXPECT_TRUE(FetchedBytes() == file);
  EXPECT_GE(Clock::now() - start, 1300ms);  // 300 kB at 200 kB/s: 1.5 s
}

}  // namespace
