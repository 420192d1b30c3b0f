// A launcher on the headless backend in a client folder of its own, against
// devserver on ephemeral loopback ports.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

#include "platform/headless/driver.h"
#include "platform/toolkit.h"
#include "tests/support/temp_dir.h"
#include "tools/devserver/server.h"

namespace testing_support {

class LauncherTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // zg.ini as zgtool writes it; values are UTF-8 and stored as GBK.
  void WriteZgIni(const std::string& name, const std::string& version, const std::string& patchName = "");
  // The server's current version: the body of /bb.txt (bytes as given).
  void ServeVersion(const std::string& body);
  // Points the launcher at a loopback port where nothing listens.
  void MakeUpdateHostUnreachable();

  // Runs the entry point up to the message loop; returns MainWindow (null
  // when the launcher ended during start-up).
  std::shared_ptr<platform::Window> StartLauncher();

  platform::Text VersionLine() { return (*main_)["版本更新提示"].GetText(); }

  TempDir client_{"launcher-client"};
  TempDir serverRoot_{"launcher-server"};
  std::unique_ptr<devserver::Server> server_;
  std::shared_ptr<platform::Window> main_;
};

// GBK of a UTF-8 literal, for comparisons.
inline platform::Text G(const char* utf8) { return platform::Gbk(utf8); }

}  // namespace testing_support
