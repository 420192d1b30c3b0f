// TextCipher: turns a text into printable cipher text and back with a key.
//
// An RC4 variant: its key schedule starts from j = 255 and adds one more per
// step, and its keystream walks i over the odd positions (i += 2) and adds one
// to j per byte. Cipher bytes are written as two upper-case hex digits and a
// comma each. The form is shared with zg.ini and the gateways, so it never changes.
#pragma once

#include <memory>
#include <string>

#include "platform/text.h"

namespace cipher {

using platform::Text;

class TextCipher {
 public:
  virtual ~TextCipher() = default;
  virtual std::unique_ptr<TextCipher> Copy() const;

  // The cipher text form of the plain text's bytes: 3 characters per byte.
  virtual Text Encrypt(const Text& plain, const Text& key) const;

  // The plain text of a cipher text, up to the first deciphered zero byte.
  // Commas are optional, digits are matched without regard to case, and any
  // other character counts as the digit value -2; it never fails.
  virtual Text Decrypt(const Text& cipherText, const Text& key) const;
};

// Key of the enciphered values of zg.ini.
inline const Text ConfigKey = "rest DELTA";

// Key of every request to the account and recharge gateways: "青7石门" in GBK.
inline const Text GatewayKey = "\xC7\xE0" "7" "\xCA\xAF\xC3\xC5";

}  // namespace cipher
