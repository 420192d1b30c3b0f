#include "tools/zgtool/zg_ini.h"

#include "cipher/text_cipher.h"
#include "platform/profile.h"

namespace zgtool {

using platform::Gbk;

std::string FormatZgIni(const ZgIni& values) {
  const cipher::TextCipher cipher;
  return "[server]\r\n"
         "name=" + cipher.Encrypt(values.name, cipher::ConfigKey) + "\r\n" +
         Gbk("本地版本") + "=" + cipher.Encrypt(values.version, cipher::ConfigKey) + "\r\n" +
         Gbk("补丁名称") + "=" + values.patchName + "\r\n";
}

ZgIni ReadZgIni(const Text& path) {
  const cipher::TextCipher cipher;
  auto read = [&](const Text& key) { return platform::ReadProfileValue(path, "server", key); };
  return {cipher.Decrypt(read("name"), cipher::ConfigKey), cipher.Decrypt(read(Gbk("本地版本")), cipher::ConfigKey),
          read(Gbk("补丁名称"))};
}

}  // namespace zgtool
