// SelectMask: masks a filled frame with the better of two mask patterns drawn
// at random.
#pragma once

#include <array>
#include <span>

#include "qr/frame.h"

namespace qr {

// Evaluating a pattern is the costliest step, so only this many are tried.
inline constexpr int kMaskPatternsChecked = 2;

// The patterns left after random removals from 0..7, in ascending order.
// Re-seeds the process-wide random generator from the clock first.
std::array<int, kMaskPatternsChecked> DrawMaskCandidates();

// The score that decides between masks: 10 for every 5 % that the dark
// modules stray from half, plus EvaluatePenalty.
int MaskScore(int width, const Frame& masked, int dark);

struct MaskChoice {
  Frame frame;  // masked, format information written
  int mask = -1;
  int score = 0;
};

// The candidate with the lowest score; the earlier one on a tie.
MaskChoice ChooseMask(int width, const Frame& frame, int level, std::span<const int> candidates);

// The frame masked with the better of two patterns drawn at random.
Frame SelectMask(int width, const Frame& frame, int level);

}  // namespace qr
