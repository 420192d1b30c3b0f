#include "app/version_line.h"

namespace app {
namespace {

using platform::Gbk;
using platform::Text;

// The parts are joined as they stand: the blanks belong to the literals.
Text VersionLine(const Text& localVersion, const Text& serverVersion, const char* utf8Tail) {
  return Gbk("本地版本为：") + localVersion + Gbk(" 服务器版本为：") + serverVersion + Gbk(utf8Tail);
}

}  // namespace

Text ReadyVersionLine(const Text& localVersion, const Text& serverVersion) {
  return VersionLine(localVersion, serverVersion, "      可以进行游戏");
}

Text WaitingVersionLine(const Text& localVersion, const Text& serverVersion) {
  return VersionLine(localVersion, serverVersion, "      请等待更新");
}

}  // namespace app
