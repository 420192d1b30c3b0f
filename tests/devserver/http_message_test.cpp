// Request heads: where they end, what they say, whether the connection stays.
#include <gtest/gtest.h>

#include "tools/devserver/http_message.h"

namespace devserver {
namespace {

TEST(FindHeadEnd, FindsTheBlankLineWhateverTheLineEnds) {
  const struct {
    std::string_view buffer;
    size_t end;
  } cases[] = {
      {"GET / HTTP/1.1\r\n\r\n", 18},
      {"GET / HTTP/1.1\n\n", 16},
      {"GET / HTTP/1.1\r\nA: b\n\r\nnext", 23},
      {"GET / HTTP/1.1\r\nA: b\r\n\r\nGET", 24},
      {"GET / HTTP/1.1\r\nA: b\r\n", std::string_view::npos},
      {"GET / HTTP/1.1\r\n\r", std::string_view::npos},
      {"", std::string_view::npos},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.buffer));
    EXPECT_EQ(FindHeadEnd(c.buffer), c.end);
  }
}

TEST(ParseRequestHead, ReadsTheLineAndTheHeaders) {
  const std::optional<RequestHead> request = ParseRequestHead(
      "GET /up.zip?x=1 HTTP/1.0\r\nHost: 127.0.0.1\r\nrange:  bytes=0-9 \r\n"
      "Connection: TE, Keep-Alive\r\n\r\n");
  ASSERT_TRUE(request);
  EXPECT_EQ(request->method, "GET");
  EXPECT_EQ(request->target, "/up.zip?x=1");
  EXPECT_EQ(request->Path(), "/up.zip");
  EXPECT_EQ(request->minorVersion, 0);
  EXPECT_EQ(request->Find("RANGE"), "bytes=0-9");
  EXPECT_EQ(request->Find("Accept"), std::nullopt);
  EXPECT_TRUE(request->HasToken("connection", "keep-alive"));
  EXPECT_FALSE(request->HasToken("connection", "close"));
}

TEST(WantsKeepAlive, FollowsTheVersionAndTheConnectionHeader) {
  const struct {
    std::string_view head;
    bool keepAlive;
    bool hasBody;
  } cases[] = {
      {"GET / HTTP/1.1\r\n\r\n", true, false},
      {"GET / HTTP/1.1\r\nConnection: close\r\n\r\n", false, false},
      {"GET / HTTP/1.1\r\nConnection: keep-alive, Close\r\n\r\n", false, false},
      {"GET / HTTP/1.0\r\n\r\n", false, false},
      {"GET / HTTP/1.0\r\nConnection: keep-alive\r\n\r\n", true, false},
      {"GET / HTTP/1.1\r\nContent-Length: 0\r\n\r\n", true, false},
      {"GET / HTTP/1.1\r\nContent-Length: 5\r\n\r\n", true, true},
      {"GET / HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n", true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.head));
    const std::optional<RequestHead> request = ParseRequestHead(c.head);
    ASSERT_TRUE(request);
    EXPECT_EQ(WantsKeepAlive(*request), c.keepAlive);
    EXPECT_EQ(HasBody(*request), c.hasBody);
  }
}

}  // namespace
}  // namespace devserver
