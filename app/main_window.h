// MainWindow's code: its start-up sequence and its handlers, in the order of
// the window's event table.
#pragma once

#include "platform/toolkit.h"

namespace app {

class MainWindow final : public platform::WindowLogic {
 public:
  void Bind(platform::Window& window) override;
  void Created() override;     // the start-up sequence
  void Destroying() override;  // ends the process

 private:
  void 关闭_Click();
  void DoNothing() {}

  platform::Window* window_ = nullptr;
};

}  // namespace app
