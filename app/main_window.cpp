#include "app/main_window.h"

#include "app/startup.h"
#include "platform/process.h"

namespace app {

using platform::Event;

void MainWindow::Bind(platform::Window& window) {
  window_ = &window;
  window.On("关闭", Event::Click, [this] { 关闭_Click(); });
  // Events the form binds to handlers that do nothing.
  for (const char* timer : {"时钟1", "时钟2", "时钟3"}) window.On(timer, Event::Timer, [this] { DoNothing(); });
  window.On("版本更新提示", Event::MouseDown, [this] { DoNothing(); });
  window.On("透明标签2", Event::MouseDown, [this] { DoNothing(); });
  window.On("网页公告", Event::First, [this] { DoNothing(); });
  window.On("服务器列表信息", Event::First, [this] { DoNothing(); });
}

void MainWindow::Created() { RunStartupSequence(*window_); }

void MainWindow::Destroying() { platform::EndProcess(0); }

void MainWindow::关闭_Click() { platform::EndProcess(0); }

}  // namespace app
