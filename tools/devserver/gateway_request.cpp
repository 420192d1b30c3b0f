#include "tools/devserver/gateway_request.h"

#include "cipher/text_cipher.h"

namespace devserver {

const Text& GatewayRequest::Field(size_t n) const {
  static const Text kEmpty;
  return n < fields.size() ? fields[n] : kEmpty;
}

Text GatewayRequest::FieldsFrom(size_t n) const {
  Text joined;
  for (size_t i = n; i < fields.size(); ++i) {
    if (i > n) joined += '|';
    joined += fields[i];
  }
  return joined;
}

bool IsCipherForm(std::string_view wire) {
  size_t digits = 0;
  for (const char c : wire) {
    if (c == ',') continue;
    const bool hex = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
    if (!hex) return false;
    ++digits;
  }
  return digits > 0 && digits % 2 == 0;
}

std::vector<Text> SplitRequestFields(std::string_view text) {
  std::vector<Text> fields;
  if (text.empty()) return fields;
  Text current;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (platform::IsGbkLeadByte(static_cast<unsigned char>(c))) {
      current += c;
      // A lead byte at the very end has no trail byte; it stays in the field.
      if (i + 1 < text.size()) current += text[++i];
    } else if (c == '|') {
      fields.push_back(std::move(current));
      current.clear();
    } else {
      current += c;
    }
  }
  fields.push_back(std::move(current));
  return fields;
}

GatewayRequest DecodeGatewayRequest(std::string wire, bool enciphered) {
  GatewayRequest request;
  request.cipherForm = IsCipherForm(wire);
  request.text = enciphered ? cipher::TextCipher().Decrypt(wire, cipher::GatewayKey)
                            : platform::TextUpToZero(wire);
  request.fields = SplitRequestFields(request.text);
  request.wire = std::move(wire);
  return request;
}

}  // namespace devserver
