// Where the launcher talks to: fixed when the program is built (CMake cache
// variables); tests may move them to their own server's ports.
#pragma once

#include <string>

namespace app {

struct Endpoints {
  std::string updateHost;   // update host and account gateway
  int updatePort = 8089;    // /bb.txt and /up.zip
  int pagePort = 80;        // /gg.txt
  int accountPort = 52001;
  std::string rechargeHost;
  int cardPort = 52003;     // card recharge and payment query
  int directPort = 52005;   // direct recharge
  std::string lotteryHost;
  int lotteryPort = 52004;
  int prizeListPort = 80;   // /jp.txt
  std::string websiteAddress;
};

// The addresses this launcher was built with.
Endpoints BuiltInEndpoints();

const Endpoints& CurrentEndpoints();
void SetEndpoints(const Endpoints& endpoints);

// http://host:port + path
std::string HttpAddress(const std::string& host, int port, const std::string& path);

}  // namespace app
