// Account registration from MainWindow: the account name and password go to
// the account gateway; the reply "1" is confirmed and the account text file
// written into the client folder.
#pragma once

#include <memory>

#include "platform/socket.h"
#include "platform/toolkit.h"

namespace gateway {

class Registration {
 public:
  explicit Registration(platform::Window& mainWindow);

  void 确定注册_Click();
  void 连接帐号网关_DataArrival();
  void 重置信息_Click();

 private:
  platform::Window& window_;
  std::unique_ptr<platform::ClientSocket> 连接帐号网关;
};

// What the account text file holds for these values.
platform::Text AccountText(const platform::Text& account, const platform::Text& password,
                           const platform::Text& secondaryPassword);

}  // namespace gateway
