// Request targets and the file names they give, or why they give none.
#include <gtest/gtest.h>

#include "tools/devserver/file_name.h"

namespace devserver {
namespace {

using Kind = TargetFileName::Kind;

TEST(ParseTargetFileName, AcceptsOnlyOnePlainName) {
  struct Case {
    std::string_view target;
    Kind kind;
    std::string_view name;
  };
  const Case cases[] = {
      {"/bb.txt", Kind::kName, "bb.txt"},
      {"/up.zip?v=2", Kind::kName, "up.zip"},
      {"/a%20b.txt", Kind::kName, "a b.txt"},
      {"/%75p.zip", Kind::kName, "up.zip"},
      {"/\xb9\xab\xb8\xe6.txt", Kind::kName, "\xb9\xab\xb8\xe6.txt"},  // a GBK name
      {"/v1..2", Kind::kName, "v1..2"},                                 // dots inside are harmless
      {"/", Kind::kNoName, ""},
      {"/?x", Kind::kNoName, ""},
      {"", Kind::kRejected, ""},
      {"bb.txt", Kind::kRejected, ""},
      {"*", Kind::kRejected, ""},
      {"/..", Kind::kRejected, ""},
      {"/.", Kind::kRejected, ""},
      {"/%2e%2e", Kind::kRejected, ""},
      {"/.htaccess", Kind::kRejected, ""},
      {"/a/b", Kind::kRejected, ""},
      {"/a%2Fb", Kind::kRejected, ""},
      {"/a\\b", Kind::kRejected, ""},
      {"/a%5Cb", Kind::kRejected, ""},
      {"/c:x", Kind::kRejected, ""},
      {"/x%3astream", Kind::kRejected, ""},
      {"/a%00b", Kind::kRejected, ""},
      {"/a%0d%0ab", Kind::kRejected, ""},
      {"/a%", Kind::kRejected, ""},
      {"/a%4", Kind::kRejected, ""},
      {"/a%g0", Kind::kRejected, ""},
      {"/a#b", Kind::kRejected, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.target));
    const TargetFileName result = ParseTargetFileName(c.target);
    EXPECT_EQ(result.kind, c.kind);
    EXPECT_EQ(result.name, c.name);
  }
}

}  // namespace
}  // namespace devserver
