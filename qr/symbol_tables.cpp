#include "qr/symbol_tables.h"

#include <memory>

namespace qr {
namespace {

using CapacityTable = std::array<std::array<int, 7>, 41>;
using CountBitsTable = std::array<std::array<int, 3>, 4>;
using BlocksTable = std::array<std::array<std::array<int, 2>, 4>, 41>;
using AlignmentTable = std::array<std::array<int, 2>, 41>;
using VersionInformationTable = std::array<uint32_t, 34>;
using FormatInformationTable = std::array<std::array<uint32_t, 8>, 4>;

extern const CapacityTable kCapacity;
extern const CountBitsTable kCountBits;
extern const BlocksTable kBlocks;
extern const AlignmentTable kAlignment;
extern const VersionInformationTable kVersionInformation;
extern const FormatInformationTable kFormatInformation;

std::unique_ptr<const SymbolTables> instance;

int VersionGroup(int version) { return version <= 9 ? 0 : version <= 26 ? 1 : 2; }

}  // namespace

SymbolTables::SymbolTables()
    : capacity_(kCapacity),
      countBits_(kCountBits),
      blocks_(kBlocks),
      alignment_(kAlignment),
      versionInformation_(kVersionInformation),
      formatInformation_(kFormatInformation) {}

int SymbolTables::MinimumVersion(int bytes, int level) const {
  for (int v = kMinVersion; v <= kMaxVersion; ++v) {
    if (DataCodewords(v, level) >= bytes) return v;
  }
  return -1;
}

int SymbolTables::CountBits(Mode mode, int version) const {
  const int m = int(mode);
  if (m < 0 || m > int(Mode::kKanji)) return 0;
  return countBits_[m][VersionGroup(version)];
}

int SymbolTables::MaximumCount(Mode mode, int version) const {
  const int m = int(mode);
  if (m < 0 || m > int(Mode::kKanji)) return 3;
  const int maximum = (1 << CountBits(mode, version)) - 1;
  return mode == Mode::kKanji ? 2 * maximum : maximum;
}

uint32_t SymbolTables::VersionInformation(int version) const {
  if (version < 7 || version > kMaxVersion) return 0;
  return versionInformation_[version - 7];
}

uint32_t SymbolTables::FormatInformation(int mask, int level) const {
  if (mask < 0 || mask > 7 || level < 0 || level > 3) return 0;
  return formatInformation_[level][mask];
}

qr::BlockSpec SymbolTables::BlockSpec(int version, int level) const {
  const int b1 = blocks_[version][level][0];
  const int b2 = blocks_[version][level][1];
  const int data = DataCodewords(version, level);
  const int ec = EcCodewords(version, level);
  if (b1 == 0) return {};  // version 0: the row of zeros
  if (b2 == 0) return {b1, data / b1, ec / b1, 0, 0};
  const int blocks = b1 + b2;
  return {b1, data / blocks, ec / blocks, b2, data / blocks + 1};
}

// ---------------------------------------------------------------------------
// The one instance

void CreateSymbolTables() {
  if (!instance) instance = std::make_unique<const SymbolTables>();
}

void ReleaseSymbolTables() { instance.reset(); }

bool SymbolTablesExist() { return instance != nullptr; }

const SymbolTables& GlobalSymbolTables() { return *instance; }

ScopedSymbolTables::ScopedSymbolTables() : created_(!SymbolTablesExist()) {
  if (created_) CreateSymbolTables();
}

ScopedSymbolTables::~ScopedSymbolTables() {
  if (created_) ReleaseSymbolTables();
}

// ---------------------------------------------------------------------------
// Tables of ISO/IEC 18004

namespace {

// Per version: width, total codewords, remainder bits, error-correction codewords for L, M, Q, H.
const CapacityTable kCapacity = {{
    {0, 0, 0, 0, 0, 0, 0},  // 0
    {21, 26, 0, 7, 10, 13, 17},  // 1
    {25, 44, 7, 10, 16, 22, 28},  // 2
    {29, 70, 7, 15, 26, 36, 44},  // 3
    {33, 100, 7, 20, 36, 52, 64},  // 4
    {37, 134, 7, 26, 48, 72, 88},  // 5
    {41, 172, 7, 36, 64, 96, 112},  // 6
    {45, 196, 0, 40, 72, 108, 130},  // 7
    {49, 242, 0, 48, 88, 132, 156},  // 8
    {53, 292, 0, 60, 110, 160, 192},  // 9
    {57, 346, 0, 72, 130, 192, 224},  // 10
    {61, 404, 0, 80, 150, 224, 264},  // 11
    {65, 466, 0, 96, 176, 260, 308},  // 12
    {69, 532, 0, 104, 198, 288, 352},  // 13
    {73, 581, 3, 120, 216, 320, 384},  // 14
    {77, 655, 3, 132, 240, 360, 432},  // 15
    {81, 733, 3, 144, 280, 408, 480},  // 16
    {85, 815, 3, 168, 308, 448, 532},  // 17
    {89, 901, 3, 180, 338, 504, 588},  // 18
    {93, 991, 3, 196, 364, 546, 650},  // 19
    {97, 1085, 3, 224, 416, 600, 700},  // 20
    {101, 1156, 4, 224, 442, 644, 750},  // 21
    {105, 1258, 4, 252, 476, 690, 816},  // 22
    {109, 1364, 4, 270, 504, 750, 900},  // 23
    {113, 1474, 4, 300, 560, 810, 960},  // 24
    {117, 1588, 4, 312, 588, 870, 1050},  // 25
    {121, 1706, 4, 336, 644, 952, 1110},  // 26
    {125, 1828, 4, 360, 700, 1020, 1200},  // 27
    {129, 1921, 3, 390, 728, 1050, 1260},  // 28
    {133, 2051, 3, 420, 784, 1140, 1350},  // 29
    {137, 2185, 3, 450, 812, 1200, 1440},  // 30
    {141, 2323, 3, 480, 868, 1290, 1530},  // 31
    {145, 2465, 3, 510, 924, 1350, 1620},  // 32
    {149, 2611, 3, 540, 980, 1440, 1710},  // 33
    {153, 2761, 3, 570, 1036, 1530, 1800},  // 34
    {157, 2876, 0, 570, 1064, 1590, 1890},  // 35
    {161, 3034, 0, 600, 1120, 1680, 1980},  // 36
    {165, 3196, 0, 630, 1204, 1770, 2100},  // 37
    {169, 3362, 0, 660, 1260, 1860, 2220},  // 38
    {173, 3532, 0, 720, 1316, 1950, 2310},  // 39
    {177, 3706, 0, 750, 1372, 2040, 2430},  // 40
}};

// Character-count indicator lengths per mode, for versions 1-9, 10-26 and 27-40.
const CountBitsTable kCountBits = {{
    {10, 12, 14},  // numeric
    {9, 11, 13},   // alphanumeric
    {8, 16, 16},   // 8-bit byte
    {8, 10, 12},   // Kanji
}};

// Per version and level (L, M, Q, H): error-correction blocks in group 1 and in group 2.
const BlocksTable kBlocks = {{
    {{{0, 0}, {0, 0}, {0, 0}, {0, 0}}},  // 0
    {{{1, 0}, {1, 0}, {1, 0}, {1, 0}}},  // 1
    {{{1, 0}, {1, 0}, {1, 0}, {1, 0}}},  // 2
    {{{1, 0}, {1, 0}, {2, 0}, {2, 0}}},  // 3
    {{{1, 0}, {2, 0}, {2, 0}, {4, 0}}},  // 4
    {{{1, 0}, {2, 0}, {2, 2}, {2, 2}}},  // 5
    {{{2, 0}, {4, 0}, {4, 0}, {4, 0}}},  // 6
    {{{2, 0}, {4, 0}, {2, 4}, {4, 1}}},  // 7
    {{{2, 0}, {2, 2}, {4, 2}, {4, 2}}},  // 8
    {{{2, 0}, {3, 2}, {4, 4}, {4, 4}}},  // 9
    {{{2, 2}, {4, 1}, {6, 2}, {6, 2}}},  // 10
    {{{4, 0}, {1, 4}, {4, 4}, {3, 8}}},  // 11
    {{{2, 2}, {6, 2}, {4, 6}, {7, 4}}},  // 12
    {{{4, 0}, {8, 1}, {8, 4}, {12, 4}}},  // 13
    {{{3, 1}, {4, 5}, {11, 5}, {11, 5}}},  // 14
    {{{5, 1}, {5, 5}, {5, 7}, {11, 7}}},  // 15
    {{{5, 1}, {7, 3}, {15, 2}, {3, 13}}},  // 16
    {{{1, 5}, {10, 1}, {1, 15}, {2, 17}}},  // 17
    {{{5, 1}, {9, 4}, {17, 1}, {2, 19}}},  // 18
    {{{3, 4}, {3, 11}, {17, 4}, {9, 16}}},  // 19
    {{{3, 5}, {3, 13}, {15, 5}, {15, 10}}},  // 20
    {{{4, 4}, {17, 0}, {17, 6}, {19, 6}}},  // 21
    {{{2, 7}, {17, 0}, {7, 16}, {34, 0}}},  // 22
    {{{4, 5}, {4, 14}, {11, 14}, {16, 14}}},  // 23
    {{{6, 4}, {6, 14}, {11, 16}, {30, 2}}},  // 24
    {{{8, 4}, {8, 13}, {7, 22}, {22, 13}}},  // 25
    {{{10, 2}, {19, 4}, {28, 6}, {33, 4}}},  // 26
    {{{8, 4}, {22, 3}, {8, 26}, {12, 28}}},  // 27
    {{{3, 10}, {3, 23}, {4, 31}, {11, 31}}},  // 28
    {{{7, 7}, {21, 7}, {1, 37}, {19, 26}}},  // 29
    {{{5, 10}, {19, 10}, {15, 25}, {23, 25}}},  // 30
    {{{13, 3}, {2, 29}, {42, 1}, {23, 28}}},  // 31
    {{{17, 0}, {10, 23}, {10, 35}, {19, 35}}},  // 32
    {{{17, 1}, {14, 21}, {29, 19}, {11, 46}}},  // 33
    {{{13, 6}, {14, 23}, {44, 7}, {59, 1}}},  // 34
    {{{12, 7}, {12, 26}, {39, 14}, {22, 41}}},  // 35
    {{{6, 14}, {6, 34}, {46, 10}, {2, 64}}},  // 36
    {{{17, 4}, {29, 14}, {49, 10}, {24, 46}}},  // 37
    {{{4, 18}, {13, 32}, {48, 14}, {42, 32}}},  // 38
    {{{20, 4}, {40, 7}, {43, 22}, {10, 67}}},  // 39
    {{{19, 6}, {18, 31}, {34, 34}, {20, 61}}},  // 40
}};

// Per version: the first two alignment-pattern centre coordinates after 6.
const AlignmentTable kAlignment = {{
    {0, 0},  // 0
    {0, 0},  // 1
    {18, 0},  // 2
    {22, 0},  // 3
    {26, 0},  // 4
    {30, 0},  // 5
    {34, 0},  // 6
    {22, 38},  // 7
    {24, 42},  // 8
    {26, 46},  // 9
    {28, 50},  // 10
    {30, 54},  // 11
    {32, 58},  // 12
    {34, 62},  // 13
    {26, 46},  // 14
    {26, 48},  // 15
    {26, 50},  // 16
    {30, 54},  // 17
    {30, 56},  // 18
    {30, 58},  // 19
    {34, 62},  // 20
    {28, 50},  // 21
    {26, 50},  // 22
    {30, 54},  // 23
    {28, 54},  // 24
    {32, 58},  // 25
    {30, 58},  // 26
    {34, 62},  // 27
    {26, 50},  // 28
    {30, 54},  // 29
    {26, 52},  // 30
    {30, 56},  // 31
    {34, 60},  // 32
    {30, 58},  // 33
    {34, 62},  // 34
    {30, 54},  // 35
    {24, 50},  // 36
    {28, 54},  // 37
    {32, 58},  // 38
    {26, 54},  // 39
    {30, 58},  // 40
}};

// Version information words of versions 7 to 40 (BCH(18, 6)).
const VersionInformationTable kVersionInformation = {
    0x07C94, 0x085BC, 0x09A99, 0x0A4D3, 0x0BBF6, 0x0C762,
    0x0D847, 0x0E60D, 0x0F928, 0x10B78, 0x1145D, 0x12A17,
    0x13532, 0x149A6, 0x15683, 0x168C9, 0x177EC, 0x18EC4,
    0x191E1, 0x1AFAB, 0x1B08E, 0x1CC1A, 0x1D33F, 0x1ED75,
    0x1F250, 0x209D5, 0x216F0, 0x228BA, 0x2379F, 0x24B0B,
    0x2542E, 0x26A64, 0x27541, 0x28C69,
};

// Format information words per level (L, M, Q, H) and mask 0 to 7, already XORed with 0x5412.
const FormatInformationTable kFormatInformation = {{
    {0x77C4, 0x72F3, 0x7DAA, 0x789D, 0x662F, 0x6318, 0x6C41, 0x6976},
    {0x5412, 0x5125, 0x5E7C, 0x5B4B, 0x45F9, 0x40CE, 0x4F97, 0x4AA0},
    {0x355F, 0x3068, 0x3F31, 0x3A06, 0x24B4, 0x2183, 0x2EDA, 0x2BED},
    {0x1689, 0x13BE, 0x1CE7, 0x19D0, 0x0762, 0x0255, 0x0D0C, 0x083B},
}};

}  // namespace
}  // namespace qr
