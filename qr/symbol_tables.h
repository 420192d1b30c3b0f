// SymbolTables: the numbers of every QR Code version and level (ISO/IEC 18004),
// one read-only object built at start-up and released at exit.
#pragma once

#include <array>
#include <cstdint>

#include "qr/mode.h"

namespace qr {

// The error-correction block layout of one version and level. Every block has
// ecPerBlock error-correction codewords; group-2 blocks hold one data codeword
// more than group-1 blocks (data2 = data1 + 1), or there is no group 2.
struct BlockSpec {
  int blocks1 = 0;
  int data1 = 0;
  int ecPerBlock = 0;
  int blocks2 = 0;
  int data2 = 0;

  int TotalBlocks() const { return blocks1 + blocks2; }
  int TotalData() const { return blocks1 * data1 + blocks2 * data2; }
  int TotalEc() const { return TotalBlocks() * ecPerBlock; }
  bool operator==(const BlockSpec&) const = default;
};

// Row v of every version-indexed table is version v; row 0 exists and holds
// zeros. Queries expect a version in 0..40 and a level in 0..3.
class SymbolTables {
 public:
  SymbolTables();

  int Width(int version) const { return capacity_[version][0]; }
  int TotalCodewords(int version) const { return capacity_[version][1]; }
  int RemainderBits(int version) const { return capacity_[version][2]; }
  int EcCodewords(int version, int level) const { return capacity_[version][3 + level]; }
  int DataCodewords(int version, int level) const {
    return TotalCodewords(version) - EcCodewords(version, level);
  }

  // The first version whose data codewords at the level are at least bytes; -1 when none is.
  int MinimumVersion(int bytes, int level) const;
  // Length of the character-count indicator; 0 for a mode above Kanji. Version 0 counts as 1..9.
  int CountBits(Mode mode, int version) const;
  // The largest count the indicator holds (doubled for Kanji); 3 for a mode above Kanji.
  int MaximumCount(Mode mode, int version) const;
  // The 18-bit version information word of versions 7..40; 0 for any other version.
  uint32_t VersionInformation(int version) const;
  // The 15-bit masked format information word; 0 for a mask outside 0..7 or a level outside 0..3.
  uint32_t FormatInformation(int mask, int level) const;
  // The first two alignment-pattern centre coordinates after 6; 0 where there are none.
  std::array<int, 2> Alignment(int version) const { return alignment_[version]; }
  qr::BlockSpec BlockSpec(int version, int level) const;

 private:
  std::array<std::array<int, 7>, 41> capacity_;
  std::array<std::array<int, 3>, 4> countBits_;
  std::array<std::array<std::array<int, 2>, 4>, 41> blocks_;
  std::array<std::array<int, 2>, 41> alignment_;
  std::array<uint32_t, 34> versionInformation_;
  std::array<std::array<uint32_t, 8>, 4> formatInformation_;
};

// The process's one instance. The entry point creates it as its last global and
// releases it last; the encoder reads it and fails without a symbol when it is absent.
void CreateSymbolTables();
void ReleaseSymbolTables();
bool SymbolTablesExist();
// Precondition: SymbolTablesExist().
const SymbolTables& GlobalSymbolTables();

// Creates the instance for a scope when none exists (tools, tests), and releases
// it again only if it made it.
class ScopedSymbolTables {
 public:
  ScopedSymbolTables();
  ~ScopedSymbolTables();
  ScopedSymbolTables(const ScopedSymbolTables&) = delete;
  ScopedSymbolTables& operator=(const ScopedSymbolTables&) = delete;

 private:
  bool created_ = false;
};

}  // namespace qr
