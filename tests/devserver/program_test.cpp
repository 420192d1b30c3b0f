// The devserver program as scripts use it: ports file, one line per service,
// a clean stop on SIGTERM and SIGINT, exit status 2 for bad usage.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <thread>

#include "cipher/text_cipher.h"
#include "test_support.h"

extern char** environ;

namespace devserver_test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// One run of the program with its output in files of a temporary folder.
class Program {
 public:
  explicit Program(std::vector<std::string> args) {
    args.insert(args.begin(), DEVSERVER_PROGRAM);
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, Out().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, Err().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    spawned_ = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
  }
  ~Program() {
    if (spawned_ && !exited_) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  bool Spawned() const { return spawned_; }
  void Signal(int signal) const { ::kill(pid_, signal); }
  // The exit status, or -1 when it is still running after timeout (or was killed).
  int Wait(std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (Clock::now() < deadline) {
      int status = 0;
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        exited_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
      std::this_thread::sleep_for(10ms);
    }
    return -1;
  }
  std::string Stdout() const { return ReadAll(Out()); }
  std::string Stderr() const { return ReadAll(Err()); }
  const TempFolder& Folder() const { return folder_; }

 private:
  std::filesystem::path Out() const { return folder_.path() / "stdout"; }
  std::filesystem::path Err() const { return folder_.path() / "stderr"; }

  TempFolder folder_;
  pid_t pid_ = -1;
  bool spawned_ = false;
  bool exited_ = false;
};

// "update_port=N" -> N from the ports file text.
int PortIn(const std::string& ports, const std::string& key) {
  const size_t at = ports.find(key + "=");
  return at == std::string::npos ? -1 : std::stoi(ports.substr(at + key.size() + 1));
}

TEST(Program, ServesUntilSignalledAndReportsItsPorts) {
  for (const int signal : {SIGTERM, SIGINT}) {
    SCOPED_TRACE(signal);
    TempFolder root;
    root.Write("bb.txt", "1.0.3\r\n");
    root.Write("up.zip", PatternBytes(5000));
    const std::filesystem::path portsFile = root.path().parent_path() / (root.path().filename().string() + ".ports");
    Program program({"--root", root.path().string(), "--update-port", "0", "--page-port", "0",
                     "--account-port", "0", "--ports-file", portsFile.string(), "--truncate-at", "100",
                     "--fault-path", "/up.zip"});
    ASSERT_TRUE(program.Spawned());
    const auto deadline = Clock::now() + 10s;
    while (!std::filesystem::exists(portsFile) && Clock::now() < deadline) std::this_thread::sleep_for(20ms);
    ASSERT_TRUE(std::filesystem::exists(portsFile)) << program.Stderr();

    const std::string ports = ReadAll(portsFile);
    const int updatePort = PortIn(ports, "update_port");
    const int pagePort = PortIn(ports, "page_port");
    const int accountPort = PortIn(ports, "account_port");
    ASSERT_GT(updatePort, 0) << ports;
    ASSERT_GT(pagePort, 0) << ports;
    ASSERT_GT(accountPort, 0) << ports;
    EXPECT_EQ(program.Stdout(), "update host: http://127.0.0.1:" + std::to_string(updatePort) +
                                    "/\npage host: http://127.0.0.1:" + std::to_string(pagePort) +
                                    "/\naccount gateway: 127.0.0.1:" + std::to_string(accountPort) + "\n");
    const std::string base = "http://127.0.0.1:";
    EXPECT_EQ(Fetch({base + std::to_string(updatePort) + "/bb.txt"}).body, "1.0.3\r\n");
    EXPECT_EQ(Fetch({base + std::to_string(pagePort) + "/bb.txt"}).body, "1.0.3\r\n");
    const HttpResult truncated = Fetch({base + std::to_string(updatePort) + "/up.zip"});
    EXPECT_EQ(truncated.code, CURLE_PARTIAL_FILE);
    EXPECT_EQ(truncated.body.size(), 100u);
    RawClient client(static_cast<uint16_t>(accountPort));
    client.Send(cipher::TextCipher().Encrypt("1|alice|pw", cipher::GatewayKey));
    EXPECT_EQ(client.ReadReply(5s), "1");

    program.Signal(signal);
    EXPECT_EQ(program.Wait(5s), 0) << program.Stderr();
    EXPECT_FALSE(std::filesystem::exists(portsFile));
  }
}

// Waits for the ports file and reads one port from it; -1 when none came.
int WaitForPort(const std::filesystem::path& portsFile, const std::string& key) {
  const auto deadline = Clock::now() + 10s;
  while (!std::filesystem::exists(portsFile) && Clock::now() < deadline) std::this_thread::sleep_for(20ms);
  return PortIn(ReadAll(portsFile), key);
}

TEST(Program, KeepsAccountsInItsDatabaseAndAnswersScriptedReplies) {
  TempFolder root;
  const std::filesystem::path portsFile = root.path() / "ports";
  const std::string database = (root.path() / "accounts.db").string();
  const std::string request = cipher::TextCipher().Encrypt("1|bob|pw", cipher::GatewayKey);
  const struct {
    std::vector<std::string> extra;
    std::vector<std::string> replies;  // to the same request, in order
  } runs[] = {
      {{"--account-reply", "1\\r\\n", "--account-reply", ""}, {"1\r\n", "", "1", "0"}},
      {{}, {"0"}},  // the next run still knows the account
  };
  for (const auto& run : runs) {
    std::vector<std::string> args = {"--root", root.path().string(), "--update-port", "0", "--page-port", "0",
                                     "--account-port", "0", "--database", database, "--ports-file",
                                     portsFile.string(), "--verbose"};
    args.insert(args.end(), run.extra.begin(), run.extra.end());
    Program program(args);
    ASSERT_TRUE(program.Spawned());
    const int port = WaitForPort(portsFile, "account_port");
    ASSERT_GT(port, 0) << program.Stderr();
    for (const std::string& expected : run.replies) {
      SCOPED_TRACE(testing::PrintToString(expected));
      RawClient client(static_cast<uint16_t>(port));
      client.Send(request);
      EXPECT_EQ(client.ReadReply(expected.empty() ? 1s : 5s), expected);
    }
    program.Signal(SIGTERM);
    EXPECT_EQ(program.Wait(5s), 0);
    // --verbose: one line per gateway request with the deciphered text.
    EXPECT_NE(program.Stderr().find("\"1|bob|pw\" " + std::string(run.extra.empty() ? "exists" : "created")),
              std::string::npos)
        << program.Stderr();
  }
}

TEST(Program, ExitsWithStatus2ForBadUsage) {
  TempFolder root;
  const struct {
    std::vector<std::string> args;
    std::string mentions;
  } cases[] = {
      {{}, "--root"},
      {{"--root", (root.path() / "missing").string()}, "not a folder"},
      {{"--root", root.path().string(), "--update-port", "70000"}, "--update-port"},
      {{"--root", root.path().string(), "--stall-after", "x"}, "--stall-after"},
      {{"--root", root.path().string(), "--bogus"}, "--bogus"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args));
    Program program(c.args);
    ASSERT_TRUE(program.Spawned());
    EXPECT_EQ(program.Wait(10s), 2);
    const std::string errors = program.Stderr();
    EXPECT_NE(errors.find(c.mentions), std::string::npos) << errors;
    EXPECT_NE(errors.find("usage: devserver"), std::string::npos);
    EXPECT_EQ(program.Stdout(), "");
  }
}

TEST(Program, ExitsWithStatus1WhenTheUpdatePortIsTaken) {
  TempFolder root;
  devserver::Server holder(EphemeralOptions(root.path()));
  ASSERT_EQ(holder.Start(), std::nullopt);
  Program program({"--root", root.path().string(), "--update-port",
                   std::to_string(holder.UpdatePort()), "--page-port", "0"});
  ASSERT_TRUE(program.Spawned());
  EXPECT_EQ(program.Wait(10s), 1);
  EXPECT_NE(program.Stderr().find(std::to_string(holder.UpdatePort())), std::string::npos);
}

}  // namespace
}  // namespace devserver_test
