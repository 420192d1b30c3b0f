// MainWindow's code: its start-up sequence and its handlers, in the order of
// the window's event table.
#pragma once

#include <memory>

#include "gateway/registration.h"
#include "platform/toolkit.h"

namespace app {

class MainWindow final : public platform::WindowLogic {
 public:
  void Bind(platform::Window& window) override;
  void Created() override;     // the start-up sequence
  void Destroying() override;  // ends the process

 private:
  void 进入游戏_Click();
  void 关闭_Click();
  void 最小化_Click();
  void 官方网站_Click();
  void DoNothing() {}

  platform::Window* window_ = nullptr;
  std::unique_ptr<gateway::Registration> registration_;
};

}  // namespace app
