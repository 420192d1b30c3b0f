// Which entry names may be written below the target folder, and as what relative path.
#include "platform/zip/safe_path.h"

#include <gtest/gtest.h>

namespace {

using platform::zip::SafeRelativePath;

struct AcceptedCase {
  std::string name;
  std::string path;  // "\"-separated
  bool isFolder;
  size_t folderLength;
};

TEST(SafeRelativePath, KeepsNamesInsideTheFolder) {
  const AcceptedCase cases[] = {
      {"a.txt", "a.txt", false, 0},
      {"data/maps/01.map", "data\\maps\\01.map", false, 9},
      {"data\\maps\\01.map", "data\\maps\\01.map", false, 9},
      {"data//maps/./01.map", "data\\maps\\01.map", false, 9},
      {"./a.txt", "a.txt", false, 0},
      {"data/", "data", true, 4},
      {"data/maps/", "data\\maps", true, 9},
      {"./", "", true, 0},
      {".hidden", ".hidden", false, 0},
      {"..a/b..c", "..a\\b..c", false, 3},
      {"CONSOLE.txt", "CONSOLE.txt", false, 0},
      {"COM10", "COM10", false, 0},
      // The second byte of these GBK characters is '\' (0x5C) or '|' (0x7C): not a separator.
      {"\x81\x5C.txt", "\x81\x5C.txt", false, 0},
      {"\x81\x7C/\x82\x5C", "\x81\x7C\\\x82\x5C", false, 2},
      {"\xB5\xD8\xCD\xBC/\xCE\xC4\xBC\xFE.dat", "\xB5\xD8\xCD\xBC\\\xCE\xC4\xBC\xFE.dat", false, 4},
  };
  for (const AcceptedCase& c : cases) {
    SCOPED_TRACE(c.name);
    const auto path = SafeRelativePath(c.name);
    ASSERT_TRUE(path.has_value());
    EXPECT_EQ(path->path, c.path);
    EXPECT_EQ(path->isFolder, c.isFolder);
    EXPECT_EQ(path->folderLength, c.folderLength);
  }
}

TEST(SafeRelativePath, RefusesNamesThatLeaveTheFolderOrNameSomethingElse) {
  const std::string refused[] = {
      "",
      // Climbing out.
      "../x", "..\\x", "a/../../x", "a\\..\\..\\x", "a/..", "..", "a/../b",
      // Absolute, UNC and device-namespace paths.
      "/x", "\\x", "//server/share/x", "\\\\server\\share\\x", "\\\\?\\C:\\x", "\\\\.\\pipe\\x",
      // Drive letters, with and without a root, and alternate data streams.
      "C:\\x", "C:x", "c:/x", "x:stream", "a/x:stream:$DATA", "a:",
      // Control characters and characters Windows does not allow in names.
      std::string("a\0b", 3), "a\x01", "a\tb", "a\x7F", "a<b", "a>b", "a\"b", "a|b", "a?b", "a*b",
      // Names Windows would change: trailing dots and spaces, device names.
      "x.", "x ", "a./b", "a /b", "...", ". ", "a/.", "CON", "con.txt", "a/NUL", "Aux.dat", "COM1.log", "lpt9",
      "CONOUT$",
      // A lone separator names nothing.
      "/", "\\",
  };
  for (const std::string& name : refused) {
    SCOPED_TRACE(testing::PrintToString(name));
    EXPECT_FALSE(SafeRelativePath(name).has_value());
  }
}

}  // namespace
