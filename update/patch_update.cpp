#include "update/patch_update.h"

#include "app/globals.h"
#include "platform/files.h"
#include "platform/profile.h"

namespace update {

void BeginPatchUpdate(platform::Window& mainWindow) {
  // A file the operator names in zg.ini goes before the download starts.
  app::PatchFileName = platform::ReadProfileString(app::ConfigPath(), "server", platform::Gbk("补丁名称"));
  if (!app::PatchFileName.empty()) platform::DeleteFileAt(app::ClientPath(app::PatchFileName));
  app::PatchFileName = "up.zip";
}

}  // namespace update
