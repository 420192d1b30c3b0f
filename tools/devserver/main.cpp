// devserver: runs the private server's services on 127.0.0.1 until SIGINT or
// SIGTERM. Exit status 0 after a clean stop, 1 when a service cannot start,
// 2 for bad usage.
#include <signal.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/text.h"
#include "tools/devserver/command_line.h"
#include "tools/devserver/server.h"

namespace {

int BadUsage(std::string_view message) {
  std::cerr << "devserver: " << message << "\n\n" << devserver::UsageText();
  return 2;
}

// Written beside the target and renamed over it, so a script that waits for
// the file never reads half of it.
bool WritePortsFile(const std::string& path, const devserver::Server& server) {
  const std::string temporary = path + ".tmp";
  {
    std::ofstream out(temporary, std::ios::trunc);
    out << "update_port=" << server.UpdatePort() << "\n"
        << "page_port=" << server.PagePort() << "\n"
        << "account_port=" << server.AccountPort() << "\n";
    if (!out.flush()) return false;
  }
  std::error_code error;
  std::filesystem::rename(temporary, path, error);
  return !error;
}

void PrintRequest(const devserver::RequestRecord& record) {
  std::string line = record.peer + " -> :" + std::to_string(record.port) + " " + record.method +
                     " " + record.path + " " + std::to_string(record.status);
  if (!record.range.empty()) line += " (Range: " + record.range + ")";
  line += "\n";
  std::fputs(line.c_str(), stderr);  // one call per line keeps threads' lines whole
}

// A GBK text as one line of UTF-8: control bytes and backslashes as \xHH.
std::string Visible(std::string_view gbk) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string shown;
  for (const char c : platform::Utf8(gbk)) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F || c == '\\') {
      shown += "\\x";
      shown += kHex[byte >> 4];
      shown += kHex[byte & 0xF];
    } else {
      shown += c;
    }
  }
  return shown;
}

// A development server shows the password too, as it stores it.
void PrintGatewayRequest(const devserver::GatewayRecord& record) {
  const std::string line = record.peer + " -> :" + std::to_string(record.port) + " \"" +
                           Visible(record.request.text) + "\" " + record.outcome + " \"" +
                           Visible(record.reply) + "\"\n";
  std::fputs(line.c_str(), stderr);  // one call per line keeps threads' lines whole
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  devserver::CommandLine line = devserver::ParseCommandLine(args);
  if (!line.error.empty()) return BadUsage(line.error);
  if (line.help) {
    std::cout << devserver::UsageText();
    return 0;
  }
  std::error_code error;
  if (!std::filesystem::is_directory(line.options.root, error)) {
    return BadUsage("--root: not a folder: " + line.options.root.string());
  }
  if (line.verbose) {
    line.options.onRequest = PrintRequest;
    line.options.onGatewayRequest = PrintGatewayRequest;
  }
  if (!line.portsFile.empty()) std::filesystem::remove(line.portsFile, error);

  // Blocked before any thread starts, so every thread inherits the mask and
  // only sigwait below receives them.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  devserver::Server server(line.options);
  if (std::optional<std::string> failure = server.Start()) {
    std::cerr << "devserver: " << *failure << "\n";
    return 1;
  }
  std::cout << "update host: http://127.0.0.1:" << server.UpdatePort() << "/\n";
  if (server.PagePort() != 0) {
    std::cout << "page host: http://127.0.0.1:" << server.PagePort() << "/\n";
  }
  if (server.AccountPort() != 0) {
    std::cout << "account gateway: 127.0.0.1:" << server.AccountPort() << "\n";
  }
  std::cout.flush();
  if (!line.portsFile.empty() && !WritePortsFile(line.portsFile, server)) {
    std::cerr << "devserver: cannot write " << line.portsFile << "\n";
    return 1;
  }

  int received = 0;
  sigwait(&stopSignals, &received);
  server.Stop();
  if (!line.portsFile.empty()) std::filesystem::remove(line.portsFile, error);
  std::cerr << "devserver: stopped\n";
  return 0;
}
