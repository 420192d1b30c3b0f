#include "cipher/text_cipher.h"

#include <array>
#include <cstdint>
#include <string_view>
#include <utility>

namespace cipher {
namespace {

// ---------------------------------------------------------------- the stream

class CipherStream {
 public:
  // Key schedule: like RC4's, but j starts at 255 and every step adds one more.
  explicit CipherStream(std::string_view key) {
    for (int n = 0; n < 256; ++n) s_[n] = uint8_t(n);
    uint8_t j = 255;
    for (int i = 0; i < 256; ++i) {
      const uint8_t k = key.empty() ? 0 : uint8_t(key[size_t(i) % key.size()]);
      j = uint8_t(j + s_[i] + k + 1);
      std::swap(s_[i], s_[j]);
    }
  }

  // One keystream byte: i steps by two (odd positions), j gains S[i] + 1.
  uint8_t Next() {
    i_ = uint8_t(i_ + 2);
    j_ = uint8_t(j_ + s_[i_] + 1);
    std::swap(s_[i_], s_[j_]);
    return s_[uint8_t(s_[i_] + s_[j_])];
  }

 private:
  std::array<uint8_t, 256> s_;
  uint8_t i_ = 255;
  uint8_t j_ = 255;
};

// ---------------------------------------------------------------- hex form

constexpr std::string_view kDigits = "0123456789ABCDEF";

int DigitValue(char c) {
  if (c >= 'a' && c <= 'f') c = char(c - 'a' + 'A');
  const size_t at = kDigits.find(c);
  return at == std::string_view::npos ? -2 : int(at);
}

// The bytes a cipher text stands for: groups of two digits once the commas
// are gone, an odd last digit forming a group of its own.
std::string CipherBytes(std::string_view cipherText) {
  std::string digits;
  digits.reserve(cipherText.size());
  for (char c : cipherText)
    if (c != ',') digits.push_back(c);
  std::string bytes;
  bytes.reserve(digits.size() / 2 + 1);
  for (size_t at = 0; at < digits.size(); at += 2) {
    int value = DigitValue(digits[at]);
    if (at + 1 < digits.size()) value = value * 16 + DigitValue(digits[at + 1]);
    bytes.push_back(char(uint8_t(value & 0xFF)));  // two's complement for negatives
  }
  return bytes;
}

}  // namespace

// ---------------------------------------------------------------- TextCipher

std::unique_ptr<TextCipher> TextCipher::Copy() const { return std::make_unique<TextCipher>(); }

Text TextCipher::Encrypt(const Text& plain, const Text& key) const {
  CipherStream stream(key);
  Text out;
  out.reserve(plain.size() * 3);
  for (char d : plain) {
    const uint8_t c = uint8_t(d) ^ stream.Next();
    out.push_back(kDigits[c >> 4]);
    out.push_back(kDigits[c & 0xF]);
    out.push_back(',');
  }
  return out;
}

Text TextCipher::Decrypt(const Text& cipherText, const Text& key) const {
  CipherStream stream(key);
  Text out;
  for (char b : CipherBytes(cipherText)) {
    const char d = char(uint8_t(b) ^ stream.Next());
    if (d == '\0') break;  // a zero byte ends the text
    out.push_back(d);
  }
  return out;
}

}  // namespace cipher
