#include "platform/download/download_job.h"

#include <chrono>
#include <limits>
#include <optional>
#include <system_error>
#include <vector>

#include "platform/download/byte_ranges.h"
#include "platform/download/http_transfer.h"
#include "platform/download/range_fetch.h"
#include "platform/download/range_queue.h"
#include "platform/files.h"

namespace platform::download {
namespace {

using Clock = std::chrono::steady_clock;

// ---- the size probe ------------------------------------------------------------------

// What the first answer says about the file and how to fetch it.
struct Probe {
  std::optional<DownloadOutcome> failure;
  std::unique_ptr<HttpTransfer> transfer;  // an answer to go on reading from byte 0
  int64_t total = -1;                      // -1: the server did not say
  bool ranged = false;                     // the server honours byte ranges
  int firstStatus = 0;
};

// Opens with a few tries: a server that just restarted, a port not yet bound.
std::unique_ptr<HttpTransfer> OpenWithRetries(const TransferSettings& settings, int64_t first,
                                              const StopLatch& stop) {
  for (int attempt = 0; attempt < kMaxFruitlessAttempts; ++attempt) {
    if (attempt > 0 && stop.WaitFor(std::chrono::milliseconds(100 * attempt))) return nullptr;
    if (std::unique_ptr<HttpTransfer> transfer = HttpTransfer::Open(settings, first, -1, stop)) return transfer;
  }
  return nullptr;
}

// Asks for "bytes=0-": a 206 whose Content-Range is "bytes 0-(N-1)/N" says
// that ranges work and the file has N bytes; a 200 is the whole body for one
// connection. Anything else that is not an error gets a plain GET.
Probe ProbeFile(const TransferSettings& settings, const StopLatch& stop) {
  Probe probe;
  probe.transfer = OpenWithRetries(settings, 0, stop);
  if (!probe.transfer) {
    probe.failure = DownloadOutcome::kNoResponse;
    return probe;
  }
  probe.firstStatus = probe.transfer->Status();
  if (probe.firstStatus == 206) {
    const std::optional<ContentRange> range = ParseContentRange(probe.transfer->Header("Content-Range"));
    if (range && range->total > 0 &&
        AnswersRange(206, probe.transfer->Header("Content-Range"), probe.transfer->Header("Content-Length"), 0,
                     range->total - 1, range->total)) {
      probe.total = range->total;
      probe.ranged = true;
      return probe;
    }
  }
  if (probe.firstStatus == 206 || probe.firstStatus == 416) {
    // A part we did not ask for, or an empty file: ask for the whole body instead.
    probe.transfer = OpenWithRetries(settings, -1, stop);
    if (!probe.transfer) {
      probe.failure = DownloadOutcome::kNoResponse;
      return probe;
    }
  }
  if (probe.transfer->Status() != 200) {
    probe.failure = DownloadOutcome::kHttpError;
    probe.transfer.reset();
    return probe;
  }
  probe.total = ParseContentLength(probe.transfer->Header("Content-Length")).value_or(-1);
  return probe;
}

// ---- the connections -----------------------------------------------------------------

// One connection: its own range first, then ranges that others gave up. A
// connection that cannot get a range leaves its rest to the others and ends
// (the server may take fewer connections than we open), so a rest changes
// hands at most once per connection.
FetchResult RunConnection(const FetchContext& context, RangeQueue& queue, ByteRange range,
                          std::unique_ptr<HttpTransfer> opened) {
  for (;;) {
    const Fetched fetched = FetchRange(context, range, std::move(opened));
    opened.reset();
    if (fetched.result == FetchResult::kIncomplete) {
      queue.GiveBack({fetched.next, range.end});
      return FetchResult::kIncomplete;
    }
    queue.Finished();
    if (fetched.result != FetchResult::kDone) return fetched.result;
    if (!queue.Take(range, context.stop)) return FetchResult::kDone;
  }
}

// Runs every range to its end, the first on this thread with the probe's
// answer, the others on threads of their own: kDone when every byte is in the file.
FetchResult FetchRanges(const FetchContext& context, const std::vector<ByteRange>& ranges,
                        std::unique_ptr<HttpTransfer> probeAnswer, StopLatch& abandon) {
  RangeQueue queue(int(ranges.size()));
  std::vector<FetchResult> results(ranges.size(), FetchResult::kIncomplete);
  auto run = [&](size_t i, std::unique_ptr<HttpTransfer> opened) {
    results[i] = RunConnection(context, queue, ranges[i], std::move(opened));
    if (results[i] == FetchResult::kFileError) abandon.Set();  // the file is lost whatever the others do
  };
  std::vector<std::thread> threads;
  size_t started = 1;
  for (; started < ranges.size(); ++started) {
    try {
      threads.emplace_back(run, started, nullptr);
    } catch (const std::system_error&) {
      break;  // fewer threads than planned: the ones running take over the rest
    }
  }
  for (size_t i = started; i < ranges.size(); ++i) queue.GiveBack(ranges[i]);
  run(0, std::move(probeAnswer));
  for (std::thread& thread : threads) thread.join();

  for (FetchResult result : results)
    if (result == FetchResult::kFileError) return result;
  if (abandon.IsSet()) return FetchResult::kStopped;
  // A connection that gave up is no failure if another finished its range.
  return queue.Unfetched() ? FetchResult::kIncomplete : FetchResult::kDone;
}

bool HasSize(const Text& path, int64_t size) {
  std::unique_ptr<FileReader> reader = FileReader::Open(path);
  return reader && reader->Size() == size;
}

}  // namespace

// ---- the task ------------------------------------------------------------------------

DownloadJob::DownloadJob(DownloadTask task, std::atomic<int64_t>& downloaded)
    : task_(std::move(task)), settings_(SettingsFor(task_)), downloaded_(downloaded) {}

DownloadJob::~DownloadJob() { Stop(); }

bool DownloadJob::Start() {
  try {
    thread_ = std::thread([this] { Run(); });
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

void DownloadJob::Stop() {
  stopped_.store(true);
  abandon_.Set();
  if (OnTaskThread() || !thread_.joinable()) return;
  const Clock::time_point deadline = Clock::now() + settings_.stopWait;
  while (!ended_.IsSet() && Clock::now() < deadline) ended_.WaitFor(std::chrono::milliseconds(20));
  // The latch cancels every request, so each connection leaves its connect
  // or read at once; the join only collects threads that are leaving.
  thread_.join();
}

int DownloadJob::Raise(int type, int64_t detail, int64_t value, int64_t further) {
  if (stopped_.load() || !task_.eventRoutine) return 0;
  try {
    return task_.eventRoutine(type, detail, value, further, task_);
  } catch (...) {
    return 0;  // the routine's failure must not end the component's thread
  }
}

void DownloadJob::Run() {
  taskThread_.store(std::this_thread::get_id());
  int firstStatus = 0;
  const DownloadOutcome outcome = Download(firstStatus);
  Raise(kDownloadEnded, int64_t(outcome), downloaded_.load(), firstStatus);
  ended_.Set();
}

DownloadOutcome DownloadJob::Download(int& firstStatus) {
  const Text& path = task_.localFile;
  if (path.empty()) return DownloadOutcome::kFileError;
  if (FileExists(path)) {
    if (Raise(kDownloadFileExists, 0, 0, 0) != 0) return DownloadOutcome::kKeptExisting;
    if (stopped_.load()) return DownloadOutcome::kIncomplete;  // no answer came: touch nothing
    // The answer 0 replaces the file under the same name: the owner opens the
    // file by that name afterwards, so an old file left there (or a copy under
    // another name) would be taken for this download. It goes now, so a failed
    // download leaves no file at all rather than the old one.
    DeleteFileAt(path);
  }
  if (stopped_.load()) return DownloadOutcome::kIncomplete;
  if (!IsHttpAddress(settings_.url)) return DownloadOutcome::kBadAddress;

  Probe probe = ProbeFile(settings_, abandon_);
  firstStatus = probe.firstStatus;
  if (probe.failure) return *probe.failure;

  std::unique_ptr<FileWriter> file = FileWriter::Create(path);
  if (!file) return DownloadOutcome::kFileError;
  if (probe.total >= 0 && !file->Resize(probe.total)) {
    file->Close();
    DeleteFileAt(path);
    return DownloadOutcome::kFileError;
  }

  // Without ranges one connection takes the whole body; without a size it
  // takes the body to its end.
  const int64_t wholeEnd = probe.total >= 0 ? probe.total : std::numeric_limits<int64_t>::max();
  const std::vector<ByteRange> ranges = probe.ranged ? PlanRanges(probe.total, settings_.connections)
                                                     : std::vector<ByteRange>{{0, wholeEnd}};
  if (probe.total >= 0) Raise(kDownloadSizeKnown, int64_t(ranges.size()), probe.total, 0);

  const FetchContext context{settings_, *file, abandon_, downloaded_, probe.total, Clock::now()};
  const FetchResult fetched = FetchRanges(context, ranges, std::move(probe.transfer), abandon_);
  const bool closed = file->Close();
  file.reset();

  // Complete means every range reached its end and the file on disk has
  // exactly the announced size; anything less is no download at all.
  const int64_t expected = probe.total >= 0 ? probe.total : downloaded_.load();
  const bool complete = fetched == FetchResult::kDone && closed && HasSize(path, expected) && !stopped_.load();
  if (!complete) {
    DeleteFileAt(path);
    if (fetched == FetchResult::kIncomplete || fetched == FetchResult::kStopped) return DownloadOutcome::kIncomplete;
    return DownloadOutcome::kFileError;
  }
  if (probe.total < 0) Raise(kDownloadSizeKnown, 1, expected, 0);
  return DownloadOutcome::kComplete;
}

}  // namespace platform::download
