#include "tools/zgtool/qr_command.h"

#include <cstdio>
#include <optional>

#include "platform/text.h"
#include "qr/qr_symbol.h"
#include "qr/split_text.h"
#include "qr/symbol_tables.h"
#include "tools/zgtool/hex.h"

namespace {

constexpr char kUsage[] = "usage: zgtool qr [--level L|M|Q|H] [--mask N] [--hex] TEXT\n";

int Usage(const std::string& problem) {
  std::fprintf(stderr, "zgtool: %s\n%s", problem.c_str(), kUsage);
  return 2;
}

std::optional<int> LevelCode(const std::string& name) {
  static const char* const kNames[] = {"L", "M", "Q", "H"};
  for (int level = 0; level < 4; ++level) {
    if (name == kNames[level]) return level;
  }
  return std::nullopt;
}

// The matrix that a forced mask gives, through the same stages as EncodeText.
qr::QrMatrix EncodeWithForcedMask(const std::string& text, int level, int mask) {
  std::optional<qr::SegmentList> list = qr::SegmentList::Make(0, level);
  if (!list || qr::SplitText(text, *list, 2, 1) != 0) return {};
  qr::QrSymbol symbol;
  symbol.EncodeWithMask(*list, mask);
  return qr::QrMatrix(symbol);
}

}  // namespace

int RunQrCommand(const std::vector<std::string>& args) {
  int level = qr::kLevelL;
  std::optional<int> mask;
  bool hex = false;
  std::optional<std::string> text;
  bool optionsEnded = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (!optionsEnded && arg == "--level") {
      if (++i == args.size()) return Usage("--level needs L, M, Q or H");
      const std::optional<int> code = LevelCode(args[i]);
      if (!code) return Usage("unknown level '" + args[i] + "' (L, M, Q or H)");
      level = *code;
    } else if (!optionsEnded && arg == "--mask") {
      if (++i == args.size() || args[i].size() != 1 || args[i][0] < '0' || args[i][0] > '7') {
        return Usage("--mask needs a pattern number from 0 to 7");
      }
      mask = args[i][0] - '0';
    } else if (!optionsEnded && arg == "--hex") {
      hex = true;
    } else if (!optionsEnded && arg == "--") {
      optionsEnded = true;
    } else if (!optionsEnded && arg.rfind("--", 0) == 0 && arg.size() > 2) {
      return Usage("unknown option " + arg);
    } else if (text) {
      return Usage("one TEXT only (quote it if it has blanks)");
    } else {
      text = arg;
    }
  }
  if (!text) return Usage("TEXT is missing");
  const std::optional<std::string> bytes = hex ? zgtool::BytesFromHex(*text) : std::optional<std::string>(platform::Gbk(*text));
  if (!bytes) return Usage("--hex wants an even number of hexadecimal digits");

  const qr::ScopedSymbolTables tables;
  const qr::QrMatrix matrix = mask ? EncodeWithForcedMask(*bytes, level, *mask) : qr::EncodeText(*bytes, level);
  if (matrix.Empty()) return 1;

  std::string out;
  out.reserve(size_t(matrix.Width()) * size_t(matrix.Width() + 1));
  for (int y = 0; y < matrix.RowCount(); ++y) {
    for (const uint8_t m : matrix.Row(y)) out.push_back(m ? '1' : '0');
    out.push_back('\n');
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
  return 0;
}
