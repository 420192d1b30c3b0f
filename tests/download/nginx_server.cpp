#include "tests/download/nginx_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <thread>

namespace download_testing {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// A port nobody listens on right now (the kernel's pick; nginx may still lose it to a race).
uint16_t FreePort() {
  const int probe = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  uint16_t port = 0;
  if (::bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
    port = ntohs(address.sin_port);
  }
  ::close(probe);
  return port;
}

bool Accepts(uint16_t port) {
  const int client = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(port);
  const bool connected = ::connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  ::close(client);
  return connected;
}

}  // namespace

std::string NginxServer::Program() {
#ifdef NGINX_PROGRAM
  return NGINX_PROGRAM;
#else
  return {};
#endif
}

NginxServer::NginxServer(std::filesystem::path root, std::filesystem::path workFolder, bool rangesHonoured)
    : root_(std::move(root)), work_(std::move(workFolder)), rangesHonoured_(rangesHonoured) {}

NginxServer::~NginxServer() { Stop(); }

std::optional<std::string> NginxServer::Start() {
  if (Program().empty()) return "nginx is not installed";
  std::filesystem::create_directories(work_);
  for (int attempt = 0; attempt < 3; ++attempt) {
    if (StartOn(FreePort())) return std::nullopt;
  }
  std::ifstream log(work_ / "error.log");
  return "nginx did not start: " + std::string(std::istreambuf_iterator<char>(log), {});
}

bool NginxServer::StartOn(uint16_t port) {
  const std::string work = work_.string();
  {
    // One process in the foreground (it runs as the test's user and can read
    // the test's folders); every path of its own inside the work folder.
    std::ofstream conf(work_ / "nginx.conf");
    conf << "daemon off;\nmaster_process off;\nworker_processes 1;\n"
         << "pid " << work << "/nginx.pid;\nerror_log " << work << "/error.log warn;\n"
         << "events { worker_connections 64; }\n"
         << "http {\n"
         << "  log_format ranges '$status \"$http_range\"';\n"
         << "  access_log " << work << "/access.log ranges;\n"
         << "  client_body_temp_path " << work << "/body;\n  proxy_temp_path " << work << "/proxy;\n"
         << "  fastcgi_temp_path " << work << "/fastcgi;\n  uwsgi_temp_path " << work << "/uwsgi;\n"
         << "  scgi_temp_path " << work << "/scgi;\n"
         << "  sendfile on;\n"
         << (rangesHonoured_ ? "" : "  max_ranges 0;\n")
         << "  server {\n    listen 127.0.0.1:" << port << ";\n    root " << root_.string() << ";\n  }\n"
         << "}\n";
  }
  const std::string program = Program();
  const std::string conf = (work_ / "nginx.conf").string();
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::execl(program.c_str(), program.c_str(), "-p", work.c_str(), "-c", conf.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  if (pid < 0) return false;
  pid_ = pid;
  const Clock::time_point deadline = Clock::now() + 5s;
  while (Clock::now() < deadline) {
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {  // it gave up (the port was taken)
      pid_ = -1;
      return false;
    }
    if (Accepts(port)) {
      port_ = port;
      return true;
    }
    std::this_thread::sleep_for(10ms);
  }
  Stop();
  return false;
}

void NginxServer::Stop() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGQUIT);  // a graceful stop
  const Clock::time_point deadline = Clock::now() + 5s;
  int status = 0;
  while (::waitpid(pid_, &status, WNOHANG) == 0) {
    if (Clock::now() >= deadline) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, &status, 0);
      break;
    }
    std::this_thread::sleep_for(10ms);
  }
  pid_ = -1;
}

std::vector<std::string> NginxServer::AccessLog() const {
  std::vector<std::string> lines;
  std::ifstream log(work_ / "access.log");
  for (std::string line; std::getline(log, line);) lines.push_back(line);
  return lines;
}

}  // namespace download_testing
