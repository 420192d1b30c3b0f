#include "app/startup.h"

#include <string>

#include "app/endpoints.h"
#include "app/globals.h"
#include "app/version_line.h"
#include "platform/files.h"
#include "platform/graphics.h"
#include "platform/http.h"
#include "platform/process.h"
#include "platform/profile.h"
#include "platform/random.h"
#include "update/patch_update.h"

namespace app {

using platform::Gbk;

namespace {

Text ReadConfigValue(const char* utf8Key) {
  return platform::ReadProfileValue(ConfigPath(), "server", Gbk(utf8Key));
}

}  // namespace

void RunStartupSequence(platform::Window& window) {
  const Endpoints& hosts = CurrentEndpoints();

  // 1. A patch archive left from an earlier run.
  platform::DeleteFileAt(ClientPath("up.zip"));

  // 2. The window's outline from its background picture.
  window.CutOutlineFromBackground();

  // 3. The 2-D graphics library, kept for the whole run.
  GraphicsToken = platform::StartGraphics();

  // 4. Without zg.ini there is nothing to launch.
  if (!platform::FileExists(ConfigPath())) {
    platform::ShowMessageBox(Gbk("文件打开失败，请检查客户端zg.ini配置文件是否存在。"), platform::kMessageError);
    platform::EndProcess(0);
    return;
  }

  // 5. The server's name is the window's title.
  ServerName = Cipher->Decrypt(ReadConfigValue("name"), cipher::ConfigKey);
  window.SetTitle(ServerName);

  // 6. The server version: the whole body, whatever the status.
  platform::HttpRequest versionRequest;
  versionRequest.url = HttpAddress(hosts.updateHost, hosts.updatePort, "/bb.txt");
  versionRequest.http10 = true;
  ServerVersion = platform::TextUpToZero(platform::HttpGet(versionRequest));

  // 7. The installed version.
  LocalVersion = Cipher->Decrypt(ReadConfigValue("本地版本"), cipher::ConfigKey);

  // 8. The announcement page.
  platform::Control& announcement = window["网页公告"];
  announcement.SetAddress(HttpAddress(hosts.updateHost, hosts.pagePort, "/gg.txt"));

  // 9-11. The server row, with a latency figure for show.
  platform::Control& servers = window["服务器列表信息"];
  servers.AddRow();
  platform::Random::Reseed();
  const int row = servers.RowCount() - 1;
  servers.SetCell(row, 0, ServerName);
  servers.SetCell(row, 1, Gbk("全网"));
  servers.SetCell(row, 2, Gbk("正常"));
  servers.SetCell(row, 3, std::to_string(platform::Random::Range(5, 120)) + " Ms");

  // 12-13. Byte for byte: equal means current, anything else needs the patch.
  if (ServerVersion == LocalVersion) {
    announcement.SetHeight(230);
    window["版本更新提示"].SetText(ReadyVersionLine(LocalVersion, ServerVersion));
    window["进入游戏"].SetEnabled(true);
  } else {
    announcement.SetHeight(192);
    window["进入游戏"].SetEnabled(false);
    window["下载进度条"].SetVisible(true);
    window["解压进度条"].SetVisible(true);
    window["版本更新提示"].SetText(WaitingVersionLine(LocalVersion, ServerVersion));
    update::BeginPatchUpdate(window);
  }
}

}  // namespace app
