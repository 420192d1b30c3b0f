// Entries and archives over 4 GiB: ZIP64 sizes and offsets for real, with memory that stays
// bounded while gigabytes go through.
#include <sys/resource.h>

#include <fstream>

#include <gtest/gtest.h>
#include <zlib.h>

#include "platform/text.h"
#include "platform/zip/zip_extractor.h"
#include "zip_fixture.h"

namespace {

using namespace zip_test;
namespace fs = std::filesystem;

constexpr uint64_t kBigSize = (4ull << 30) + (1 << 20) + 7;  // past 4 GiB, not a whole block

// Memory-backed when the machine has it: gigabytes written to a disk take minutes.
fs::path LargeBase() {
  std::error_code error;
  return fs::is_directory("/dev/shm", error) ? fs::path("/dev/shm") : fs::temp_directory_path();
}

long PeakKilobytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

uint32_t CrcOfZeros(uint64_t size) {
  const std::string zeros(1 << 20, '\0');
  uLong crc = 0;
  for (uint64_t done = 0; done < size; done += zeros.size()) {
    crc = crc32_z(crc, reinterpret_cast<const Bytef*>(zeros.data()), size_t(std::min<uint64_t>(zeros.size(), size - done)));
  }
  return uint32_t(crc);
}

// A stored entry of kBigSize zero bytes, left as a hole in the archive file, then a small
// entry beyond 4 GiB: sizes and offsets both need ZIP64. Headers come from ArchiveBuilder
// (an archive of one placeholder entry), so only the big entry's data is written here.
void WriteSparseArchive(const fs::path& path) {
  FixtureEntry big = File("big.bin", "", 0);
  big.zip64 = true;
  big.size = big.compressedSize = kBigSize;
  big.crc = CrcOfZeros(kBigSize);
  const std::string head = ArchiveBuilder().Add(big).Bytes();
  const size_t localEnd = head.find("PK\x01\x02");  // local header of big.bin, with no data yet

  // Then after.txt's local header, the directory with ZIP64 fields, the end records.
  const std::string after = "after the hole";
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(head.data(), std::streamsize(localEnd));
  out.close();
  fs::resize_file(path, localEnd + kBigSize);

  std::string rest;
  auto put16 = [&](uint32_t v) { rest.push_back(char(v)), rest.push_back(char(v >> 8)); };
  auto put32 = [&](uint32_t v) { put16(v & 0xFFFF), put16(v >> 16); };
  auto put64 = [&](uint64_t v) { put32(uint32_t(v)), put32(uint32_t(v >> 32)); };
  const uint64_t afterOffset = localEnd + kBigSize;
  const uint32_t afterCrc = Crc32(after);
  put32(0x04034b50), put16(20), put16(0), put16(0), put32(0), put32(afterCrc), put32(uint32_t(after.size()));
  put32(uint32_t(after.size())), put16(9), put16(0);
  rest += "after.txt" + after;
  const uint64_t directoryOffset = afterOffset + rest.size();
  const size_t directoryStart = rest.size();
  // big.bin's directory record comes from the builder's archive.
  const size_t bigRecord = localEnd, bigRecordEnd = head.find("PK\x05\x06");
  rest += head.substr(bigRecord, bigRecordEnd - bigRecord);
  put32(0x02014b50), put16(0x031E), put16(45), put16(0), put16(0), put32(0), put32(afterCrc);
  put32(uint32_t(after.size())), put32(uint32_t(after.size())), put16(9), put16(12), put16(0), put16(0), put16(0);
  put32(0100644u << 16), put32(0xFFFFFFFF);
  rest += "after.txt";
  put16(1), put16(8), put64(afterOffset);
  const uint64_t directorySize = rest.size() - directoryStart;
  const uint64_t recordOffset = directoryOffset + directorySize;
  put32(0x06064b50), put64(44), put16(0x031E), put16(45), put32(0), put32(0), put64(2), put64(2);
  put64(directorySize), put64(directoryOffset);
  put32(0x07064b50), put32(0), put64(recordOffset), put32(1);
  put32(0x06054b50), put16(0), put16(0), put16(0xFFFF), put16(0xFFFF), put32(0xFFFFFFFF), put32(0xFFFFFFFF), put16(0);
  std::ofstream append(path, std::ios::binary | std::ios::app);
  append.write(rest.data(), std::streamsize(rest.size()));
}

// The extracted big.bin must be kBigSize zero bytes: checks its size and samples its bytes.
void ExpectZeros(const fs::path& path) {
  ASSERT_EQ(fs::file_size(path), kBigSize);
  std::ifstream in(path, std::ios::binary);
  for (uint64_t at : {uint64_t(0), uint64_t(1) << 32, kBigSize - 4096}) {
    std::string block(4096, 'x');
    in.seekg(std::streamoff(at));
    in.read(block.data(), 4096);
    EXPECT_EQ(block, std::string(4096, '\0')) << "at " << at;
  }
}

struct Measured {
  bool ok;
  std::vector<int> reports;
  long peakGrowthKilobytes;
};

Measured ExtractMeasured(const fs::path& archive, const fs::path& folder) {
  platform::ZipExtractor extractor;
  Measured run{};
  extractor.onProgress = [&](int percent) { run.reports.push_back(percent); };
  const long before = PeakKilobytes();
  run.ok = extractor.Extract(platform::Gbk(archive.string()), platform::Gbk(folder.string()));
  run.peakGrowthKilobytes = PeakKilobytes() - before;
  return run;
}

TEST(LargeArchives, ArchiveOverFourGibibytesWithAStoredEntryOverFourGibibytes) {
  Sandbox box(LargeBase());
  WriteSparseArchive(box / "up.zip");
  ASSERT_GT(fs::file_size(box / "up.zip"), 4ull << 30);
  // unzip, as a second reader, agrees that the hand-made archive is sound.
  ASSERT_EQ(Shell(std::string(UNZIP_TOOL) + " -tqq " + Quoted(box / "up.zip")), 0);

  const Measured run = ExtractMeasured(box / "up.zip", box / "client");
  EXPECT_TRUE(run.ok);
  EXPECT_EQ(run.reports, (std::vector<int>{0, 50, 100}));
  EXPECT_LT(run.peakGrowthKilobytes, 64 * 1024);
  ExpectZeros(box / "client/big.bin");
  EXPECT_EQ(ReadFile(box / "client/after.txt"), "after the hole");
}

TEST(LargeArchives, DeflatedEntryOverFourGibibytesMadeByPython) {
  Sandbox box(LargeBase());
  const std::string script = R"(
import sys, zipfile
with zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED, compresslevel=1) as z:
    z.writestr('before.txt', 'before')
    block, left = bytes(1 << 20), int(sys.argv[2])
    with z.open('big.bin', 'w', force_zip64=True) as w:
        while left > 0:
            w.write(block[:min(left, len(block))])
            left -= len(block)
    z.writestr('after.txt', 'after')
)";
  WriteFile(box / "make.py", script);
  ASSERT_EQ(Shell(std::string(PYTHON_TOOL) + " " + Quoted(box / "make.py") + " " + Quoted(box / "up.zip") + " " +
                  std::to_string(kBigSize)),
            0);

  const Measured run = ExtractMeasured(box / "up.zip", box / "client");
  EXPECT_TRUE(run.ok);
  EXPECT_EQ(run.reports, (std::vector<int>{0, 33, 66, 100}));
  EXPECT_LT(run.peakGrowthKilobytes, 64 * 1024);
  ExpectZeros(box / "client/big.bin");
  EXPECT_EQ(ReadFile(box / "client/before.txt"), "before");
  EXPECT_EQ(ReadFile(box / "client/after.txt"), "after");
}

}  // namespace
