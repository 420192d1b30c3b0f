#include "platform/text.h"

#include <gtest/gtest.h>

namespace {

using platform::Gbk;
using platform::Utf8;

TEST(GbkText, ConvertsBothWays) {
  struct Case {
    const char* utf8;
    std::string gbk;
  } cases[] = {
      {"", ""},
      {"abc 1.0", "abc 1.0"},
      {"青7石门", "\xC7\xE0" "7" "\xCA\xAF\xC3\xC5"},
      {"信息：", "\xD0\xC5\xCF\xA2\xA3\xBA"},
      {"帐号", "\xD5\xCA\xBA\xC5"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Gbk(c.utf8), c.gbk) << c.utf8;
    EXPECT_EQ(Utf8(c.gbk), c.utf8);
  }
}

TEST(GbkText, UnrepresentableCharactersBecomeQuestionMarks) {
  EXPECT_EQ(Gbk("a\xF0\x9F\x98\x80" "b"), "a?b");  // an emoji has no GBK form
}

TEST(GbkText, TextEndsAtTheFirstZeroByte) {
  EXPECT_EQ(platform::TextUpToZero(std::string("1.0\r\n\0junk", 10)), "1.0\r\n");
  EXPECT_EQ(platform::TextUpToZero(""), "");
}

}  // namespace
