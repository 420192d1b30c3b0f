#include "platform/download/range_fetch.h"

#include <algorithm>
#include <vector>

namespace platform::download {
namespace {

using Clock = std::chrono::steady_clock;

// Holds the connection back while the task is ahead of its speed limit.
void KeepToSpeedLimit(const FetchContext& context) {
  if (context.settings.speedLimit <= 0) return;
  const auto due = context.started + std::chrono::milliseconds(context.received.load() * 1000 /
                                                               context.settings.speedLimit);
  const auto now = Clock::now();
  if (due > now) context.stop.WaitFor(due - now);
}

// Opens bytes next..end-1 again; null unless the answer carries exactly them.
std::unique_ptr<HttpTransfer> Reopen(const FetchContext& context, int64_t next, int64_t end) {
  std::unique_ptr<HttpTransfer> transfer = HttpTransfer::Open(context.settings, next, end - 1, context.stop);
  if (transfer && !AnswersRange(transfer->Status(), transfer->Header("Content-Range"),
                                transfer->Header("Content-Length"), next, end - 1, context.total)) {
    return nullptr;  // never written at an offset: a 200 or another range would corrupt the file
  }
  return transfer;
}

// Received bytes of one connection on their way to the file: written in one
// go when the batch is full and when the answer ends or breaks. They count as
// downloaded when they arrive, so the count does not lag behind the wire
// while a read waits on a server that pauses.
class WriteBatch {
 public:
  WriteBatch(const FetchContext& context, int64_t offset)
      : context_(context), bytes_(size_t(std::max(kWriteBatchBytes, context.settings.receiveBlock))), offset_(offset) {}

  // Where the next receive of up to `size` bytes goes, flushing first when it
  // does not fit; null when that write failed.
  char* Room(int size) {
    if (filled_ + size_t(size) > bytes_.size() && !Flush()) return nullptr;
    return bytes_.data() + filled_;
  }
  void Received(int count) {
    filled_ += size_t(count);
    context_.received.fetch_add(count);
  }

  bool Flush() {
    if (filled_ == 0) return true;
    if (!context_.file.WriteAt(offset_, bytes_.data(), int64_t(filled_))) return false;
    offset_ += int64_t(filled_);
    filled_ = 0;
    KeepToSpeedLimit(context_);
    return true;
  }

 private:
  const FetchContext& context_;
  std::vector<char> bytes_;
  int64_t offset_;  // of the first byte held
  size_t filled_ = 0;
};

}  // namespace

Fetched FetchRange(const FetchContext& context, ByteRange range, std::unique_ptr<HttpTransfer> opened) {
  const bool resumable = context.total >= 0;
  const int block = context.settings.receiveBlock;
  std::unique_ptr<HttpTransfer> transfer = std::move(opened);
  int attempts = transfer ? 1 : 0;
  int fruitless = 0;
  int64_t next = range.first;  // the first byte not yet received

  while (next < range.end) {
    if (!transfer) {
      if (!resumable || fruitless >= kMaxFruitlessAttempts || attempts >= kMaxRangeAttempts) {
        return {context.stop.IsSet() ? FetchResult::kStopped : FetchResult::kIncomplete, next};
      }
      // A server that keeps failing gets a growing pause; one that dropped us
      // after sending something is asked again at once.
      if (fruitless > 0 && context.stop.WaitFor(std::chrono::milliseconds(100 * fruitless))) {
        return {FetchResult::kStopped, next};
      }
      if (context.stop.IsSet()) return {FetchResult::kStopped, next};
      ++attempts;
      transfer = Reopen(context, next, range.end);
      if (!transfer) {
        ++fruitless;
        continue;
      }
    }

    const int64_t before = next;
    WriteBatch batch(context, next);
    int got = 0;
    while (next < range.end) {
      const int ask = int(std::min<int64_t>(block, range.end - next));
      char* room = batch.Room(ask);
      if (!room) return {FetchResult::kFileError, next};
      got = transfer->Read(room, ask);
      if (got > 0) {
        batch.Received(got);
        next += got;
      } else if (got == HttpTransfer::kStopped) {
        return {FetchResult::kStopped, next};  // the file goes anyway
      } else {
        break;  // the answer ended short, or the connection broke
      }
    }
    // What came before a break is good: it is kept and the range resumes after it.
    if (!batch.Flush()) return {FetchResult::kFileError, next};
    if (!resumable && next < range.end) {
      // The end of an answer of unknown size is the end of the file, unless it broke.
      return {got == 0 ? FetchResult::kDone : FetchResult::kIncomplete, next};
    }
    transfer.reset();  // closes the connection, also one that ran past the range
    fruitless = next > before ? 0 : fruitless + 1;
  }
  return {FetchResult::kDone, next};
}

}  // namespace platform::download
