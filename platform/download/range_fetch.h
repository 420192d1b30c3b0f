// One connection of a task: fetches its byte range into the file at its
// offsets, and reopens the range from where it stopped when the connection breaks.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>

#include "platform/download/byte_ranges.h"
#include "platform/download/http_transfer.h"
#include "platform/download/stop_latch.h"
#include "platform/download/transfer_settings.h"
#include "platform/files.h"

namespace platform::download {

// Receives of a connection are gathered up to this many bytes before they are
// written: one write per receive of 1 KiB would cost more than the receive.
inline constexpr int kWriteBatchBytes = 64 * 1024;

// A range is given up after this many attempts in a row that brought no byte ...
inline constexpr int kMaxFruitlessAttempts = 3;
// ... or after this many attempts in all.
inline constexpr int kMaxRangeAttempts = 32;

// What the connections of one task share. Everything here outlives them.
struct FetchContext {
  const TransferSettings& settings;
  FileWriter& file;
  const StopLatch& stop;           // set when the task is stopped or abandoned
  std::atomic<int64_t>& received;  // bytes of the file received by every connection
  int64_t total = -1;              // the file's size; -1 while unknown
  std::chrono::steady_clock::time_point started;  // for the speed limit
};

enum class FetchResult {
  kDone,        // every byte of the range is in the file
  kStopped,     // the stop latch was set
  kIncomplete,  // the range could not be fetched to its end
  kFileError,   // a write failed
};

struct Fetched {
  FetchResult result = FetchResult::kIncomplete;
  int64_t next = 0;  // kIncomplete: the first byte of the range not in the file
};

// Fetches `range`; `opened`, when not null, is an answer already checked to
// carry the range from its first byte (the size probe's). With an unknown
// total the range runs to the end of the answer and cannot be resumed.
Fetched FetchRange(const FetchContext& context, ByteRange range, std::unique_ptr<HttpTransfer> opened);

}  // namespace platform::download
