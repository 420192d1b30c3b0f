// One accepted TCP connection, as a service sees it: bounded waits that end
// when the server stops, the peer leaves or the connection idles out.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "tools/devserver/stop_signal.h"
#include "tools/devserver/unique_fd.h"

namespace devserver {

enum class ReceiveStatus {
  kData,     // bytes were appended
  kClosed,   // the peer closed its side
  kTimedOut, // nothing came before the deadline
  kStopped,  // the server is stopping
  kFailed,   // the socket failed
};

class Connection {
 public:
  using Clock = std::chrono::steady_clock;

  // socket must be non-blocking; stop must outlive the connection.
  Connection(UniqueFd socket, std::string peer, uint16_t localPort, const StopSignal& stop,
             std::chrono::milliseconds idleTimeout);

  // "127.0.0.1:54321".
  const std::string& Peer() const { return peer_; }
  // The listening port the connection came in on.
  uint16_t LocalPort() const { return localPort_; }
  std::chrono::milliseconds IdleTimeout() const { return idleTimeout_; }

  // Appends up to maxBytes of whatever has arrived to into, waiting until deadline.
  ReceiveStatus ReceiveSome(std::string& into, size_t maxBytes, Clock::time_point deadline);

  // Each send fails when the peer takes nothing for the idle time-out.
  bool SendAll(std::string_view bytes);
  // count bytes of the file from offset (64-bit), straight from the page cache.
  bool SendFileRange(int fileFd, uint64_t offset, uint64_t count);

  // Sends nothing for duration (empty: until the server stops). False when
  // the server stops or the peer hangs up meanwhile.
  bool Pause(std::optional<std::chrono::milliseconds> duration);

  // Ends the connection with a FIN rather than a reset: unread request bytes
  // would otherwise make the kernel reset it and the peer could lose the
  // answer it has not read yet. Waits at most a fraction of a second.
  void Close();

 private:
  enum class Ready { kYes, kTimedOut, kStopped, kHangUp, kFailed };
  Ready WaitFor(short events, int timeoutMs);
  bool SendFileByCopy(int fileFd, uint64_t offset, uint64_t count);

  UniqueFd socket_;
  std::string peer_;
  uint16_t localPort_;
  const StopSignal& stop_;
  std::chrono::milliseconds idleTimeout_;
};

}  // namespace devserver
