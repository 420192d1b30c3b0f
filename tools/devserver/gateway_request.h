// What a gateway client sends, decoded: the wire bytes, the text they stand
// for and its "|"-separated fields. Shared by the account gateway and, later,
// the recharge gateway (enciphered) and the lottery host (plain).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/text.h"

namespace devserver {

using platform::Text;

struct GatewayRequest {
  std::string wire;          // the bytes as they arrived
  bool cipherForm = false;   // the wire was hex digits and commas that make whole bytes
  Text text;                 // deciphered (or, for a plain service, the wire up to a zero byte)
  std::vector<Text> fields;  // text split on "|"; fields[0] is the command

  // Field n counted from 0; a missing field reads as an empty text.
  const Text& Field(size_t n) const;
  // Everything after the n-th separator, separators included: a "|" typed
  // into the last box of the launcher goes into the request unchanged.
  Text FieldsFrom(size_t n) const;
};

// True when wire is what the cipher writes or reads without guessing: only
// hexadecimal digits (either case) and commas, an even number of digits, at
// least one. Decrypt still deciphers anything else, to some other text.
bool IsCipherForm(std::string_view wire);

// The fields of a request text. Every "|" ends a field and the remainder after
// the last one is a field even when empty, so "1|name|" (an empty password)
// has three fields; an empty text has none. A "|" counts only where a GBK
// character begins: a byte with its high bit set takes the next byte with it.
std::vector<Text> SplitRequestFields(std::string_view text);

// Deciphers wire with the gateway key when enciphered (else takes it as
// text) and splits it. Never fails: garbage decodes to some text.
GatewayRequest DecodeGatewayRequest(std::string wire, bool enciphered);

}  // namespace devserver
