// The start-up sequence, run once when MainWindow has been created.
#pragma once

#include "platform/toolkit.h"

namespace app {

void RunStartupSequence(platform::Window& mainWindow);

// The texts of the version line.
platform::Text ReadyVersionLine(const platform::Text& localVersion, const platform::Text& serverVersion);
platform::Text WaitingVersionLine(const platform::Text& localVersion, const platform::Text& serverVersion);

}  // namespace app
