// The patch update: download up.zip, extract it over the client folder,
// record the new version, enable 进入游戏.
#pragma once

#include "platform/toolkit.h"

namespace update {

// Begins the patch update on the UI thread, once the controls show the waiting state.
void BeginPatchUpdate(platform::Window& mainWindow);

}  // namespace update
