// The start-up sequence, run once when MainWindow has been created.
#pragma once

#include "platform/toolkit.h"

namespace app {

void RunStartupSequence(platform::Window& mainWindow);

}  // namespace app
