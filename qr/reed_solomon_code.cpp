#include "qr/reed_solomon_code.h"

#include <algorithm>

namespace qr {

std::optional<ReedSolomonCode> ReedSolomonCode::Make(const ReedSolomonParameters& p) {
  if (p.symbolSize < 1 || p.symbolSize > 8) return std::nullopt;
  const int n = (1 << p.symbolSize) - 1;
  if (p.polynomial >> p.symbolSize != 1) return std::nullopt;  // degree must be the symbol size
  if (p.firstRoot < 0 || p.firstRoot > n) return std::nullopt;
  if (p.roots < 0 || p.roots > n) return std::nullopt;
  if (p.step < 1 || p.step > n) return std::nullopt;
  if (p.shortening < 0 || p.shortening > n - 1 - p.roots) return std::nullopt;
  ReedSolomonCode code(p);
  if (!code.BuildFieldTables()) return std::nullopt;
  code.BuildGenerator();
  return code;
}

ReedSolomonCode::ReedSolomonCode(const ReedSolomonParameters& parameters)
    : parameters_(parameters), fieldSize_((1 << parameters.symbolSize) - 1) {}

bool ReedSolomonCode::BuildFieldTables() {
  const int n = fieldSize_;
  log_[0] = uint8_t(n);
  int x = 1;
  for (int i = 0; i < n; ++i) {
    // A primitive polynomial walks through every non-zero element once, then back to 1.
    if (i > 0 && x == 1) return false;
    antilog_[i] = uint8_t(x);
    antilog_[i + n] = uint8_t(x);
    log_[x] = uint8_t(i);
    x <<= 1;
    if (x & (n + 1)) x ^= parameters_.polynomial;
  }
  return x == 1;
}

void ReedSolomonCode::BuildGenerator() {
  const int n = fieldSize_;
  const int roots = parameters_.roots;
  // Multiply (x - alpha^root) into the polynomial one root at a time, as plain coefficients.
  std::vector<uint8_t> g(roots + 1, 0);
  g[0] = 1;
  int root = parameters_.firstRoot * parameters_.step % n;
  for (int i = 0; i < roots; ++i, root = (root + parameters_.step) % n) {
    g[i + 1] = 1;
    for (int j = i; j > 0; --j) {
      g[j] = g[j] == 0 ? g[j - 1] : uint8_t(g[j - 1] ^ antilog_[log_[g[j]] + root]);
    }
    g[0] = antilog_[log_[g[0]] + root];
  }
  generatorLog_.resize(roots + 1);
  std::transform(g.begin(), g.end(), generatorLog_.begin(),
                 [&](uint8_t c) { return c == 0 ? kZeroLog : uint16_t(log_[c]); });
}

void ReedSolomonCode::Encode(std::span<const uint8_t> data, std::span<uint8_t> ec) const {
  const int roots = parameters_.roots;
  const int n = fieldSize_;
  std::fill(ec.begin(), ec.end(), 0);
  if (roots == 0) return;
  // Feedback shift register: ec holds the running remainder, highest coefficient first.
  for (const uint8_t symbol : data) {
    const int feedback = log_[symbol ^ ec[0]];
    std::copy(ec.begin() + 1, ec.end(), ec.begin());
    ec[roots - 1] = 0;
    if (feedback == n) continue;
    for (int j = 0; j < roots; ++j) {
      ec[j] ^= antilog_[feedback + generatorLog_[roots - 1 - j]];
    }
  }
}

}  // namespace qr
