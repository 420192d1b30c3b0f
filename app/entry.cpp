#include "app/entry.h"

#include <memory>

#include "app/globals.h"
#include "app/main_window.h"
#include "forms/main_form.h"
#include "platform/process.h"
#include "platform/toolkit.h"

namespace app {

void Launch() {
  platform::InitToolkit();
  BuildGlobals();
  platform::RegisterExitRoutine(ReleaseGlobals);
  platform::LoadWindow(forms::MainForm(), std::make_unique<MainWindow>());
}

int Main() {
  Launch();
  platform::RunMessageLoop();
  return 0;
}

}  // namespace app
