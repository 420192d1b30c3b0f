// The texts of MainWindow's version line.
#pragma once

#include "platform/text.h"

namespace app {

// The client is current (or has just been patched): the player may enter.
platform::Text ReadyVersionLine(const platform::Text& localVersion, const platform::Text& serverVersion);

// A patch is needed first.
platform::Text WaitingVersionLine(const platform::Text& localVersion, const platform::Text& serverVersion);

}  // namespace app
