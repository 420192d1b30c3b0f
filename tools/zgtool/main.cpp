// zgtool: enciphers and deciphers texts with the launcher's keys, writes a new
// zg.ini and shows one deciphered.
//
//   zgtool encrypt [--key config|gateway] [--hex] TEXT
//   zgtool decrypt [--key config|gateway] [--hex] TEXT
//   zgtool init FILE --name NAME --version VERSION [--patch-name NAME]
//   zgtool show FILE
//   zgtool qr [--level L|M|Q|H] [--mask N] [--hex] TEXT
//
// Texts on the command line are UTF-8 and become GBK; with --hex the plain
// side is written as hexadecimal GBK bytes instead, so any byte string works.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "cipher/text_cipher.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/text.h"
#include "tools/zgtool/hex.h"
#include "tools/zgtool/qr_command.h"
#include "tools/zgtool/zg_ini.h"

namespace {

using platform::Gbk;
using platform::Text;

constexpr char kUsage[] =
    "usage:\n"
    "  zgtool encrypt [--key config|gateway] [--hex] TEXT\n"
    "  zgtool decrypt [--key config|gateway] [--hex] TEXT\n"
    "  zgtool init FILE --name NAME --version VERSION [--patch-name NAME]\n"
    "  zgtool show FILE\n"
    "  zgtool qr [--level L|M|Q|H] [--mask N] [--hex] TEXT\n";

int Usage(const std::string& problem) {
  std::fprintf(stderr, "zgtool: %s\n%s", problem.c_str(), kUsage);
  return 2;
}

void PrintLine(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fputc('\n', stdout);
}

// encrypt / decrypt
int RunCipher(bool encrypt, const std::vector<std::string>& args) {
  Text key = cipher::ConfigKey;
  bool hex = false;
  std::optional<std::string> text;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--key") {
      if (++i == args.size()) return Usage("--key needs config or gateway");
      if (args[i] == "config") key = cipher::ConfigKey;
      else if (args[i] == "gateway") key = cipher::GatewayKey;
      else return Usage("unknown key '" + args[i] + "' (config or gateway)");
    } else if (args[i] == "--hex") {
      hex = true;
    } else if (args[i].rfind("--", 0) == 0 && args[i].size() > 2) {
      return Usage("unknown option " + args[i]);
    } else if (text) {
      return Usage("one TEXT only (quote it if it has blanks)");
    } else {
      text = args[i];
    }
  }
  if (!text) return Usage("TEXT is missing");
  const cipher::TextCipher cipher;
  if (encrypt) {
    std::optional<std::string> plain = hex ? zgtool::BytesFromHex(*text) : std::optional<std::string>(Gbk(*text));
    if (!plain) return Usage("--hex wants an even number of hexadecimal digits");
    PrintLine(cipher.Encrypt(*plain, key));
  } else {
    const Text plain = cipher.Decrypt(*text, key);
    PrintLine(hex ? zgtool::HexFromBytes(plain) : platform::Utf8(plain));
  }
  return 0;
}

int RunInit(const std::vector<std::string>& args) {
  std::optional<std::string> file, name, version;
  std::string patchName;
  for (size_t i = 0; i < args.size(); ++i) {
    auto value = [&](std::optional<std::string>& into) {
      if (i + 1 == args.size()) return false;
      into = args[++i];
      return true;
    };
    if (args[i] == "--name") {
      if (!value(name)) return Usage("--name needs a value");
    } else if (args[i] == "--version") {
      if (!value(version)) return Usage("--version needs a value");
    } else if (args[i] == "--patch-name") {
      std::optional<std::string> v;
      if (!value(v)) return Usage("--patch-name needs a value");
      patchName = *v;
    } else if (args[i].rfind("--", 0) == 0) {
      return Usage("unknown option " + args[i]);
    } else if (file) {
      return Usage("one FILE only");
    } else {
      file = args[i];
    }
  }
  if (!file) return Usage("FILE is missing");
  if (!name) return Usage("--name is missing");
  if (!version) return Usage("--version is missing");
  const std::string content = zgtool::FormatZgIni({Gbk(*name), Gbk(*version), Gbk(patchName)});
  if (!platform::WriteWholeFile(Gbk(*file), content)) {
    std::fprintf(stderr, "zgtool: cannot write %s\n", file->c_str());
    return 1;
  }
  return 0;
}

int RunShow(const std::vector<std::string>& args) {
  if (args.size() != 1) return Usage("show takes one FILE");
  const Text path = Gbk(args[0]);
  if (!platform::FileExists(path)) {
    std::fprintf(stderr, "zgtool: %s does not exist\n", args[0].c_str());
    return 1;
  }
  const zgtool::ZgIni values = zgtool::ReadZgIni(path);
  PrintLine("name: " + platform::Utf8(values.name));
  PrintLine("本地版本: " + platform::Utf8(values.version));
  PrintLine("补丁名称: " + platform::Utf8(values.patchName));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args = platform::ProgramArguments(argc, argv);
  if (args.empty()) return Usage("a command is missing");
  const std::string command = args.front();
  args.erase(args.begin());
  if (command == "encrypt") return RunCipher(true, args);
  if (command == "decrypt") return RunCipher(false, args);
  if (command == "init") return RunInit(args);
  if (command == "show") return RunShow(args);
  if (command == "qr") return RunQrCommand(args);
  if (command == "--help" || command == "-h" || command == "help") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  return Usage("unknown command '" + command + "'");
}
