// Decoding what a gateway client sends: the cipher text check, the field
// split (GBK characters never split, trailing empty fields kept) and the
// decipherment with the gateway key.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cipher/text_cipher.h"
#include "platform/text.h"
#include "tools/devserver/gateway_request.h"

namespace devserver {
namespace {

using platform::Gbk;

TEST(IsCipherForm, AcceptsWhatTheCipherReadsWithoutGuessing) {
  const struct {
    std::string wire;
    bool cipherForm;
  } cases[] = {
      {"31,7C,61,", true},
      {"317C61", true},        // commas are optional
      {"3a,bc,", true},        // so is upper case
      {",,31,,", true},
      {"", false},
      {",,,", false},          // no digits: nothing to decipher
      {"31,7C,6", false},      // an odd digit would be a guessed byte
      {"31;7C;", false},       // another separator reads as digits worth -2
      {"1|alice|pw", false},   // a plain request
      {"31, 7C,", false},
      {std::string("31\0" "7C", 5), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.wire));
    EXPECT_EQ(IsCipherForm(c.wire), c.cipherForm);
  }
}

TEST(SplitRequestFields, KeepsEveryFieldAndEveryGbkCharacter) {
  // "東" is 0x96 0x7C in GBK: its trail byte is the separator's byte.
  const std::string east = Gbk("東");
  ASSERT_EQ(east, "\x96|");
  const struct {
    std::string text;
    std::vector<std::string> fields;
  } cases[] = {
      {"", {}},
      {"1", {"1"}},
      {"1|alice|secret", {"1", "alice", "secret"}},
      {"1|alice|", {"1", "alice", ""}},  // an empty password still is a field
      {"|", {"", ""}},
      {"a||b", {"a", "", "b"}},
      {"1|a|b|c", {"1", "a", "b", "c"}},
      {"1|" + east + "|pw", {"1", east, "pw"}},
      {"1|" + Gbk("东方不败") + "|" + Gbk("密码"), {"1", Gbk("东方不败"), Gbk("密码")}},
      {"1|" + east + east, {"1", east + east}},
      // A lead byte with nothing after it stays in its field.
      {"1|ab\x96", {"1", "ab\x96"}},
      {"\x96", {"\x96"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.text));
    EXPECT_EQ(SplitRequestFields(c.text), c.fields);
  }
}

TEST(GatewayRequest, ReadsMissingFieldsAsEmptyAndRejoinsTheRest) {
  GatewayRequest request;
  request.fields = {"1", "alice", "a", "", "b"};
  EXPECT_EQ(request.Field(1), "alice");
  EXPECT_EQ(request.Field(5), "");
  EXPECT_EQ(request.FieldsFrom(2), "a||b");
  EXPECT_EQ(request.FieldsFrom(4), "b");
  EXPECT_EQ(request.FieldsFrom(5), "");
}

TEST(DecodeGatewayRequest, DeciphersWithTheGatewayKey) {
  const cipher::TextCipher cipher;
  const std::string text = "1|" + Gbk("東方") + "|pw|x";
  const std::string wire = cipher.Encrypt(text, cipher::GatewayKey);

  const GatewayRequest request = DecodeGatewayRequest(wire, true);
  EXPECT_EQ(request.wire, wire);
  EXPECT_TRUE(request.cipherForm);
  EXPECT_EQ(request.text, text);
  EXPECT_EQ(request.fields, (std::vector<std::string>{"1", Gbk("東方"), "pw", "x"}));

  // Another key gives some other text: the gateway key is the one used.
  EXPECT_NE(DecodeGatewayRequest(cipher.Encrypt(text, cipher::ConfigKey), true).text, text);
}

TEST(DecodeGatewayRequest, TakesPlainRequestsAsTextUpToAZeroByte) {
  const GatewayRequest request = DecodeGatewayRequest(std::string("7|a|b\0tail", 10), false);
  EXPECT_FALSE(request.cipherForm);
  EXPECT_EQ(request.wire.size(), 10u);
  EXPECT_EQ(request.text, "7|a|b");
  EXPECT_EQ(request.fields, (std::vector<std::string>{"7", "a", "b"}));
}

TEST(DecodeGatewayRequest, GarbageDecodesToSomeTextWithoutFailing) {
  std::string noise;
  for (int i = 0; i < 256; ++i) noise += static_cast<char>(i);
  const GatewayRequest request = DecodeGatewayRequest(noise, true);
  EXPECT_FALSE(request.cipherForm);
  EXPECT_EQ(request.wire, noise);
  EXPECT_EQ(request.text.find('\0'), std::string::npos);
}

}  // namespace
}  // namespace devserver
