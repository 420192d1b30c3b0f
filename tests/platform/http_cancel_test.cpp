// Cancelling HTTP requests from another thread on the headless backend: a
// request ends at once wherever it waits (connect, headers, body), and its
// stream can be destroyed afterwards.
#include "platform/http.h"
#include "tests/support/blackhole_port.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <list>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using platform::HttpCancel;
using platform::HttpRequest;
using platform::HttpStream;
using Clock = std::chrono::steady_clock;

// Far longer than any test: only the cancel may end a wait.
constexpr int kLongTimeoutMs = 60000;
// A cancel that works ends the wait in a few milliseconds; this bound leaves
// room for a loaded machine and still fails a wait that runs to a time-out.
constexpr auto kPromptly = 500ms;

sockaddr_in Loopback(uint16_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(port);
  return address;
}

// A listening socket on a free loopback port; -1 when none could be made.
int Listen(int backlog, uint16_t& port) {
  const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address = Loopback(0);
  socklen_t length = sizeof address;
  if (::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(listener, backlog) != 0 ||
      ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    ::close(listener);
    return -1;
  }
  port = ntohs(address.sin_port);
  return listener;
}

// Answers every connection with `answer` once the request's head is in,
// then says nothing more until it stops.
class SilentServer {
 public:
  explicit SilentServer(std::string answer) : answer_(std::move(answer)) {
    listener_ = Listen(16, port_);
    thread_ = std::thread([this] { Run(); });
  }
  SilentServer(const SilentServer&) = delete;
  SilentServer& operator=(const SilentServer&) = delete;
  ~SilentServer() {
    stopping_.store(true);
    thread_.join();
    for (int socket : sockets_) ::close(socket);
    ::close(listener_);
  }

  uint16_t Port() const { return port_; }
  int Connections() const { return connections_.load(); }

 private:
  void Run() {
    std::vector<pollfd> watched;
    std::vector<std::string> heads;
    while (!stopping_.load()) {
      watched.assign(1, pollfd{listener_, POLLIN, 0});
      for (int socket : sockets_) watched.push_back({socket, POLLIN, 0});
      if (::poll(watched.data(), watched.size(), 20) <= 0) continue;
      if (watched[0].revents & POLLIN) {
        const int socket = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (socket >= 0) {
          sockets_.push_back(socket);
          heads.emplace_back();
          connections_.fetch_add(1);
        }
      }
      for (size_t i = 1; i < watched.size(); ++i) {
        if (!(watched[i].revents & POLLIN)) continue;
        char buffer[4096];
        const ssize_t n = ::recv(watched[i].fd, buffer, sizeof buffer, 0);
        if (n <= 0) continue;
        std::string& head = heads[i - 1];
        const bool wasComplete = head.find("\r\n\r\n") != std::string::npos;
        head.append(buffer, size_t(n));
        if (!wasComplete && head.find("\r\n\r\n") != std::string::npos && !answer_.empty()) {
          ::send(watched[i].fd, answer_.data(), answer_.size(), MSG_NOSIGNAL);
        }
      }
    }
  }

  const std::string answer_;
  int listener_ = -1;
  uint16_t port_ = 0;
  std::atomic<bool> stopping_{false};
  std::atomic<int> connections_{0};
  std::vector<int> sockets_;  // the server thread's, then the destructor's
  std::thread thread_;
};

using testing_support::BlackholePort;

HttpRequest LongRequest(uint16_t port, std::shared_ptr<HttpCancel> cancel) {
  HttpRequest request;
  request.url = "http://127.0.0.1:" + std::to_string(port) + "/up.zip";
  request.connectTimeoutMs = kLongTimeoutMs;
  request.sendTimeoutMs = kLongTimeoutMs;
  request.receiveTimeoutMs = kLongTimeoutMs;
  request.cancel = std::move(cancel);
  return request;
}

// Runs `blocking` on a thread of its own, cancels after it has had time to
// block, and gives how long it took to return after the cancel.
template <typename Blocking>
Clock::duration TimeToReturnAfterCancel(HttpCancel& cancel, Blocking blocking) {
  std::atomic<bool> returned{false};
  Clock::time_point returnedAt;
  std::thread thread([&] {
    blocking();
    returnedAt = Clock::now();
    returned.store(true);
  });
  std::this_thread::sleep_for(300ms);
  EXPECT_FALSE(returned.load()) << "the call did not block";
  const Clock::time_point cancelledAt = Clock::now();
  cancel.Cancel();
  thread.join();
  return returnedAt - cancelledAt;
}

int Ms(Clock::duration duration) {
  return int(std::chrono::duration_cast<std::chrono::milliseconds>(duration).count());
}

// ---- the cancel object ------------------------------------------------------------------

TEST(HttpCancelTest, WakesEachLiveSubscriberOnceAndNoneThatHasGone) {
  auto cancel = std::make_shared<HttpCancel>();
  int kept = 0, gone = 0;
  HttpCancel::Subscription keptSubscription = HttpCancel::Subscribe(cancel, [&] { ++kept; });
  HttpCancel::Subscription goneSubscription = HttpCancel::Subscribe(cancel, [&] { ++gone; });
  goneSubscription.Reset();
  EXPECT_FALSE(cancel->IsCancelled());
  cancel->Cancel();
  cancel->Cancel();
  EXPECT_TRUE(cancel->IsCancelled());
  EXPECT_EQ(kept, 1);
  EXPECT_EQ(gone, 0);

  // Too late to wait for the cancel: the wake comes at once.
  int late = 0;
  HttpCancel::Subscription lateSubscription = HttpCancel::Subscribe(cancel, [&] { ++late; });
  EXPECT_EQ(late, 1);
  // Nothing to cancel by: nothing is called.
  int none = 0;
  HttpCancel::Subscription empty = HttpCancel::Subscribe(nullptr, [&] { ++none; });
  EXPECT_EQ(none, 0);
}

// ---- requests ---------------------------------------------------------------------------

// Where a request is blocked when it is cancelled.
enum class Wait { kConnect, kHeaders, kBody };

struct WaitCase {
  const char* name;
  Wait wait;
};

void PrintTo(const WaitCase& c, std::ostream* out) { *out << c.name; }

class HttpCancelWaitTest : public testing::TestWithParam<WaitCase> {};

TEST_P(HttpCancelWaitTest, EndsTheWaitAtOnceAndLeavesTheStreamSafeToDestroy) {
  const std::string head = "HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n";
  const std::string firstBytes(1000, 'x');
  SilentServer silent(GetParam().wait == Wait::kBody ? head + firstBytes : std::string());
  auto cancel = std::make_shared<HttpCancel>();

  Clock::duration took{};
  if (GetParam().wait == Wait::kBody) {
    std::unique_ptr<HttpStream> stream = platform::OpenHttp(LongRequest(silent.Port(), cancel));
    ASSERT_TRUE(stream);
    std::string received(firstBytes.size(), '\0');
    size_t filled = 0;
    while (filled < received.size()) {
      const int n = stream->Read(received.data() + filled, int(received.size() - filled));
      ASSERT_GT(n, 0);
      filled += size_t(n);
    }
    int result = 0;
    took = TimeToReturnAfterCancel(*cancel, [&] {
      char buffer[1024];
      result = stream->Read(buffer, sizeof buffer);
    });
    EXPECT_EQ(result, -1);
    stream.reset();  // on this thread, after the read on the other has returned
  } else {
    std::optional<BlackholePort> blackhole;
    uint16_t port = silent.Port();
    if (GetParam().wait == Wait::kConnect) {
      blackhole.emplace();
      if (!blackhole->Holds()) GTEST_SKIP() << "this system refuses connects to a full listen queue";
      port = blackhole->Port();
    }
    std::unique_ptr<HttpStream> stream;
    took = TimeToReturnAfterCancel(*cancel, [&] { stream = platform::OpenHttp(LongRequest(port, cancel)); });
    EXPECT_FALSE(stream);
  }
  RecordProperty("return_after_cancel_ms", Ms(took));
  EXPECT_LT(took, kPromptly) << Ms(took) << " ms";
}

INSTANTIATE_TEST_SUITE_P(Cases, HttpCancelWaitTest,
                         testing::Values(WaitCase{"DuringTheConnect", Wait::kConnect},
                                         WaitCase{"WaitingForTheHeaders", Wait::kHeaders},
                                         WaitCase{"WaitingForTheBody", Wait::kBody}),
                         [](const testing::TestParamInfo<WaitCase>& info) { return std::string(info.param.name); });

TEST(HttpCancelTest, OneCancelEndsEveryRequestItServes) {
  SilentServer silent("");
  auto cancel = std::make_shared<HttpCancel>();
  std::atomic<int> answered{0};
  const Clock::duration took = TimeToReturnAfterCancel(*cancel, [&] {
    std::list<std::thread> requests;
    for (int i = 0; i < 3; ++i) {
      requests.emplace_back([&] { answered += platform::OpenHttp(LongRequest(silent.Port(), cancel)) != nullptr; });
    }
    for (std::thread& request : requests) request.join();
  });
  EXPECT_EQ(silent.Connections(), 3);
  EXPECT_EQ(answered.load(), 0);
  EXPECT_LT(took, kPromptly) << Ms(took) << " ms";
}

TEST(HttpCancelTest, ACancelledRequestFailsWithoutSendingAndItsStreamReadsNothingMore) {
  // The whole answer is there at once: a cancelled stream still reads none of it.
  SilentServer complete("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello");
  auto cancel = std::make_shared<HttpCancel>();
  std::unique_ptr<HttpStream> stream = platform::OpenHttp(LongRequest(complete.Port(), cancel));
  ASSERT_TRUE(stream);
  EXPECT_EQ(stream->Status(), 200);
  cancel->Cancel();
  char buffer[16];
  EXPECT_EQ(stream->Read(buffer, sizeof buffer), -1);
  stream.reset();

  // A request made after the cancel never reaches the server.
  EXPECT_FALSE(platform::OpenHttp(LongRequest(complete.Port(), cancel)));
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(complete.Connections(), 1);
}

}  // namespace
