// How stored entry names become the GBK texts used as paths.
#include "platform/zip/entry_name.h"

#include <gtest/gtest.h>

#include "zip_fixture.h"

namespace {

using platform::zip::EntryNameAsGbk;
using platform::zip::ZipEntry;

constexpr uint16_t kUtf8Flag = 1 << 11;

struct NameCase {
  const char* what;
  std::string stored;
  uint16_t flags;
  std::optional<std::string> unicodeName;
  std::optional<std::string> gbk;  // nullopt: refused
};

TEST(EntryNameAsGbk, DecodesEachEncoding) {
  const std::string gbkMap = "\xB5\xD8\xCD\xBC.dat";     // 地图.dat in GBK
  const std::string utf8Map = "\xE5\x9C\xB0\xE5\x9B\xBE.dat";  // 地图.dat in UTF-8
  const NameCase cases[] = {
      {"ASCII", "data/a.txt", 0, {}, "data/a.txt"},
      {"ASCII flagged UTF-8", "data/a.txt", kUtf8Flag, {}, "data/a.txt"},
      {"GBK without flag", gbkMap, 0, {}, gbkMap},
      {"UTF-8 flagged", utf8Map, kUtf8Flag, {}, gbkMap},
      {"Unicode Path field", "di tu.dat", 0, utf8Map, gbkMap},
      {"UTF-8 flagged, not in GBK (emoji)", "\xF0\x9F\x98\x80.txt", kUtf8Flag, {}, {}},
      {"UTF-8 flagged, overlong '/'", "a\xC0\xAF..\xC0\xAFx", kUtf8Flag, {}, {}},
      {"UTF-8 flagged, surrogate", "\xED\xA0\x80.txt", kUtf8Flag, {}, {}},
      {"UTF-8 flagged, cut sequence", "a\xE5\x9C", kUtf8Flag, {}, {}},
      {"GBK with a lone lead byte", "a\xB5", 0, {}, {}},
      {"GBK with an invalid second byte", "\xB5\x20.txt", 0, {}, {}},
  };
  for (const NameCase& c : cases) {
    SCOPED_TRACE(c.what);
    ZipEntry entry;
    entry.name = c.stored;
    entry.flags = c.flags;
    entry.unicodeName = c.unicodeName;
    EXPECT_EQ(EntryNameAsGbk(entry), c.gbk);
  }
}

}  // namespace
