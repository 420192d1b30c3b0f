#include "app/main_window.h"

#include "app/globals.h"
#include "app/startup.h"
#include "platform/files.h"
#include "platform/process.h"
#include "update/patch_update.h"

namespace app {

using platform::Event;

void MainWindow::Bind(platform::Window& window) {
  window_ = &window;
  registration_ = std::make_unique<gateway::Registration>(window);
  window.On("进入游戏", Event::Click, [this] { 进入游戏_Click(); });
  window.On("关闭", Event::Click, [this] { 关闭_Click(); });
  window.On("最小化", Event::Click, [this] { 最小化_Click(); });
  window.On("官方网站", Event::Click, [this] { 官方网站_Click(); });
  window.On("消息等待时钟", Event::Timer, [this] { update::RefreshDownloadBar(*window_); });
  window.On("确定注册", Event::Click, [this] { registration_->确定注册_Click(); });
  window.On("重置信息", Event::Click, [this] { registration_->重置信息_Click(); });
  // Events the form binds to handlers that do nothing.
  for (const char* timer : {"时钟1", "时钟2", "时钟3"}) window.On(timer, Event::Timer, [this] { DoNothing(); });
  window.On("版本更新提示", Event::MouseDown, [this] { DoNothing(); });
  window.On("透明标签2", Event::MouseDown, [this] { DoNothing(); });
  window.On("网页公告", Event::First, [this] { DoNothing(); });
  window.On("服务器列表信息", Event::First, [this] { DoNothing(); });
}

void MainWindow::Created() { RunStartupSequence(*window_); }

void MainWindow::Destroying() { platform::EndProcess(0); }

void MainWindow::进入游戏_Click() {
  const Text client = ClientPath("online.exe");
  if (!platform::FileExists(client)) {
    platform::ShowMessageBox(platform::Gbk("请把登陆器放在Velmora客户端目录内!"), platform::kMessageNoIcon,
                             platform::Gbk("提示"));
    return;
  }
  window_->Minimise();
  // The full path, unquoted, is the whole command line; the client inherits
  // the working directory. Whether it started is not looked at.
  platform::StartProgram(client, /*waitIdleMs=*/1000);
  platform::EndProcess(0);
}

void MainWindow::关闭_Click() { platform::EndProcess(0); }

void MainWindow::最小化_Click() { window_->Minimise(); }

void MainWindow::官方网站_Click() { platform::ShellOpen(WebsiteAddress); }

}  // namespace app
