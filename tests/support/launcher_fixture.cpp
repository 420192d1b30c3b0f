#include "tests/support/launcher_fixture.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "app/endpoints.h"
#include "app/entry.h"
#include "cipher/text_cipher.h"

namespace testing_support {
namespace {

// A loopback port that was free a moment ago and has no listener now.
int ClosedPort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  const int port = ntohs(address.sin_port);
  close(fd);
  return port;
}

}  // namespace

void LauncherTest::SetUp() {
  platform::headless::Reset();
  devserver::Options options;
  options.root = serverRoot_.path();
  options.updatePort = 0;
  options.pagePort = 0;
  options.accountPort = 0;
  server_ = std::make_unique<devserver::Server>(options);
  const auto error = server_->Start();
  ASSERT_FALSE(error) << *error;

  app::Endpoints endpoints = app::BuiltInEndpoints();
  endpoints.updateHost = "127.0.0.1";
  endpoints.updatePort = server_->UpdatePort();
  endpoints.pagePort = server_->PagePort();
  app::SetEndpoints(endpoints);
  platform::headless::SetRunDirectory(client_.path().string());
  platform::headless::SetWorkingDirectory(client_.path().string());
}

void LauncherTest::TearDown() {
  main_.reset();
  platform::headless::Reset();
  server_->Stop();
  app::SetEndpoints(app::BuiltInEndpoints());
  platform::headless::SetRunDirectory("");
  platform::headless::SetWorkingDirectory("");
}

void LauncherTest::WriteZgIni(const std::string& name, const std::string& version, const std::string& patchName) {
  const cipher::TextCipher cipher;
  client_.Write("zg.ini", "[server]\r\nname=" + cipher.Encrypt(G(name.c_str()), cipher::ConfigKey) + "\r\n" +
                              G("本地版本") + "=" + cipher.Encrypt(G(version.c_str()), cipher::ConfigKey) + "\r\n" +
                              G("补丁名称") + "=" + G(patchName.c_str()) + "\r\n");
}

void LauncherTest::ServeVersion(const std::string& body) { serverRoot_.Write("bb.txt", body); }

void LauncherTest::MakeUpdateHostUnreachable() {
  app::Endpoints endpoints = app::CurrentEndpoints();
  endpoints.updatePort = ClosedPort();
  endpoints.pagePort = ClosedPort();
  app::SetEndpoints(endpoints);
}

std::shared_ptr<platform::Window> LauncherTest::StartLauncher() {
  app::Launch();
  main_ = platform::headless::FindWindow("MainWindow");
  return main_;
}

}  // namespace testing_support
