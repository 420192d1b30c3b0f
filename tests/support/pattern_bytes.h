// Test data whose bytes differ from offset to offset, so a misplaced range shows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace testing_support {

std::string PatternBytes(size_t size, uint32_t seed = 1);

}  // namespace testing_support
