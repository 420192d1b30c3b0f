// Archives made by the zip tool and by Python's zipfile, extracted by the ZIP component and
// by unzip: both must give the tree the archive was made from.
#include <gtest/gtest.h>

#include "platform/text.h"
#include "platform/zip/zip_extractor.h"
#include "zip_fixture.h"

namespace {

using namespace zip_test;
namespace fs = std::filesystem;

// Makes an archive of the folder given as argv[2] into argv[3]; argv[1] says how.
constexpr const char* kPythonArchiver = R"(
import io, os, sys, zipfile
mode, src, out = sys.argv[1:4]
method = zipfile.ZIP_STORED if mode == 'stored' else zipfile.ZIP_DEFLATED

class Unseekable(io.RawIOBase):
    def __init__(self, f): self.f = f
    def writable(self): return True
    def write(self, b): return self.f.write(b)

with open(out, 'wb') as raw:
    target = Unseekable(raw) if mode == 'unseekable' else raw
    with zipfile.ZipFile(target, 'w', method) as z:
        for root, dirs, files in os.walk(src):
            dirs.sort()
            for name in sorted(dirs) + sorted(files):
                path = os.path.join(root, name)
                arcname = os.path.relpath(path, src)
                if mode == 'zip64' and os.path.isfile(path):
                    with open(path, 'rb') as f, z.open(arcname, 'w', force_zip64=True) as w:
                        w.write(f.read())
                else:
                    z.write(path, arcname)
)";

Tree ClientTree() {
  return {
      {"readme.txt", TextBytes(200000, 1)},
      {"bin/", ""},
      {"bin/noise.dat", NoiseBytes(300000, 2)},
      {"bin/empty.dat", ""},
      {"data/", ""},
      {"data/maps/", ""},
      {"data/maps/m1.map", TextBytes(50000, 3) + NoiseBytes(5000, 4)},
      {"emptydir/", ""},
  };
}

// Names in Chinese, stored as GBK by the zip tool and as flagged UTF-8 by Python.
Tree ChineseTree() {
  return {
      {"资料/", ""},
      {"资料/地图/", ""},
      {"资料/地图/第一图.map", TextBytes(80000, 5)},
      {"资料/说明.txt", "版本说明"},
      {"乗亅/", ""},  // second bytes '\' and '|' in GBK
      {"乗亅/俓倈.dat", NoiseBytes(1000, 6)},
  };
}

struct Maker {
  const char* what;
  std::string command;  // run in the source folder; OUT is the archive
  Tree tree;
  bool gbkNames;  // names on disk, and so in the archive, are GBK
};

std::string ZipTool(const std::string& options) { return std::string("LC_ALL=C ") + ZIP_TOOL + " -q -r -X " + options; }

std::string Python(const std::string& mode, const fs::path& script) {
  return std::string(PYTHON_TOOL) + " " + Quoted(script) + " " + mode + " . OUT";
}

// Our extraction and unzip's, each into a fresh folder, both compared with the source tree.
void ExpectBothExtract(const Sandbox& box, const fs::path& archive, const Tree& expected, bool gbkNames) {
  platform::ZipExtractor extractor;
  std::vector<int> reports;
  extractor.onProgress = [&](int percent) { reports.push_back(percent); };
  EXPECT_TRUE(extractor.Extract(platform::Gbk(archive.string()), platform::Gbk((box / "ours").string())));
  ASSERT_FALSE(reports.empty());
  EXPECT_EQ(reports.back(), 100);
  EXPECT_EQ(Differences(TreeOf(box / "ours"), expected), "");

  fs::create_directories(box / "unzip");
  ASSERT_EQ(Shell("cd " + Quoted(box / "unzip") + " && LC_ALL=C.UTF-8 " + UNZIP_TOOL + " -q -o " + Quoted(archive)), 0);
  const Tree unzipped = TreeOf(box / "unzip");
  EXPECT_EQ(Differences(gbkNames ? Utf8Names(unzipped) : unzipped, expected), "");
}

TEST(ForeignArchives, ExtractAsUnzipDoes) {
  Sandbox scripts;
  const fs::path python = scripts / "archiver.py";
  WriteFile(python, kPythonArchiver);
  const Tree client = ClientTree(), chinese = ChineseTree();
  const Maker makers[] = {
      {"zip, deflated", ZipTool("OUT ."), client, false},
      {"zip, stored", ZipTool("-0 OUT ."), client, false},
      {"zip, ZIP64", ZipTool("-fz OUT ."), client, false},
      {"zip, written to a pipe (data descriptors)", ZipTool("- . | cat > OUT"), client, false},
      {"zip, GBK names", ZipTool("OUT ."), chinese, true},
      {"zip, GBK names, ZIP64", ZipTool("-fz OUT ."), chinese, true},
      {"Python, stored", Python("stored", python), client, false},
      {"Python, deflated", Python("deflated", python), client, false},
      {"Python, ZIP64", Python("zip64", python), client, false},
      {"Python, unseekable output (data descriptors)", Python("unseekable", python), client, false},
      {"Python, UTF-8 flagged names", Python("deflated", python), chinese, false},
  };
  for (const Maker& maker : makers) {
    SCOPED_TRACE(maker.what);
    Sandbox box;
    WriteTree(box / "source", maker.tree, maker.gbkNames);
    std::string command = maker.command;
    command.replace(command.find("OUT"), 3, Quoted(box / "patch.zip"));
    ASSERT_EQ(Shell("cd " + Quoted(box / "source") + " && " + command), 0) << command;
    ExpectBothExtract(box, box / "patch.zip", maker.tree, maker.gbkNames);
  }
}

// A thousand entries in nested folders with GBK names, no folder entries: every folder is
// made on the way, and the progress climbs entry by entry.
TEST(ForeignArchives, AThousandEntriesInNestedGbkFolders) {
  Sandbox box;
  Tree tree;
  for (int i = 0; i < 1000; ++i) {
    const std::string folder = "资料/第" + std::to_string(i / 250) + "卷/第" + std::to_string(i / 25 % 10) + "章/";
    tree[folder.substr(0, folder.find('/') + 1)] = "";
    tree[folder.substr(0, folder.find('/', folder.find('/') + 1) + 1)] = "";
    tree[folder] = "";
    tree[folder + "文件" + std::to_string(i) + ".txt"] = TextBytes(size_t(100 + i), uint32_t(i));
  }
  WriteTree(box / "source", tree, true);
  ASSERT_EQ(Shell("cd " + Quoted(box / "source") + " && " + ZipTool("-D " + Quoted(box / "patch.zip") + " .")), 0);

  platform::ZipExtractor extractor;
  std::vector<int> reports, expected;
  extractor.onProgress = [&](int percent) { reports.push_back(percent); };
  for (int k = 0; k < 1000; ++k) expected.push_back(k * 100 / 1000);
  expected.push_back(100);
  EXPECT_TRUE(extractor.Extract(platform::Gbk((box / "patch.zip").string()), platform::Gbk((box / "ours").string())));
  EXPECT_EQ(reports, expected);
  EXPECT_EQ(Differences(TreeOf(box / "ours"), tree), "");

  fs::create_directories(box / "unzip");
  ASSERT_EQ(Shell("cd " + Quoted(box / "unzip") + " && " + UNZIP_TOOL + " -q -o " + Quoted(box / "patch.zip")), 0);
  EXPECT_EQ(Differences(Utf8Names(TreeOf(box / "unzip")), tree), "");
}

}  // namespace
