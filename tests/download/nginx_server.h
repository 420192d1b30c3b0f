// A real nginx on a free loopback port, serving one folder: started by a
// test with a configuration of its own in a temporary folder, stopped by it.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace download_testing {

class NginxServer {
 public:
  // The nginx program the build found; empty when it is not installed.
  static std::string Program();

  // rangesHonoured false sets "max_ranges 0": every answer is a 200 with the whole body.
  NginxServer(std::filesystem::path root, std::filesystem::path workFolder, bool rangesHonoured = true);
  ~NginxServer();  // stops it
  NginxServer(const NginxServer&) = delete;
  NginxServer& operator=(const NginxServer&) = delete;

  // Starts it and waits until it accepts connections; an error text when it cannot.
  std::optional<std::string> Start();
  uint16_t Port() const { return port_; }

  // "status range" for every request so far, from the access log.
  std::vector<std::string> AccessLog() const;

 private:
  bool StartOn(uint16_t port);
  void Stop();

  std::filesystem::path root_;
  std::filesystem::path work_;
  bool rangesHonoured_;
  uint16_t port_ = 0;
  pid_t pid_ = -1;
};

}  // namespace download_testing
