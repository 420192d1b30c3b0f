// Task-modal message boxes without owner.
#include <windows.h>

#include "platform/toolkit.h"
#include "platform/win32/ui_thread.h"
#include "platform/win32/wide.h"

namespace platform {

Text DefaultMessageTitle() { return Gbk("信息："); }

void ShowMessageBox(const Text& text, int flags, std::optional<Text> title) {
  const std::wstring body = win32::Wide(text);
  const std::wstring caption = win32::Wide(title ? *title : DefaultMessageTitle());
  win32::OnUi([&] {
    ::MessageBoxW(nullptr,                                           // no owner
                  body.c_str(),                                      // text
                  caption.c_str(),                                   // title
                  UINT(flags) | MB_TASKMODAL | MB_SETFOREGROUND);  // every window of the thread waits
  });
}

}  // namespace platform
