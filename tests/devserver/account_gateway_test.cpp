// The account gateway over real sockets: registrations as the launcher sends
// them (the request enciphered with the gateway key, no framing, the
// connection left open), what it stores, what it records, scripted replies,
// and how it copes with clients that misbehave.
#include <atomic>
#include <set>
#include <thread>

#include "cipher/text_cipher.h"
#include "platform/text.h"
#include "test_support.h"
#include "tools/devserver/account_gateway.h"

namespace devserver_test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using platform::Gbk;

// What the launcher puts on the wire for a request text.
std::string Wire(const std::string& text) { return cipher::TextCipher().Encrypt(text, cipher::GatewayKey); }

class AccountGatewayTest : public ServerFixture {
 protected:
  // One request on a fresh connection, as the launcher sends it; the reply
  // of its first arrival ("" when none came).
  std::string Ask(const std::string& wire) {
    RawClient client(server_->AccountPort());
    EXPECT_TRUE(client.Connected());
    EXPECT_TRUE(client.Send(wire));
    return client.ReadReply(5s);
  }
};

TEST_F(AccountGatewayTest, ListensOnItsOwnPort) {
  EXPECT_NE(server_->AccountPort(), 0);
  EXPECT_NE(server_->AccountPort(), server_->UpdatePort());
  EXPECT_TRUE(server_->Warnings().empty());
}

TEST_F(AccountGatewayTest, CreatesEachAccountOnceAndStoresItAsSent) {
  const std::string east = Gbk("東方");  // the trail byte of 東 is the "|" byte
  const struct {
    std::string request;  // the text the launcher enciphers
    std::string reply;
    std::string account;  // then stored with this password
    std::string password;
  } steps[] = {
      {"1|alice|secret", "1", "alice", "secret"},
      {"1|alice|other", "0", "alice", "secret"},  // exists: the password stays
      {"1|Alice|other", "1", "Alice", "other"},   // names are case-sensitive
      {"1|bob|", "1", "bob", ""},                 // an empty password is a password
      {"1|bob|", "0", "bob", ""},
      {"1|carol|a|b", "1", "carol", "a|b"},       // a "|" typed into the password box
      {"1|" + Gbk("张三") + "|" + Gbk("密码"), "1", Gbk("张三"), Gbk("密码")},
      {"1|" + east + "|pw", "1", east, "pw"},
      {"1|" + east + "|pw", "0", east, "pw"},
      {"1|" + Gbk("張三") + "|x", "1", Gbk("張三"), "x"},  // another character, another account
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(platform::Utf8(step.request));
    EXPECT_EQ(Ask(Wire(step.request)), step.reply);
    EXPECT_EQ(server_->AccountPassword(step.account), step.password);
  }
  EXPECT_EQ(server_->AccountCount(), 7u);
}

TEST_F(AccountGatewayTest, RefusesWhatItCannotActOn) {
  std::string noise;
  for (int i = 255; i >= 0; --i) noise += static_cast<char>(i);
  const struct {
    std::string wire;
    std::string outcome;
  } cases[] = {
      {Wire("1|dave"), "malformed"},          // no password separator
      {Wire("1||pw"), "malformed"},           // no account name
      {Wire("1"), "malformed"},
      {Wire("2|dave|pw"), "unknown command"},
      {Wire("|dave|pw"), "unknown command"},
      {Wire(" 1|dave|pw"), "unknown command"},
      {"1|dave|pw", "malformed"},             // sent plain: not cipher text
      {"hello\r\n", "malformed"},
      {Wire("1|dave|pw").substr(1), "malformed"},  // odd number of digits
      {noise, "malformed"},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(testing::PrintToString(cases[i].wire));
    EXPECT_EQ(Ask(cases[i].wire), std::string(devserver::kAccountRefused));
    ASSERT_TRUE(server_->WaitForGatewayRequests(i + 1, 5s));
    EXPECT_EQ(server_->GatewayRequests().back().outcome, cases[i].outcome);
  }
  EXPECT_EQ(server_->AccountCount(), 0u);
  // The gateway still works afterwards.
  EXPECT_EQ(Ask(Wire("1|dave|pw")), "1");
}

TEST_F(AccountGatewayTest, RecordsWireTextFieldsAndReply) {
  const std::string text = "1|" + Gbk("东方不败") + "|";
  RawClient client(server_->AccountPort());
  ASSERT_TRUE(client.Send(Wire(text)));
  ASSERT_EQ(client.ReadReply(5s), "1");

  const std::vector<devserver::GatewayRecord> records = server_->GatewayRequests();
  ASSERT_EQ(records.size(), 1u);
  const devserver::GatewayRecord& record = records[0];
  EXPECT_EQ(record.port, server_->AccountPort());
  EXPECT_TRUE(record.peer.starts_with("127.0.0.1:")) << record.peer;
  EXPECT_EQ(record.request.wire, Wire(text));
  EXPECT_TRUE(record.request.cipherForm);
  EXPECT_EQ(record.request.text, text);
  EXPECT_EQ(record.request.fields, (std::vector<std::string>{"1", Gbk("东方不败"), ""}));
  EXPECT_EQ(record.reply, "1");
  EXPECT_FALSE(record.scripted);
  EXPECT_EQ(record.outcome, "created");

  server_->ClearGatewayRequests();
  EXPECT_TRUE(server_->GatewayRequests().empty());
  EXPECT_EQ(server_->AccountCount(), 1u);  // clearing the records keeps the accounts
}

TEST_F(AccountGatewayTest, TakesARequestThatArrivesInPieces) {
  // A long pause, so a busy machine cannot stretch the gap between the pieces past it.
  devserver::Options options;
  options.gatewayPause = 600ms;
  StartServer(options);
  const std::string wire = Wire("1|" + Gbk("分段") + "|pw");
  RawClient client(server_->AccountPort());
  // Cut inside a hex pair, so neither piece deciphers to the request.
  ASSERT_TRUE(client.Send(wire.substr(0, 7)));
  std::this_thread::sleep_for(30ms);
  ASSERT_TRUE(client.Send(wire.substr(7)));
  EXPECT_EQ(client.ReadReply(5s), "1");
  const std::vector<devserver::GatewayRecord> records = server_->GatewayRequests();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].request.wire, wire);
  EXPECT_EQ(server_->AccountPassword(Gbk("分段")), "pw");
}

TEST_F(AccountGatewayTest, KeepsTheConnectionOpenForTheNextRequest) {
  RawClient client(server_->AccountPort());
  ASSERT_TRUE(client.Send(Wire("1|erin|pw")));
  EXPECT_EQ(client.ReadReply(5s), "1");
  // The launcher never closes; the gateway must not either.
  EXPECT_FALSE(client.ClosedWithin(400ms));
  ASSERT_TRUE(client.Send(Wire("1|erin|pw")));
  EXPECT_EQ(client.ReadReply(5s), "0");
}

TEST_F(AccountGatewayTest, AnswersAClientThatShutsItsSideAfterSending) {
  RawClient client(server_->AccountPort());
  ASSERT_TRUE(client.Send(Wire("1|frank|pw")));
  client.ShutdownWrite();
  bool closed = false;
  EXPECT_EQ(client.ReadUntilClosed(5s, &closed), "1");
  EXPECT_TRUE(closed);
}

TEST_F(AccountGatewayTest, ScriptedRepliesStandInForTheAnswersInOrder) {
  const std::vector<std::string> script = {"01", "0", "1\r\n", "", std::string("1\0", 2), "\xB3\xC9\xB9\xA6"};
  server_->SetAccountReplies(script);
  for (size_t i = 0; i < script.size(); ++i) {
    SCOPED_TRACE(testing::PrintToString(script[i]));
    RawClient client(server_->AccountPort());
    ASSERT_TRUE(client.Send(Wire("1|grace|pw")));
    // An empty reply sends nothing at all: wait for the record instead.
    ASSERT_TRUE(server_->WaitForGatewayRequests(i + 1, 5s));
    EXPECT_EQ(client.ReadReply(script[i].empty() ? 500ms : 5s), script[i]);
    const devserver::GatewayRecord record = server_->GatewayRequests().back();
    EXPECT_EQ(record.reply, script[i]);
    EXPECT_TRUE(record.scripted);
    EXPECT_EQ(record.request.fields, (std::vector<std::string>{"1", "grace", "pw"}));
  }
  // A scripted reply creates nothing; when the script is used up the real answers return.
  EXPECT_EQ(server_->AccountPassword("grace"), std::nullopt);
  EXPECT_EQ(Ask(Wire("1|grace|pw")), "1");
  EXPECT_FALSE(server_->GatewayRequests().back().scripted);
}

TEST_F(AccountGatewayTest, ScriptedRepliesComeFromTheOptionsAndCanBeWithdrawn) {
  devserver::Options options;
  options.accountReplies = {"9", "8"};
  StartServer(options);
  EXPECT_EQ(Ask(Wire("1|heidi|pw")), "9");
  server_->SetAccountReplies({});
  EXPECT_EQ(Ask(Wire("1|heidi|pw")), "1");
}

TEST_F(AccountGatewayTest, ServesManyClientsAtOnce) {
  constexpr int kClients = 24;
  // Every client registers its own account, and all of them race for one name.
  std::atomic<int> ownCreated{0}, sharedCreated{0}, sharedExists{0}, other{0};
  std::vector<std::thread> clients;
  for (int i = 0; i < kClients; ++i) {
    clients.emplace_back([&, i] {
      RawClient own(server_->AccountPort());
      RawClient shared(server_->AccountPort());
      own.Send(Wire("1|user" + std::to_string(i) + "|pw" + std::to_string(i)));
      shared.Send(Wire("1|everyone|pw" + std::to_string(i)));
      (own.ReadReply(10s) == "1" ? ownCreated : other)++;
      const std::string reply = shared.ReadReply(10s);
      (reply == "1" ? sharedCreated : reply == "0" ? sharedExists : other)++;
    });
  }
  for (std::thread& client : clients) client.join();
  EXPECT_EQ(ownCreated, kClients);
  EXPECT_EQ(sharedCreated, 1);
  EXPECT_EQ(sharedExists, kClients - 1);
  EXPECT_EQ(other, 0);
  EXPECT_EQ(server_->AccountCount(), kClients + 1u);
  EXPECT_EQ(server_->AccountPassword("user7"), "pw7");
  EXPECT_EQ(server_->GatewayRequests().size(), 2u * kClients);
}

TEST_F(AccountGatewayTest, StopsPromptlyWhateverItsClientsAreDoing) {
  RawClient idle(server_->AccountPort());       // connected, sent nothing
  RawClient halfway(server_->AccountPort());    // a request still coming
  RawClient answered(server_->AccountPort());   // answered, connection left open
  ASSERT_TRUE(halfway.Send(Wire("1|ivan|pw").substr(0, 5)));
  ASSERT_TRUE(answered.Send(Wire("1|judy|pw")));
  ASSERT_EQ(answered.ReadReply(5s), "1");
  ASSERT_TRUE(server_->WaitForGatewayRequests(1, 5s));

  const auto start = Clock::now();
  server_->Stop();
  EXPECT_LT(Clock::now() - start, 1500ms);
  EXPECT_EQ(server_->AccountPort(), 0);
  for (RawClient* client : {&idle, &halfway, &answered}) EXPECT_TRUE(client->ClosedWithin(2s));
  // Accounts live on in the store across a restart.
  ASSERT_EQ(server_->Start(), std::nullopt);
  EXPECT_EQ(server_->AccountPassword("judy"), "pw");
  EXPECT_EQ(Ask(Wire("1|judy|pw")), "0");
}

TEST_F(AccountGatewayTest, ClosesConnectionsThatIdleOut) {
  devserver::Options options;
  options.idleTimeout = 300ms;
  StartServer(options);
  RawClient silent(server_->AccountPort());
  RawClient answered(server_->AccountPort());
  ASSERT_TRUE(answered.Send(Wire("1|kim|pw")));
  EXPECT_EQ(answered.ReadReply(5s), "1");
  EXPECT_TRUE(silent.ClosedWithin(3s));
  EXPECT_TRUE(answered.ClosedWithin(3s));
  EXPECT_EQ(server_->GatewayRequests().size(), 1u);  // the silent one sent no request
}

TEST_F(AccountGatewayTest, RefusesAnOverlongRequestAndHangsUp) {
  RawClient client(server_->AccountPort());
  const std::string flood(100 * 1024, 'A');
  // The server may hang up before it has read everything; only the answer counts.
  client.Send(flood);
  bool closed = false;
  EXPECT_EQ(client.ReadUntilClosed(5s, &closed), std::string(devserver::kAccountRefused));
  EXPECT_TRUE(closed);
  ASSERT_TRUE(server_->WaitForGatewayRequests(1, 5s));
  const devserver::GatewayRecord record = server_->GatewayRequests().back();
  EXPECT_EQ(record.outcome, "too long");
  EXPECT_LE(record.request.wire.size(), 64u * 1024 + 1);
}

TEST(AccountGatewayDatabase, KeepsAccountsInItsFileAcrossServers) {
  TempFolder root;
  devserver::Options options = EphemeralOptions(root.path());
  options.databasePath = root.path() / "accounts.db";
  {
    devserver::Server server(options);
    ASSERT_EQ(server.Start(), std::nullopt);
    RawClient client(server.AccountPort());
    client.Send(Wire("1|" + Gbk("老玩家") + "|pw"));
    EXPECT_EQ(client.ReadReply(5s), "1");
  }
  ASSERT_TRUE(std::filesystem::exists(options.databasePath));
  devserver::Server server(options);
  ASSERT_EQ(server.Start(), std::nullopt);
  EXPECT_EQ(server.AccountPassword(Gbk("老玩家")), "pw");
  RawClient client(server.AccountPort());
  client.Send(Wire("1|" + Gbk("老玩家") + "|pw"));
  EXPECT_EQ(client.ReadReply(5s), "0");
}

TEST(AccountGatewayDatabase, FailsToStartWithADatabaseItCannotOpen) {
  TempFolder root;
  devserver::Options options = EphemeralOptions(root.path());
  options.databasePath = root.path();  // a folder
  devserver::Server server(options);
  const std::optional<std::string> failure = server.Start();
  ASSERT_TRUE(failure);
  EXPECT_NE(failure->find("account database"), std::string::npos) << *failure;
  EXPECT_EQ(server.UpdatePort(), 0);
}

TEST(AccountGatewayPorts, GoesOnWithoutAnAccountPortItCannotBind) {
  TempFolder root;
  devserver::Server holder(EphemeralOptions(root.path()));
  ASSERT_EQ(holder.Start(), std::nullopt);
  devserver::Options options = EphemeralOptions(root.path());
  options.accountPort = holder.AccountPort();
  devserver::Server server(options);
  ASSERT_EQ(server.Start(), std::nullopt);
  EXPECT_EQ(server.AccountPort(), 0);
  EXPECT_NE(server.UpdatePort(), 0);
  ASSERT_EQ(server.Warnings().size(), 1u);
  EXPECT_NE(server.Warnings()[0].find("account gateway"), std::string::npos) << server.Warnings()[0];
}

TEST(AccountGatewayAnswer, RefusesWhenTheStoreFails) {
  devserver::AccountStore closed;  // never opened: every write fails
  const devserver::AccountGateway gateway(closed);
  const devserver::GatewayAnswer answer = gateway.Answer(devserver::DecodeGatewayRequest(Wire("1|leo|pw"), true));
  EXPECT_EQ(answer.reply, std::string(devserver::kAccountRefused));
  EXPECT_EQ(answer.outcome, "store failed");
}

}  // namespace
}  // namespace devserver_test
