#include "cipher/text_cipher.h"

#include <gtest/gtest.h>

#include <random>

#include "platform/text.h"

namespace {

using cipher::ConfigKey;
using cipher::GatewayKey;
using cipher::TextCipher;
using platform::Gbk;
using platform::Text;

const TextCipher kCipher;

// Worked through the algorithm independently of this code.
TEST(TextCipher, KnownAnswers) {
  struct Case {
    Text plain, key, cipher;
  } cases[] = {
      {"A", ConfigKey, "D5,"},
      {"1.0", ConfigKey, "A5,2C,FA,"},
      {"", ConfigKey, ""},
      {"abc", "", "70,E9,09,"},                   // empty key: K all zero
      {"1|a|b", GatewayKey, "9B,C8,D4,D5,4A,"},   // a gateway request
      {Gbk("青龙"), ConfigKey, "53,E2,0B,0E,"},   // GBK plain text: four bytes
      {std::string(1, '\0'), "k", "BD,"},         // a zero plain byte still enciphers
  };
  for (const Case& c : cases) {
    EXPECT_EQ(kCipher.Encrypt(c.plain, c.key), c.cipher) << platform::Utf8(c.plain);
    if (c.plain.find('\0') == Text::npos) EXPECT_EQ(kCipher.Decrypt(c.cipher, c.key), c.plain);
  }
}

TEST(TextCipher, GatewayKeyIsSevenGbkBytes) {
  EXPECT_EQ(GatewayKey, Gbk("青7石门"));
  EXPECT_EQ(GatewayKey.size(), 7u);
}

TEST(TextCipher, CipherTextFormIsThreeCharactersPerByte) {
  const Text plain = Gbk("服务器名称 Velmora 1.0.3");
  const Text out = kCipher.Encrypt(plain, ConfigKey);
  ASSERT_EQ(out.size(), plain.size() * 3);
  for (size_t i = 0; i < out.size(); i += 3) {
    EXPECT_TRUE(std::isxdigit((unsigned char)out[i]) && !std::islower((unsigned char)out[i]));
    EXPECT_TRUE(std::isxdigit((unsigned char)out[i + 1]) && !std::islower((unsigned char)out[i + 1]));
    EXPECT_EQ(out[i + 2], ',');
  }
}

TEST(TextCipher, RoundTripsRandomTextsAndKeys) {
  std::mt19937 rng(20261211);
  auto randomBytes = [&](size_t n, bool allowZero) {
    std::string s;
    while (s.size() < n) {
      const char c = char(rng() & 0xFF);
      if (allowZero || c != '\0') s.push_back(c);
    }
    return s;
  };
  const Text keys[] = {"", "k", randomBytes(300, true), GatewayKey, ConfigKey, Gbk("中文密钥")};
  for (const Text& key : keys) {
    for (size_t length : {0, 1, 2, 17, 255, 256, 257, 1000}) {
      const Text plain = randomBytes(length, false);
      EXPECT_EQ(kCipher.Decrypt(kCipher.Encrypt(plain, key), key), plain) << "key " << key.size() << " len " << length;
    }
  }
}

TEST(TextCipher, OnlyTheFirst256KeyBytesMatter) {
  const std::string key = std::string(255, 'x') + "y";
  const std::string plain(300, 'v');  // long enough to reach the state the last key byte changed
  EXPECT_EQ(kCipher.Encrypt(plain, key), kCipher.Encrypt(plain, key + "tail that is ignored"));
  EXPECT_NE(kCipher.Encrypt(plain, key.substr(0, 255)), kCipher.Encrypt(plain, key));
}

TEST(TextCipher, DecryptAcceptsEveryCipherTextForm) {
  const Text plain = Gbk("服务器 1.0");
  const Text withCommas = kCipher.Encrypt(plain, ConfigKey);
  Text withoutCommas, lower;
  for (char c : withCommas)
    if (c != ',') withoutCommas.push_back(c);
  for (char c : withCommas) lower.push_back(char(std::tolower((unsigned char)c)));
  for (const Text& form : {withCommas, withoutCommas, lower}) EXPECT_EQ(kCipher.Decrypt(form, ConfigKey), plain) << form;
}

TEST(TextCipher, ZeroCipherByteRoundTrips) {
  // Find a plain byte whose cipher byte is 0 under this key: it prints as "00,".
  for (int b = 1; b < 256; ++b) {
    const Text plain(1, char(b));
    const Text out = kCipher.Encrypt(plain, ConfigKey);
    if (out == "00,") {
      EXPECT_EQ(kCipher.Decrypt(out, ConfigKey), plain);
      return;
    }
  }
  FAIL() << "no plain byte enciphers to 0 under the config key";
}

TEST(TextCipher, DecipheredZeroByteEndsTheText) {
  const Text plain = std::string("ab\0cd", 5);
  EXPECT_EQ(kCipher.Decrypt(kCipher.Encrypt(plain, ConfigKey), ConfigKey), "ab");
}

TEST(TextCipher, MalformedCipherTextsNeverFail) {
  // Non-digits count as -2; an odd last digit is a byte by itself.
  const TextCipher& c = kCipher;
  EXPECT_EQ(c.Decrypt("D5", ConfigKey), "A");
  // "G1": -2 * 16 + 1 = -31, whose low byte is 0xE1.
  EXPECT_EQ(c.Decrypt("G1,", ConfigKey), c.Decrypt("E1,", ConfigKey));
  // An odd digit "5" alone is the byte 5.
  EXPECT_EQ(c.Decrypt("D55", ConfigKey), c.Decrypt("D5,05,", ConfigKey));
  EXPECT_EQ(c.Decrypt(",,,", ConfigKey), "");
  EXPECT_EQ(c.Decrypt("D5;", ConfigKey).substr(0, 1), "A");
}

TEST(TextCipher, CopyIsAnotherCipherOfTheSameKind) {
  const auto copy = kCipher.Copy();
  ASSERT_TRUE(copy);
  EXPECT_EQ(copy->Encrypt("1.0", ConfigKey), kCipher.Encrypt("1.0", ConfigKey));
}

}  // namespace
