// Registration from MainWindow, against a gateway that records what it gets.
#include "gateway/registration.h"
#include "gateway/gateway_conversation.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/endpoints.h"
#include "cipher/text_cipher.h"
#include "platform/headless/driver.h"
#include "tests/support/launcher_fixture.h"
#include "tests/support/scripted_gateway.h"

namespace {

namespace headless = platform::headless;
using testing_support::G;
using testing_support::LauncherTest;
using testing_support::ScriptedGateway;

const char kAccountFile[] = "Velmora帐号信息.txt";

class RegistrationTest : public LauncherTest {
 protected:
  // A current client whose account gateway answers with reply.
  void StartWithGateway(std::optional<std::string> reply) {
    gateway_ = std::make_unique<ScriptedGateway>(std::move(reply));
    app::Endpoints endpoints = app::CurrentEndpoints();
    endpoints.accountPort = gateway_->Port();
    app::SetEndpoints(endpoints);
    WriteZgIni("S", "1.0");
    ServeVersion("1.0");
    ASSERT_NE(StartLauncher(), nullptr);
  }

  void Fill(const std::string& account, const std::string& password) {
    ASSERT_TRUE(headless::Type(*main_, "注册的账号名称", account));
    ASSERT_TRUE(headless::Type(*main_, "注册的密码信息", password));
  }

  // What the gateway received, deciphered with the gateway key.
  std::string Request() {
    if (!headless::RunUntil([&] { return !gateway_->Received().empty() && !gateway_->Received()[0].empty(); }, 3000))
      return "<nothing>";
    return cipher::TextCipher().Decrypt(gateway_->Received()[0], cipher::GatewayKey);
  }

  bool Submit() { return headless::Click(*main_, "确定注册"); }

  std::unique_ptr<ScriptedGateway> gateway_;
};

TEST_F(RegistrationTest, ValidationMessagesLeaveEverythingAsItWas) {
  StartWithGateway("1");
  struct Case {
    std::string account, password;
    const char* message;  // null: passes validation
  } cases[] = {
      {"", "", "请输入完整的注册信息"},
      {"", "secret", "请输入完整的注册信息"},
      {"player1", "player1", "密码不能与账号密码相同"},
  };
  for (const Case& c : cases) {
    Fill(G(c.account.c_str()), G(c.password.c_str()));
    const size_t before = headless::MessageBoxes().size();
    ASSERT_TRUE(Submit());
    ASSERT_EQ(headless::MessageBoxes().size(), before + 1);
    const auto& box = headless::MessageBoxes().back();
    EXPECT_EQ(box.text, G(c.message));
    EXPECT_EQ(box.flags, platform::kMessageError);
    EXPECT_EQ(box.title, G("温馨提示"));
    EXPECT_TRUE((*main_)["确定注册"].IsEnabled());
  }
  headless::RunUntil([] { return false; }, 100);
  EXPECT_EQ(gateway_->Connections(), 0);  // nothing was sent
}

TEST_F(RegistrationTest, RequestBytes) {
  struct Case {
    std::string account, password, request;
  } cases[] = {
      {"player1", "Player1", "1|player1|Player1"},  // differs only in case: passes
      {"player2", "", "1|player2|"},                 // an empty password ends with the separator
      {G("青龙玩家"), G("密码"), "1|" + G("青龙玩家") + "|" + G("密码")},  // GBK bytes
      {"a|b", "c", "1|a|b|c"},
  };
  for (const Case& c : cases) {
    SetUp();
    StartWithGateway("1");
    Fill(c.account, c.password);
    ASSERT_TRUE(Submit());
    EXPECT_EQ(Request(), c.request);
    // On the wire: the cipher text form, nothing else.
    EXPECT_EQ(gateway_->Received()[0], cipher::TextCipher().Encrypt(c.request, cipher::GatewayKey));
    TearDown();
  }
}

TEST_F(RegistrationTest, ReplyOneConfirmsAndThenWritesTheAccountFile) {
  StartWithGateway("1");
  Fill(G("青龙玩家"), "pw123");
  bool fileWhileBoxOpen = true;
  headless::OnMessageBox([&](const headless::MessageBoxRecord&) { fileWhileBoxOpen = client_.Exists(kAccountFile); });
  ASSERT_TRUE(Submit());
  ASSERT_TRUE(headless::RunUntil([] { return !headless::MessageBoxes().empty(); }, 3000));
  const auto& box = headless::MessageBoxes()[0];
  EXPECT_EQ(box.text, G("注册成功，帐号密码保存在您的客户端目录"));
  EXPECT_EQ(box.flags, platform::kMessageNoIcon);
  EXPECT_EQ(box.title, G("信息："));
  EXPECT_FALSE(fileWhileBoxOpen);
  EXPECT_EQ(client_.Read(kAccountFile),
            G("帐号：青龙玩家\r\n密码：pw123\r\n二级密码：\r\n系统提示：祝您游戏愉快"));
  EXPECT_FALSE((*main_)["确定注册"].IsEnabled());
}

TEST_F(RegistrationTest, AnExistingAccountFileIsReplaced) {
  client_.Write(kAccountFile, "an older account that is much longer than the new text will be, by far and more");
  StartWithGateway("1");
  Fill("new", "pw");
  ASSERT_TRUE(Submit());
  ASSERT_TRUE(headless::RunUntil([&] { return client_.Read(kAccountFile).rfind(G("帐号：new"), 0) == 0; }, 3000));
  EXPECT_EQ(client_.Read(kAccountFile), G("帐号：new\r\n密码：pw\r\n二级密码：\r\n系统提示：祝您游戏愉快"));
}

TEST_F(RegistrationTest, OtherRepliesChangeNothing) {
  for (std::optional<std::string> reply :
       {std::optional<std::string>("01"), std::optional<std::string>("0"), std::optional<std::string>("1\r\n"),
        std::optional<std::string>(std::string(1, '\0')), std::optional<std::string>(std::string("1\0", 2) + "x"),
        std::optional<std::string>(), std::optional<std::string>(" 1")}) {
    SetUp();
    std::filesystem::remove(client_.path() / kAccountFile);
    StartWithGateway(reply);
    Fill("player", "pw");
    ASSERT_TRUE(Submit());
    EXPECT_NE(Request(), "<nothing>");
    headless::RunUntil([] { return false; }, 150);
    const bool isOne = reply && gateway::ReplyText(*reply) == "1";
    EXPECT_EQ(headless::MessageBoxes().size(), isOne ? 1u : 0u);
    EXPECT_EQ(client_.Exists(kAccountFile), isOne);
    EXPECT_FALSE((*main_)["确定注册"].IsEnabled());
    EXPECT_FALSE(headless::Click(*main_, "确定注册"));  // one attempt per run
    TearDown();
  }
}

TEST_F(RegistrationTest, AnUnreachableGatewayStillUsesTheOneAttempt) {
  StartWithGateway("1");
  app::Endpoints endpoints = app::CurrentEndpoints();
  endpoints.accountPort = 1;  // nothing listens there
  app::SetEndpoints(endpoints);
  Fill("player", "pw");
  ASSERT_TRUE(Submit());
  EXPECT_FALSE((*main_)["确定注册"].IsEnabled());
  EXPECT_TRUE(headless::MessageBoxes().empty());
}

TEST_F(RegistrationTest, EditBoxLimits) {
  StartWithGateway("1");
  Fill(std::string(20, 'a'), std::string(20, 'b'));
  EXPECT_EQ((*main_)["注册的账号名称"].GetText(), std::string(16, 'a'));
  EXPECT_EQ((*main_)["注册的密码信息"].GetText(), std::string(12, 'b'));
  Fill(G("一二三四五六七八九十一二三四五六七"), "x");  // 17 Chinese characters: 16 kept
  EXPECT_EQ((*main_)["注册的账号名称"].GetText(), G("一二三四五六七八九十一二三四五六"));
}

TEST_F(RegistrationTest, ResetClearsNameAndSecondaryPasswordOnly) {
  StartWithGateway("1");
  Fill("player", "pw");
  (*main_)["注册的二级密码"].SetText("second");
  (*main_)["重置信息"].SetVisible(true);  // hidden in the layout; its command still exists
  ASSERT_TRUE(headless::Click(*main_, "重置信息"));
  EXPECT_EQ((*main_)["注册的账号名称"].GetText(), "");
  EXPECT_EQ((*main_)["注册的二级密码"].GetText(), "");
  EXPECT_EQ((*main_)["注册的密码信息"].GetText(), "pw");
  EXPECT_TRUE((*main_)["确定注册"].IsEnabled());
}

}  // namespace

namespace {

// Against devserver's account gateway: it deciphers the request and keeps accounts.
class RegistrationWithDevserver : public LauncherTest {
 protected:
  void Register(const std::string& account, const std::string& password) {
    headless::Reset();
    app::Endpoints endpoints = app::CurrentEndpoints();
    endpoints.accountPort = server_->AccountPort();
    app::SetEndpoints(endpoints);
    WriteZgIni("S", "1.0");
    ServeVersion("1.0");
    ASSERT_NE(StartLauncher(), nullptr);
    ASSERT_TRUE(headless::Type(*main_, "注册的账号名称", account));
    ASSERT_TRUE(headless::Type(*main_, "注册的密码信息", password));
    const size_t before = server_->GatewayRequests().size();
    ASSERT_TRUE(headless::Click(*main_, "确定注册"));
    ASSERT_TRUE(server_->WaitForGatewayRequests(before + 1, std::chrono::seconds(5)));
    headless::RunUntil([] { return !headless::MessageBoxes().empty(); }, 1000);
  }
};

TEST_F(RegistrationWithDevserver, ANewAccountIsCreatedOnceAndTheFileWritten) {
  Register(G("青龙玩家"), "pw1");
  ASSERT_EQ(headless::MessageBoxes().size(), 1u);
  EXPECT_EQ(server_->AccountPassword(G("青龙玩家")), "pw1");
  EXPECT_EQ(client_.Read(kAccountFile), G("帐号：青龙玩家\r\n密码：pw1\r\n二级密码：\r\n系统提示：祝您游戏愉快"));

  // The same name again, from a new run: the gateway refuses, nothing is shown or written.
  std::filesystem::remove(client_.path() / kAccountFile);
  Register(G("青龙玩家"), "other");
  EXPECT_TRUE(headless::MessageBoxes().empty());
  EXPECT_FALSE(client_.Exists(kAccountFile));
  EXPECT_EQ(server_->AccountPassword(G("青龙玩家")), "pw1");
  EXPECT_EQ(server_->AccountCount(), 1u);
}

}  // namespace
