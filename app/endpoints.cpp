#include "app/endpoints.h"

namespace app {
namespace {

Endpoints& Current() {
  static Endpoints endpoints = BuiltInEndpoints();
  return endpoints;
}

}  // namespace

Endpoints BuiltInEndpoints() {
  Endpoints e;
  e.updateHost = LAUNCHER_UPDATE_HOST;
  e.rechargeHost = LAUNCHER_RECHARGE_HOST;
  e.lotteryHost = LAUNCHER_LOTTERY_HOST;
  e.websiteAddress = LAUNCHER_WEBSITE_ADDRESS;
  return e;
}

const Endpoints& CurrentEndpoints() { return Current(); }
void SetEndpoints(const Endpoints& endpoints) { Current() = endpoints; }

std::string HttpAddress(const std::string& host, int port, const std::string& path) {
  return "http://" + host + ":" + std::to_string(port) + path;
}

}  // namespace app
