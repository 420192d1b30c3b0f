#include "gateway/registration.h"

#include "app/endpoints.h"
#include "app/globals.h"
#include "gateway/gateway_conversation.h"
#include "platform/files.h"

namespace gateway {

using platform::Gbk;

Text AccountText(const Text& account, const Text& password, const Text& secondaryPassword) {
  return Gbk("帐号：") + account + Gbk("\r\n密码：") + password + Gbk("\r\n二级密码：") + secondaryPassword +
         Gbk("\r\n系统提示：祝您游戏愉快");
}

Registration::Registration(platform::Window& mainWindow)
    : window_(mainWindow), 连接帐号网关(platform::ClientSocket::Create()) {
  连接帐号网关->OnDataArrival([this] { 连接帐号网关_DataArrival(); });
}

void Registration::确定注册_Click() {
  const Text title = Gbk("温馨提示");
  if (window_["注册的账号名称"].GetText().empty()) {
    platform::ShowMessageBox(Gbk("请输入完整的注册信息"), platform::kMessageError, title);
    return;
  }
  if (window_["注册的密码信息"].GetText() == window_["注册的账号名称"].GetText()) {
    platform::ShowMessageBox(Gbk("密码不能与账号密码相同"), platform::kMessageError, title);
    return;
  }
  // One attempt per run, whatever happens next.
  window_["确定注册"].SetEnabled(false);
  const app::Endpoints& hosts = app::CurrentEndpoints();
  SendGatewayRequest(*连接帐号网关, hosts.updateHost, hosts.accountPort,
                     GatewayRequest("1", {window_["注册的账号名称"].GetText(), window_["注册的密码信息"].GetText()}),
                     /*encipher=*/true);
}

void Registration::连接帐号网关_DataArrival() {
  if (ReplyText(连接帐号网关->GetData()) != "1") return;
  platform::ShowMessageBox(Gbk("注册成功，帐号密码保存在您的客户端目录"), platform::kMessageNoIcon);
  // Written once the player has closed the box, from what the boxes hold then.
  // A new registration replaces the file; it is written beside it and moved
  // over it, so a failed write never leaves half a file.
  const Text path = app::ClientPath(Gbk("Velmora帐号信息.txt"));
  const Text temporary = path + ".new";
  const Text content = AccountText(window_["注册的账号名称"].GetText(), window_["注册的密码信息"].GetText(),
                                   window_["注册的二级密码"].GetText());
  if (!platform::WriteWholeFile(temporary, content) || !platform::MoveFileOver(temporary, path))
    platform::DeleteFileAt(temporary);
}

void Registration::重置信息_Click() {
  window_["注册的账号名称"].SetText("");
  window_["注册的二级密码"].SetText("");
}

}  // namespace gateway
