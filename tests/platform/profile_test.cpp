#include "platform/profile.h"

#include <gtest/gtest.h>

#include "platform/headless/driver.h"
#include "tests/support/temp_dir.h"

namespace {

using platform::Gbk;
using platform::ReadProfileValue;
using platform::WriteProfileValue;
using testing_support::TempDir;

TEST(ProfileFile, ReadsLikeWindows) {
  TempDir dir;
  dir.Write("zg.ini",
            "[other]\r\nname=wrong\r\n"
            "  [ Server ]  \r\n"
            "NAME =  spaced value  \r\n"
            "quoted=\"  kept inside  \"\r\n"
            "single='x'\r\n"
            "half=\"open\r\n"
            "empty=\r\n"
            "bare\r\n" +
                Gbk("本地版本") + "=AB,CD,\n"  // a line ending in LF alone
                "name=second\r\n");
  const auto path = dir.Text("zg.ini");
  struct Case {
    const char* section;
    std::string key;
    std::string value;
  } cases[] = {
      {"server", "name", "spaced value"},         // names match without regard to case; outer blanks go
      {"SERVER", "Name", "spaced value"},         // the first of two equal keys wins
      {"server", "quoted", "  kept inside  "},    // one pair of quotes comes off, blanks inside stay
      {"server", "single", "x"},
      {"server", "half", "\"open"},               // unmatched quote stays
      {"server", "empty", ""},
      {"server", "bare", ""},
      {"server", Gbk("本地版本"), "AB,CD,"},
      {"server", "missing", ""},
      {"nosuch", "name", ""},
      {"other", "name", "wrong"},
  };
  for (const auto& c : cases) EXPECT_EQ(ReadProfileValue(path, c.section, c.key), c.value) << c.section << "/" << c.key;
  EXPECT_EQ(ReadProfileValue(dir.Text("absent.ini"), "server", "name"), "");
}

TEST(ProfileFile, LongValuesAreCutAtTheReadLimit) {
  TempDir dir;
  dir.Write("zg.ini", "[server]\r\nname=" + std::string(20000, 'A') + "\r\n");
  EXPECT_EQ(ReadProfileValue(dir.Text("zg.ini"), "server", "name").size(), size_t(platform::kProfileValueLimit));
}

TEST(ProfileFile, WritesReplaceInsertAndCreate) {
  TempDir dir;
  const auto path = dir.Text("zg.ini");
  dir.Write("zg.ini", "; operator's note\r\n[server]\r\nname=N\r\nversion=old\r\n\r\n[client]\r\nx=1\r\n");
  ASSERT_TRUE(WriteProfileValue(path, "server", "VERSION", "new"));     // replaced in place
  ASSERT_TRUE(WriteProfileValue(path, "server", Gbk("补丁名称"), "p.exe"));  // added to its section
  ASSERT_TRUE(WriteProfileValue(path, "extra", "k", "v"));               // a new section at the end
  EXPECT_EQ(dir.Read("zg.ini"), "; operator's note\r\n[server]\r\nname=N\r\nVERSION=new\r\n" + Gbk("补丁名称") +
                                    "=p.exe\r\n\r\n[client]\r\nx=1\r\n[extra]\r\nk=v\r\n");
  EXPECT_EQ(ReadProfileValue(path, "server", "version"), "new");

  ASSERT_TRUE(WriteProfileValue(dir.Text("new.ini"), "server", "name", "  trimmed  "));
  EXPECT_EQ(dir.Read("new.ini"), "[server]\r\nname=trimmed\r\n");
}

TEST(ProfileFile, GbkBytesRoundTrip) {
  TempDir dir;
  const auto path = dir.Text("zg.ini");
  const std::string value = Gbk("青龙服务器 \xA1\xA1") + "\x81\x40";  // any GBK bytes, a full-width blank inside
  ASSERT_TRUE(WriteProfileValue(path, "server", Gbk("本地版本"), value));
  EXPECT_EQ(ReadProfileValue(path, "server", Gbk("本地版本")), value);
}

}  // namespace
