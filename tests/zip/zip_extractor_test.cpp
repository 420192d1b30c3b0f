// The ZIP component on hand-made archives: progress, what lands on disk, and what never does.
#include "platform/zip/zip_extractor.h"

#include <sys/stat.h>

#include <functional>

#include <gtest/gtest.h>

#include "platform/text.h"
#include "zip_fixture.h"

namespace {

using namespace zip_test;
namespace fs = std::filesystem;

struct Outcome {
  bool ok;
  std::vector<int> reports;
};

// Extracts with paths joined the way the launcher joins them: folder + "\" + name.
Outcome Extract(const fs::path& archive, const fs::path& folder) {
  platform::ZipExtractor extractor;
  Outcome outcome;
  extractor.onProgress = [&](int percent) { outcome.reports.push_back(percent); };
  const std::string archiveText = archive.parent_path().string() + "\\" + archive.filename().string();
  const std::string folderText = folder.parent_path().string() + "\\" + folder.filename().string();
  outcome.ok = extractor.Extract(platform::Gbk(archiveText), platform::Gbk(folderText));
  return outcome;
}

Outcome ExtractBytes(const Sandbox& box, const std::string& archive, const fs::path& folder) {
  WriteFile(box / "up.zip", archive);
  return Extract(box / "up.zip", folder);
}

std::string Entries(int count) {
  ArchiveBuilder builder;
  for (int i = 0; i < count; ++i) builder.Add(File("f" + std::to_string(i), "data " + std::to_string(i)));
  return builder.Bytes();
}

// ---- progress --------------------------------------------------------------------------

TEST(ZipExtractorProgress, AStopRequestEndsItBetweenEntriesWithoutOneHundred) {
  Sandbox box;
  WriteFile(box / "up.zip", Entries(4));
  fs::create_directories(box / "out");
  platform::ZipExtractor extractor;
  std::vector<int> reports;
  extractor.onProgress = [&](int percent) { reports.push_back(percent); };
  extractor.shouldStop = [&] { return reports.size() == 2; };  // asked to stop after two entries
  const std::string base = box.path().string() + "\\";
  EXPECT_FALSE(extractor.Extract(platform::Gbk(base + "up.zip"), platform::Gbk(base + "out")));
  EXPECT_EQ(reports, (std::vector<int>{0, 25}));
  EXPECT_EQ(ReadFile(box / "out" / "f1"), "data 1");
  EXPECT_FALSE(fs::exists(box / "out" / "f2"));
}

struct ProgressCase {
  const char* what;
  std::function<std::string()> archive;  // empty: there is no archive file at all
  std::vector<int> reports;
  bool ok;
};

TEST(ZipExtractorProgress, ReportsEachEntryAndOneHundredOnlyWhenAllWereWritten) {
  const std::string four = Entries(4);
  ArchiveBuilder badThird;
  badThird.Add(File("a", "1")).Add(File("b", "2"));
  FixtureEntry bad = File("c", "3");
  bad.crc = 0;
  badThird.Add(bad).Add(File("d", "4"));
  ArchiveBuilder badFirst;
  badFirst.Add(bad).Add(File("d", "4"));

  const ProgressCase cases[] = {
      {"one entry", [] { return Entries(1); }, {0, 100}, true},
      {"three entries", [] { return Entries(3); }, {0, 33, 66, 100}, true},
      {"seven entries", [] { return Entries(7); }, {0, 14, 28, 42, 57, 71, 85, 100}, true},
      {"no entries", [] { return ArchiveBuilder().Bytes(); }, {0}, false},
      {"no entries, ZIP64 end records", [] { return ArchiveBuilder().Zip64End().Bytes(); }, {0}, false},
      {"not an archive", [] { return std::string("version 1.0\r\n"); }, {0}, false},
      {"empty file", [] { return std::string(); }, {0}, false},
      {"cut in half", [&] { return four.substr(0, four.size() / 2); }, {0}, false},
      {"end record cut short", [&] { return four.substr(0, four.size() - 4); }, {0}, false},
      {"third of four entries fails", [&] { return badThird.Bytes(); }, {0, 25}, false},
      {"first entry fails", [&] { return badFirst.Bytes(); }, {}, false},
      {"no archive file", nullptr, {0}, false},
  };
  for (const ProgressCase& c : cases) {
    SCOPED_TRACE(c.what);
    Sandbox box;
    const Outcome outcome = c.archive ? ExtractBytes(box, c.archive(), box / "client") : Extract(box / "up.zip", box / "client");
    EXPECT_EQ(outcome.reports, c.reports);
    EXPECT_EQ(outcome.ok, c.ok);
  }
}

// ---- entries that must not be written --------------------------------------------------

struct RefusedCase {
  const char* what;
  std::function<FixtureEntry(const fs::path& box)> entry;
};

FixtureEntry Named(std::string name) { return File(std::move(name), "escaped"); }

FixtureEntry Modified(std::function<void(FixtureEntry&)> change) {
  FixtureEntry entry = File("c.txt", TextBytes(70000, 3));
  change(entry);
  return entry;
}

// Archive: a.txt, b.txt, the bad entry, d.txt. The client holds old c.txt and d.txt.
// After the bad entry: a and b are new, c and d untouched, no temporary file, nothing
// anywhere in the sandbox outside the client folder.
TEST(ZipExtractorRefuses, StopsAtTheBadEntryAndWritesNothingForIt) {
  const RefusedCase cases[] = {
      {"bad CRC-32", [](auto&) { return Modified([](FixtureEntry& e) { e.crc = Crc32(e.data) ^ 1; }); }},
      {"bad CRC-32, stored", [](auto&) { return Modified([](FixtureEntry& e) { e.method = 0, e.crc = 7; }); }},
      {"size larger than the data", [](auto&) { return Modified([](FixtureEntry& e) { e.size = e.data.size() + 1; }); }},
      {"size smaller than the data", [](auto&) { return Modified([](FixtureEntry& e) { e.size = e.data.size() - 1; }); }},
      {"stored sizes differ", [](auto&) { return Modified([](FixtureEntry& e) { e.method = 0, e.size = 1; }); }},
      {"deflate stream cut", [](auto&) {
         return Modified([](FixtureEntry& e) { e.compressed = Deflate(e.data).substr(0, 4000); });
       }},
      {"deflate stream corrupt", [](auto&) {
         return Modified([](FixtureEntry& e) { e.compressed = std::string(300, '\xFF'); });
       }},
      {"encrypted", [](auto&) { return Modified([](FixtureEntry& e) { e.flags = 1; }); }},
      {"unsupported method (bzip2)", [](auto&) { return Modified([](FixtureEntry& e) { e.method = 12; }); }},
      {"../x", [](auto&) { return Named("../x"); }},
      {"..\\x", [](auto&) { return Named("..\\x"); }},
      {"a/../../x", [](auto&) { return Named("a/../../x"); }},
      {"absolute /x into the sandbox", [](const fs::path& box) { return Named((box / "x").string()); }},
      {"absolute \\x", [](auto&) { return Named("\\x"); }},
      {"C:\\x", [](auto&) { return Named("C:\\x"); }},
      {"C:x", [](auto&) { return Named("C:x"); }},
      {"UNC \\\\server\\share\\x", [](auto&) { return Named("\\\\server\\share\\x"); }},
      {"x:stream", [](auto&) { return Named("x:stream"); }},
      {"control character", [](auto&) { return Named("x\x01y"); }},
      {"device name", [](auto&) { return Named("sub/NUL.txt"); }},
      {"UTF-8 name GBK cannot hold", [](auto&) {
         FixtureEntry e = Named("\xF0\x9F\x98\x80.txt");
         e.flags = 1 << 11;
         return e;
       }},
      {"symbolic link", [](auto&) {
         FixtureEntry e = File("link", "../../outside");
         e.externalAttributes = 0120777u << 16;
         return e;
       }},
      {"symbolic link to an absolute path", [](const fs::path& box) {
         FixtureEntry e = File("c.txt", (box / "x").string(), 0);
         e.externalAttributes = 0120777u << 16;
         return e;
       }},
  };
  for (const RefusedCase& c : cases) {
    SCOPED_TRACE(c.what);
    Sandbox box;
    const fs::path client = box / "outer/client";
    WriteFile(client / "c.txt", "old c");
    WriteFile(client / "d.txt", "old d");
    ArchiveBuilder builder;
    builder.Add(File("a.txt", "new a")).Add(File("b.txt", "new b", 0)).Add(c.entry(box.path())).Add(File("d.txt", "new d"));
    WriteFile(box / "archives/up.zip", builder.Bytes());

    const Outcome outcome = Extract(box / "archives/up.zip", client);

    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.reports, (std::vector<int>{0, 25}));
    fs::remove_all(box / "archives");
    const Tree expected = {
        {"outer/", ""},           {"outer/client/", ""},         {"outer/client/a.txt", "new a"},
        {"outer/client/b.txt", "new b"}, {"outer/client/c.txt", "old c"}, {"outer/client/d.txt", "old d"},
    };
    EXPECT_EQ(Differences(TreeOf(box.path()), expected), "");
  }
}

TEST(ZipExtractorRefuses, DataThatRunsIntoTheDirectoryOrAMissingLocalHeader) {
  for (const char* what : {"data into directory", "no local header"}) {
    SCOPED_TRACE(what);
    Sandbox box;
    std::string archive = ArchiveBuilder().Add(File("a.txt", "alpha", 0)).Bytes();
    const size_t directory = archive.find("PK\x01\x02");
    if (std::string(what) == "no local header") {
      archive[0] = 'X';
    } else {
      archive[directory + 20] = 100;  // compressed size 100 of a 5-byte entry
      archive[directory + 24] = 100;
    }
    const Outcome outcome = ExtractBytes(box, archive, box / "client");
    EXPECT_FALSE(outcome.ok);
    EXPECT_TRUE(outcome.reports.empty());
    EXPECT_FALSE(fs::exists(box / "client/a.txt"));
  }
}

TEST(ZipExtractorRefuses, AFileWhereAFolderStandsLeavesTheFolder) {
  Sandbox box;
  WriteFile(box / "client/data/keep.txt", "kept");
  const Outcome outcome = ExtractBytes(box, ArchiveBuilder().Add(File("data", "a file")).Bytes(), box / "client");
  EXPECT_FALSE(outcome.ok);
  EXPECT_EQ(Differences(TreeOf(box / "client"), (Tree{{"data/", ""}, {"data/keep.txt", "kept"}})), "");
}

// ---- entries that are written ----------------------------------------------------------

TEST(ZipExtractorWrites, EveryKindOfEntryRecord) {
  const std::string text = TextBytes(300000, 1), noise = NoiseBytes(300000, 2);
  auto with = [](FixtureEntry e, std::function<void(FixtureEntry&)> change) {
    change(e);
    return e;
  };
  struct Case {
    const char* what;
    FixtureEntry entry;
  };
  const Case cases[] = {
      {"deflated", File("t.txt", text)},
      {"stored", File("t.txt", noise, 0)},
      {"deflated noise (larger than stored)", File("t.txt", noise)},
      {"empty, deflated", File("t.txt", "")},
      {"empty, stored", File("t.txt", "", 0)},
      {"data descriptor", with(File("t.txt", text), [](FixtureEntry& e) { e.dataDescriptor = true; })},
      {"ZIP64 fields", with(File("t.txt", text), [](FixtureEntry& e) { e.zip64 = true; })},
      {"ZIP64 with descriptor", with(File("t.txt", noise, 0), [](FixtureEntry& e) { e.zip64 = e.dataDescriptor = true; })},
      {"made on Windows", with(File("t.txt", text), [](FixtureEntry& e) { e.madeBy = 0x0014, e.externalAttributes = 0x20; })},
      {"read-only mode bits", with(File("t.txt", text), [](FixtureEntry& e) { e.externalAttributes = 0100444u << 16; })},
  };
  for (const Case& c : cases) {
    for (bool zip64End : {false, true}) {
      SCOPED_TRACE(std::string(c.what) + (zip64End ? ", ZIP64 end records" : ""));
      Sandbox box;
      ArchiveBuilder builder;
      builder.Add(c.entry).Add(File("after.txt", "after"));
      if (zip64End) builder.Zip64End();
      const Outcome outcome = ExtractBytes(box, builder.Bytes(), box / "client");
      EXPECT_TRUE(outcome.ok);
      EXPECT_EQ(outcome.reports, (std::vector<int>{0, 50, 100}));
      EXPECT_EQ(Differences(TreeOf(box / "client"), (Tree{{"t.txt", c.entry.data}, {"after.txt", "after"}})), "");
    }
  }
}

TEST(ZipExtractorWrites, FoldersMissingOrNamedAndTheTargetFolderItself) {
  Sandbox box;
  ArchiveBuilder builder;
  builder.Add(Folder("empty/")).Add(Folder("./")).Add(File("deep/er/still/x.txt", "x")).Add(File("deep\\y.txt", "y"));
  builder.Add(Folder("deep/er/"));
  const Outcome outcome = ExtractBytes(box, builder.Bytes(), box / "new/client");
  EXPECT_TRUE(outcome.ok);
  const Tree expected = {{"empty/", ""},         {"deep/", ""},           {"deep/er/", ""}, {"deep/er/still/", ""},
                         {"deep/er/still/x.txt", "x"}, {"deep/y.txt", "y"}};
  EXPECT_EQ(Differences(TreeOf(box / "new/client"), expected), "");
}

TEST(ZipExtractorWrites, ReplacesExistingAndReadOnlyFilesWhole) {
  Sandbox box;
  WriteFile(box / "client/online.exe", std::string(100000, 'o'));
  WriteFile(box / "client/data/locked.dat", "old locked data that is longer than the new");
  fs::permissions(box / "client/data/locked.dat", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  ArchiveBuilder builder;
  builder.Add(File("online.exe", "new exe")).Add(File("data/locked.dat", "new locked"));
  const Outcome outcome = ExtractBytes(box, builder.Bytes(), box / "client");
  EXPECT_TRUE(outcome.ok);
  EXPECT_EQ(Differences(TreeOf(box / "client"), (Tree{{"online.exe", "new exe"}, {"data/", ""}, {"data/locked.dat", "new locked"}})), "");
}

TEST(ZipExtractorWrites, UnicodePathFieldOnlyWhileItMatchesTheStoredName) {
  Sandbox box;
  const std::string utf8 = "\xE5\x9C\xB0\xE5\x9B\xBE.dat";  // 地图.dat
  FixtureEntry current = File("map.dat", "current");
  current.extra = UnicodePathField("map.dat", utf8);
  FixtureEntry stale = File("renamed.dat", "stale");
  stale.extra = UnicodePathField("old name.dat", "\xE6\x97\xA7.dat");
  const Outcome outcome = ExtractBytes(box, ArchiveBuilder().Add(current).Add(stale).Bytes(), box / "client");
  EXPECT_TRUE(outcome.ok);
  EXPECT_EQ(Differences(TreeOf(box / "client"), (Tree{{utf8, "current"}, {"renamed.dat", "stale"}})), "");
}

}  // namespace
