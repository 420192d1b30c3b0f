// The millisecond tick count.
#pragma once

#include <cstdint>

namespace platform {

// Milliseconds since the system started (Windows' GetTickCount). The headless
// backend's clock is driven by tests.
uint32_t TickCount();

}  // namespace platform
