// The update host over real sockets: what libcurl (and a raw socket, for
// requests libcurl will not send) gets back.
#include <fcntl.h>
#include <sys/socket.h>
#include <netinet/in.h>
#include <arpa/inet.h>
#include <unistd.h>

#include <array>
#include <cstring>
#include <fstream>
#include <set>
#include <thread>

#include "test_support.h"

namespace devserver_test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

class UpdateHostTest : public ServerFixture {};

TEST_F(UpdateHostTest, ServesWholeFilesOnBothPorts) {
  struct Case {
    std::string name;
    std::string bytes;
    std::string contentType;
    bool pagePort;
  };
  const Case cases[] = {
      {"bb.txt", "1.0.2\r\n", "text/plain", false},  // the line break is part of the version
      {"up.zip", std::string("PK\3\4\0\0binary\0", 13), "application/zip", false},
      {"gg.txt", "announcement", "text/plain", true},
      {"jp.txt", "", "text/plain", false},
      {"any-name.dat", PatternBytes(70000), "application/octet-stream", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    root_.Write(c.name, c.bytes);
    const uint16_t port = c.pagePort ? server_->PagePort() : server_->UpdatePort();
    const HttpResult result = Fetch({"http://127.0.0.1:" + std::to_string(port) + "/" + c.name});
    EXPECT_EQ(result.code, CURLE_OK);
    EXPECT_EQ(result.status, 200);
    EXPECT_EQ(result.body, c.bytes);
    EXPECT_EQ(result.Header("content-length"), std::to_string(c.bytes.size()));
    EXPECT_EQ(result.Header("accept-ranges"), "bytes");
    EXPECT_EQ(result.Header("content-type"), c.contentType);
    EXPECT_EQ(result.Header("content-range"), "");
  }
}

TEST_F(UpdateHostTest, AnswersEachRangeForm) {
  const std::string file = PatternBytes(1000);
  root_.Write("up.zip", file);
  struct Case {
    std::string range;
    long status;
    uint64_t first, last;   // the part expected for 206
    std::string contentRange;
  };
  const Case cases[] = {
      {"bytes=0-99", 206, 0, 99, "bytes 0-99/1000"},
      {"bytes=990-", 206, 990, 999, "bytes 990-999/1000"},
      {"bytes=-10", 206, 990, 999, "bytes 990-999/1000"},
      {"bytes=999-999", 206, 999, 999, "bytes 999-999/1000"},
      {"bytes=995-5000", 206, 995, 999, "bytes 995-999/1000"},  // end cut to the body
      {"bytes=-5000", 206, 0, 999, "bytes 0-999/1000"},         // suffix longer than the body
      {"bytes=1000-", 416, 0, 0, "bytes */1000"},
      {"bytes=1000-1001", 416, 0, 0, "bytes */1000"},
      {"bytes=-0", 416, 0, 0, "bytes */1000"},
      // Ranges this server does not take are ignored: the whole body.
      {"bytes=5-1", 200, 0, 999, ""},
      {"bytes=0-1,5-6", 200, 0, 999, ""},
      {"items=0-1", 200, 0, 999, ""},
      {"bytes=abc", 200, 0, 999, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.range);
    const HttpResult result = Fetch({Url("/up.zip"), {"Range: " + c.range}});
    EXPECT_EQ(result.code, CURLE_OK);
    ASSERT_EQ(result.status, c.status);
    EXPECT_EQ(result.Header("content-range"), c.contentRange);
    EXPECT_EQ(result.Header("accept-ranges"), "bytes");
    if (c.status == 416) continue;
    const std::string part = file.substr(c.first, c.last - c.first + 1);
    EXPECT_EQ(result.Header("content-length"), std::to_string(part.size()));
    EXPECT_EQ(result.body, part);
  }
}

TEST_F(UpdateHostTest, HeadAnswersLikeGetWithoutABody) {
  root_.Write("up.zip", PatternBytes(1000));
  const HttpResult whole = Fetch({Url("/up.zip"), {}, /*head=*/true});
  EXPECT_EQ(whole.status, 200);
  EXPECT_EQ(whole.Header("content-length"), "1000");
  EXPECT_EQ(whole.body, "");

  const HttpResult part = Fetch({Url("/up.zip"), {"Range: bytes=100-"}, /*head=*/true});
  EXPECT_EQ(part.status, 206);
  EXPECT_EQ(part.Header("content-length"), "900");
  EXPECT_EQ(part.Header("content-range"), "bytes 100-999/1000");
  EXPECT_EQ(part.body, "");

  // A HEAD answer has no body, so the connection must still carry the next request.
  RawClient client(server_->UpdatePort());
  ASSERT_TRUE(client.Send("HEAD /up.zip HTTP/1.1\r\nHost: x\r\n\r\nGET /missing HTTP/1.1\r\n\r\n"));
  const std::string head = client.ReadResponse(2s, /*toHead=*/true);
  EXPECT_EQ(StatusOf(head), 200);
  EXPECT_TRUE(head.ends_with("\r\n\r\n")) << head;
  EXPECT_EQ(StatusOf(client.ReadResponse(2s)), 404);
}

TEST_F(UpdateHostTest, MissingFilesAnswer404WithASmallBody) {
  std::filesystem::create_directory(root_.path() / "folder");
  for (const std::string path : {"/missing.txt", "/", "/folder", "/?x=1"}) {
    SCOPED_TRACE(path);
    const HttpResult result = Fetch({Url(path)});
    EXPECT_EQ(result.code, CURLE_OK);
    EXPECT_EQ(result.status, 404);
    EXPECT_FALSE(result.body.empty());
    EXPECT_LT(result.body.size(), 100u);
  }
}

TEST_F(UpdateHostTest, ServesOnlyPlainNamesInsideTheRoot) {
  // Files beside and below the root that a traversal would reach.
  const std::filesystem::path outside = root_.path().parent_path() / (root_.path().filename().string() + "-secret");
  { std::ofstream(outside) << "SECRET"; }
  std::filesystem::create_directory(root_.path() / "sub");
  { std::ofstream(root_.path() / "sub" / "inner.txt") << "SECRET"; }
  { std::ofstream(root_.path() / ".hidden") << "SECRET"; }
  const std::string secretName = outside.filename().string();
  root_.Write("bb.txt", "1");

  const std::string targets[] = {
      "/../" + secretName,
      "/..%2f" + secretName,
      "/%2e%2e/" + secretName,
      "/%2E%2E%2F" + secretName,
      "/..\\" + secretName,
      "/..%5c" + secretName,
      "/sub/inner.txt",
      "/sub%2finner.txt",
      "//etc/passwd",
      "/%2fetc%2fpasswd",
      "/.hidden",
      "/..",
      "/.",
      "/bb.txt%00.zip",
      "/bb.txt%",
      "/bb.txt%zz",
      "/c:bb.txt",
      "http://127.0.0.1/bb.txt",
      "bb.txt",
  };
  for (const std::string& target : targets) {
    SCOPED_TRACE(target);
    RawClient client(server_->UpdatePort());
    ASSERT_TRUE(client.Send("GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n"));
    bool closed = false;
    const std::string response = client.ReadUntilClosed(2s, &closed);
    EXPECT_EQ(StatusOf(response), 400) << response;
    EXPECT_EQ(response.find("SECRET"), std::string::npos);
    EXPECT_TRUE(closed);
  }
  std::filesystem::remove(outside);
  // An escaped plain name is still served.
  EXPECT_EQ(Fetch({Url("/b%62.txt")}).body, "1");
}

TEST_F(UpdateHostTest, AnswersMalformedRequests) {
  root_.Write("bb.txt", "1");
  struct Case {
    std::string request;
    int status;
  };
  const Case cases[] = {
      {"GARBAGE\r\n\r\n", 400},
      {"GET /bb.txt\r\n\r\n", 400},
      {"GET /bb.txt HTTP/2.0\r\n\r\n", 400},
      {"GET /bb.txt FTP/1.1\r\n\r\n", 400},
      {"GET  /bb.txt HTTP/1.1\r\n\r\n", 400},
      {"GET /bb.txt HTTP/1.1\r\nNo colon here\r\n\r\n", 400},
      {"GET /bb.txt HTTP/1.1\r\nBad Name: x\r\n\r\n", 400},
      {"GET /bb.txt HTTP/1.1\r\nHost: x\r\n folded: y\r\n\r\n", 400},
      {"POST /bb.txt HTTP/1.1\r\nContent-Length: 0\r\n\r\n", 405},
      {"DELETE /bb.txt HTTP/1.1\r\n\r\n", 405},
      // Bare LF line ends and a leading blank line are still a request.
      {"\r\nGET /bb.txt HTTP/1.1\nHost: x\n\n", 200},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.request);
    RawClient client(server_->UpdatePort());
    ASSERT_TRUE(client.Send(c.request));
    EXPECT_EQ(StatusOf(client.ReadResponse(2s)), c.status);
  }
}

TEST_F(UpdateHostTest, RefusesAnOversizedRequestHead) {
  RawClient client(server_->UpdatePort());
  const std::string filler(20 * 1024, 'a');
  ASSERT_TRUE(client.Send("GET /bb.txt HTTP/1.1\r\nX-Filler: " + filler + "\r\n\r\n"));
  bool closed = false;
  const std::string response = client.ReadUntilClosed(3s, &closed);
  EXPECT_EQ(StatusOf(response), 431);
  EXPECT_TRUE(closed);
}

// What the launcher does: five connections at once, each with its own range
// of /up.zip, written at their offsets.
TEST_F(UpdateHostTest, FiveRangedConnectionsAreServedAtOnceAndReassembleExactly) {
  const std::string file = PatternBytes(6 * 1024 * 1024 + 321);
  root_.Write("up.zip", file);
  // Each body pauses after its first byte; the five requests can only all be
  // logged within the pause if they are served side by side.
  devserver::Faults pause;
  pause.stallAfter = 1;
  pause.stallFor = 1500ms;
  server_->SetFaults(pause);

  constexpr int kConnections = 5;
  const uint64_t share = file.size() / kConnections;
  std::string assembled(file.size(), '\0');
  std::array<HttpResult, kConnections> results;
  std::vector<std::thread> threads;
  for (int i = 0; i < kConnections; ++i) {
    threads.emplace_back([&, i] {
      const uint64_t first = i * share;
      const uint64_t last = i == kConnections - 1 ? file.size() - 1 : first + share - 1;
      results[i] = Fetch({Url("/up.zip"),
                          {"Range: bytes=" + std::to_string(first) + "-" + std::to_string(last)}});
      // Positioned writes into disjoint parts, as the download component does.
      if (results[i].status == 206 && first + results[i].body.size() <= assembled.size()) {
        std::memcpy(assembled.data() + first, results[i].body.data(), results[i].body.size());
      }
    });
  }
  const auto deadline = Clock::now() + 1200ms;
  while (server_->RequestCount("/up.zip") < kConnections && Clock::now() < deadline) {
    std::this_thread::sleep_for(10ms);
  }
  EXPECT_EQ(server_->RequestCount("/up.zip"), static_cast<size_t>(kConnections))
      << "the connections were not served at the same time";
  for (std::thread& thread : threads) thread.join();

  std::set<std::string> peers;
  for (int i = 0; i < kConnections; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(results[i].code, CURLE_OK);
    EXPECT_EQ(results[i].status, 206);
    const uint64_t first = i * share;
    const uint64_t last = i == kConnections - 1 ? file.size() - 1 : first + share - 1;
    EXPECT_EQ(results[i].Header("content-range"), "bytes " + std::to_string(first) + "-" +
                                                      std::to_string(last) + "/" +
                                                      std::to_string(file.size()));
  }
  for (const devserver::RequestRecord& record : server_->Requests()) peers.insert(record.peer);
  EXPECT_EQ(peers.size(), static_cast<size_t>(kConnections));
  EXPECT_TRUE(assembled == file) << "the reassembled file differs";
}

TEST_F(UpdateHostTest, OutlivesClientsThatLeaveMidBody) {
  // Clients that half-close after their request and then reset the
  // connection with most of the body unread (the server's socket fails with
  // EPIPE): the server must neither die nor keep the threads busy.
  root_.Write("up.zip", PatternBytes(16 * 1024 * 1024));
  for (int i = 0; i < 3; ++i) {
    RawClient client(server_->UpdatePort());
    ASSERT_TRUE(client.Send("GET /up.zip HTTP/1.1\r\n\r\n"));
    client.ShutdownWrite();
    ASSERT_FALSE(client.ReadUntilClosed(100ms).empty());
  }  // each closes with most of the body unread: a reset
  std::this_thread::sleep_for(200ms);
  const HttpResult after = Fetch({Url("/up.zip"), {"Range: bytes=-4"}});
  EXPECT_EQ(after.status, 206);
  EXPECT_EQ(after.body.size(), 4u);
}

TEST_F(UpdateHostTest, KeepsAnHttp11ConnectionForTheNextRequest) {
  root_.Write("bb.txt", "1.0.0");
  root_.Write("up.zip", PatternBytes(300000));
  CurlSession session;
  const HttpResult first = session.Fetch({Url("/up.zip"), {"Range: bytes=0-99999"}});
  const HttpResult second = session.Fetch({Url("/bb.txt")});
  EXPECT_EQ(first.status, 206);
  EXPECT_EQ(second.body, "1.0.0");
  EXPECT_EQ(first.newConnections, 1);
  EXPECT_EQ(second.newConnections, 0) << "curl had to open a new connection";
  const std::vector<devserver::RequestRecord> records = server_->Requests();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].peer, records[1].peer);

  // Two requests sent at once are answered in order on the same connection.
  RawClient client(server_->UpdatePort());
  ASSERT_TRUE(client.Send("GET /bb.txt HTTP/1.1\r\n\r\nGET /missing HTTP/1.1\r\n\r\n"));
  const std::string answer1 = client.ReadResponse(2s);
  const std::string answer2 = client.ReadResponse(2s);
  EXPECT_EQ(StatusOf(answer1), 200);
  EXPECT_TRUE(answer1.ends_with("\r\n\r\n1.0.0"));
  EXPECT_EQ(StatusOf(answer2), 404);
}

TEST_F(UpdateHostTest, ClosesAfterHttp10UnlessAskedToKeepAlive) {
  root_.Write("bb.txt", "1.0.0\r\n");
  {
    RawClient client(server_->UpdatePort());
    ASSERT_TRUE(client.Send("GET /bb.txt HTTP/1.0\r\n\r\n"));
    bool closed = false;
    const std::string response = client.ReadUntilClosed(2s, &closed);
    EXPECT_EQ(StatusOf(response), 200);
    EXPECT_TRUE(response.ends_with("\r\n\r\n1.0.0\r\n"));
    EXPECT_NE(response.find("Connection: close\r\n"), std::string::npos);
    EXPECT_TRUE(closed);
  }
  {
    RawClient client(server_->UpdatePort());
    ASSERT_TRUE(client.Send("GET /bb.txt HTTP/1.0\r\nConnection: Keep-Alive\r\n\r\n"));
    const std::string response = client.ReadResponse(2s);
    EXPECT_NE(response.find("Connection: keep-alive\r\n"), std::string::npos);
    ASSERT_TRUE(client.Send("GET /bb.txt HTTP/1.1\r\nConnection: close\r\n\r\n"));
    bool closed = false;
    EXPECT_EQ(StatusOf(client.ReadUntilClosed(2s, &closed)), 200);
    EXPECT_TRUE(closed);
  }
}

TEST_F(UpdateHostTest, SeesAChangedFileOnTheNextRequest) {
  CurlSession session;
  root_.Write("bb.txt", "1.0.0");
  EXPECT_EQ(session.Fetch({Url("/bb.txt")}).body, "1.0.0");
  root_.Write("bb.txt", "1.0.10\r\n");
  EXPECT_EQ(session.Fetch({Url("/bb.txt")}).body, "1.0.10\r\n");
  std::filesystem::remove(root_.path() / "bb.txt");
  EXPECT_EQ(session.Fetch({Url("/bb.txt")}).status, 404);
}

TEST_F(UpdateHostTest, ServesOffsetsPastFourGiB) {
  // A sparse file: 5 GiB long, a few bytes on disk.
  constexpr uint64_t kTotal = 5ull << 30;
  constexpr uint64_t kMarkAt = (4ull << 30) + 7;
  const std::string mark = "past four GiB";
  {
    const std::string path = (root_.path() / "up.zip").string();
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(kTotal)), 0);
    ASSERT_EQ(::pwrite(fd, mark.data(), mark.size(), static_cast<off_t>(kMarkAt)),
              static_cast<ssize_t>(mark.size()));
    ASSERT_EQ(::pwrite(fd, "END", 3, static_cast<off_t>(kTotal - 3)), 3);
    ::close(fd);
  }
  const HttpResult head = Fetch({Url("/up.zip"), {}, /*head=*/true});
  EXPECT_EQ(head.Header("content-length"), std::to_string(kTotal));

  const uint64_t last = kMarkAt + mark.size() - 1;
  const HttpResult part = Fetch({Url("/up.zip"),
                                 {"Range: bytes=" + std::to_string(kMarkAt) + "-" + std::to_string(last)}});
  EXPECT_EQ(part.status, 206);
  EXPECT_EQ(part.body, mark);
  EXPECT_EQ(part.Header("content-range"), "bytes " + std::to_string(kMarkAt) + "-" +
                                              std::to_string(last) + "/" + std::to_string(kTotal));

  const HttpResult tail = Fetch({Url("/up.zip"), {"Range: bytes=-3"}});
  EXPECT_EQ(tail.body, "END");
  EXPECT_EQ(tail.Header("content-range"), "bytes " + std::to_string(kTotal - 3) + "-" +
                                              std::to_string(kTotal - 1) + "/" + std::to_string(kTotal));
}

TEST_F(UpdateHostTest, LogsEveryRequest) {
  root_.Write("up.zip", PatternBytes(100));
  Fetch({Url("/up.zip"), {"Range: bytes=0-9"}});
  Fetch({Url("/up.zip?cache=1")});
  Fetch({"http://127.0.0.1:" + std::to_string(server_->PagePort()) + "/gg.txt", {}, true});

  const std::vector<devserver::RequestRecord> records = server_->Requests();
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[0].method, "GET");
  EXPECT_EQ(records[0].path, "/up.zip");
  EXPECT_EQ(records[0].range, "bytes=0-9");
  EXPECT_EQ(records[0].status, 206);
  EXPECT_EQ(records[0].port, server_->UpdatePort());
  EXPECT_TRUE(records[0].peer.starts_with("127.0.0.1:")) << records[0].peer;
  EXPECT_EQ(records[1].path, "/up.zip");
  EXPECT_EQ(records[1].range, "");
  EXPECT_EQ(records[2].method, "HEAD");
  EXPECT_EQ(records[2].status, 404);
  EXPECT_EQ(records[2].port, server_->PagePort());
  EXPECT_EQ(server_->RequestCount("/up.zip"), 2u);
  EXPECT_EQ(server_->RequestCount("/gg.txt"), 1u);
  EXPECT_EQ(server_->RequestCount("/bb.txt"), 0u);
  server_->ClearRequests();
  EXPECT_TRUE(server_->Requests().empty());
  EXPECT_EQ(server_->RequestCount("/up.zip"), 0u);
}

// ---------------------------------------------------------------------------
// Bounds: ports, idle time, connections, shutdown.

// A listening socket on 127.0.0.1 that keeps a port taken.
struct TakenPort {
  TakenPort() {
    fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(fd, 1);
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
  }
  ~TakenPort() { ::close(fd); }
  int fd;
  uint16_t port;
};

TEST(UpdateHostPorts, GoesOnWithoutAPagePortItCannotBind) {
  TempFolder root;
  root.Write("bb.txt", "1");
  TakenPort taken;
  devserver::Options options = EphemeralOptions(root.path());
  options.pagePort = taken.port;
  devserver::Server server(options);
  ASSERT_EQ(server.Start(), std::nullopt);
  EXPECT_EQ(server.PagePort(), 0);
  ASSERT_EQ(server.Warnings().size(), 1u);
  EXPECT_NE(server.Warnings()[0].find(std::to_string(taken.port)), std::string::npos);
  EXPECT_EQ(Fetch({"http://127.0.0.1:" + std::to_string(server.UpdatePort()) + "/bb.txt"}).body, "1");
}

TEST(UpdateHostPorts, FailsToStartWithoutItsUpdatePortOrRoot) {
  TempFolder root;
  TakenPort taken;
  devserver::Options options = EphemeralOptions(root.path());
  options.updatePort = taken.port;
  devserver::Server busy(options);
  const std::optional<std::string> failure = busy.Start();
  ASSERT_TRUE(failure);
  EXPECT_NE(failure->find(std::to_string(taken.port)), std::string::npos) << *failure;
  EXPECT_EQ(busy.UpdatePort(), 0);

  devserver::Server noRoot(EphemeralOptions(root.path() / "missing"));
  EXPECT_TRUE(noRoot.Start());
}

TEST_F(UpdateHostTest, ClosesAnIdleConnection) {
  devserver::Options options;
  options.idleTimeout = 300ms;
  StartServer(options);
  RawClient silent(server_->UpdatePort());
  RawClient afterOneRequest(server_->UpdatePort());
  ASSERT_TRUE(afterOneRequest.Send("GET /missing HTTP/1.1\r\n\r\n"));
  ASSERT_EQ(StatusOf(afterOneRequest.ReadResponse(2s)), 404);
  for (RawClient* client : {&silent, &afterOneRequest}) {
    const auto start = Clock::now();
    bool closed = false;
    client->ReadUntilClosed(3s, &closed);
    EXPECT_TRUE(closed);
    EXPECT_LT(Clock::now() - start, 2s);
  }
}

TEST_F(UpdateHostTest, ClosesConnectionsBeyondItsLimit) {
  devserver::Options options;
  options.maxConnectionsPerPort = 2;
  StartServer(options);
  RawClient first(server_->UpdatePort());
  RawClient second(server_->UpdatePort());
  // Both are being served once each has had an answer.
  for (RawClient* client : {&first, &second}) {
    ASSERT_TRUE(client->Send("GET /missing HTTP/1.1\r\n\r\n"));
    ASSERT_EQ(StatusOf(client->ReadResponse(2s)), 404);
  }
  RawClient third(server_->UpdatePort());
  bool closed = false;
  EXPECT_EQ(third.ReadUntilClosed(2s, &closed), "");
  EXPECT_TRUE(closed);
}

TEST_F(UpdateHostTest, StopsPromptlyWhateverItsConnectionsAreDoing) {
  root_.Write("up.zip", PatternBytes(64 * 1024 * 1024));
  root_.Write("stall.zip", PatternBytes(1000));
  devserver::Faults stallForever;
  stallForever.path = "/stall.zip";
  stallForever.stallAfter = 10;
  server_->SetFaults(stallForever);

  RawClient idle(server_->UpdatePort());
  RawClient halfRequest(server_->UpdatePort());
  ASSERT_TRUE(halfRequest.Send("GET /up.zip HTTP/1.1\r\n"));
  // Asks for 64 MiB and never reads: the server blocks on a full socket.
  RawClient notReading(server_->UpdatePort());
  ASSERT_TRUE(notReading.Send("GET /up.zip HTTP/1.1\r\n\r\n"));
  RawClient stalled(server_->UpdatePort());
  ASSERT_TRUE(stalled.Send("GET /stall.zip HTTP/1.1\r\n\r\n"));
  const auto deadline = Clock::now() + 2s;
  while (server_->Requests().size() < 2 && Clock::now() < deadline) std::this_thread::sleep_for(10ms);
  ASSERT_EQ(server_->Requests().size(), 2u);

  const auto start = Clock::now();
  server_->Stop();
  EXPECT_LT(Clock::now() - start, 1s);
  EXPECT_EQ(server_->UpdatePort(), 0);
  for (RawClient* client : {&idle, &halfRequest, &stalled}) {
    bool closed = false;
    client->ReadUntilClosed(1s, &closed);
    EXPECT_TRUE(closed);
  }
  // The server can start again after a stop.
  ASSERT_EQ(server_->Start(), std::nullopt);
  EXPECT_EQ(Fetch({Url("/stall.zip"), {}, /*head=*/true}).status, 200);
}

}  // namespace
}  // namespace devserver_test
