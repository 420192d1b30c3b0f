#include "qr/select_mask.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/random.h"
#include "qr/mask.h"
#include "qr/penalty.h"

namespace qr {

std::array<int, kMaskPatternsChecked> DrawMaskCandidates() {
  std::vector<int> candidates = {0, 1, 2, 3, 4, 5, 6, 7};
  platform::Random::Reseed();
  while (candidates.size() > size_t(kMaskPatternsChecked)) {
    const int k = platform::Random::Range(0, int(candidates.size()) - 1);
    candidates.erase(candidates.begin() + k);
  }
  std::array<int, kMaskPatternsChecked> drawn;
  std::copy(candidates.begin(), candidates.end(), drawn.begin());
  return drawn;
}

int MaskScore(int width, const Frame& masked, int dark) {
  const int ratio = int(100LL * dark / (int64_t(width) * width));
  return std::abs(ratio - 50) / 5 * 10 + EvaluatePenalty(width, masked);
}

MaskChoice ChooseMask(int width, const Frame& frame, int level, std::span<const int> candidates) {
  MaskChoice best;
  int lowest = INT_MAX;
  for (const int mask : candidates) {
    MaskedFrame masked = ApplyMask(mask, width, frame);
    if (masked.frame.Empty()) continue;
    masked.dark += WriteFormatInfo(width, masked.frame, mask, level);
    const int score = MaskScore(width, masked.frame, masked.dark);
    if (score < lowest) {
      lowest = score;
      best = {std::move(masked.frame), mask, score};
    }
  }
  return best;
}

Frame SelectMask(int width, const Frame& frame, int level) {
  const std::array<int, kMaskPatternsChecked> candidates = DrawMaskCandidates();
  return ChooseMask(width, frame, level, candidates).frame;
}

}  // namespace qr
