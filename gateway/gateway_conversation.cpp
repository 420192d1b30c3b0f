#include "gateway/gateway_conversation.h"

#include "app/globals.h"

namespace gateway {

Text GatewayRequest(const Text& command, std::initializer_list<Text> fields) {
  Text request = command;
  for (const Text& field : fields) request += "|" + field;
  return request;
}

void SendGatewayRequest(platform::ClientSocket& socket, const std::string& host, int port, const Text& request,
                        bool encipher) {
  socket.Connect(host, port);
  const Text wire = encipher ? app::Cipher->Encrypt(request, cipher::GatewayKey) : request;
  socket.Send(wire);
}

Text ReplyText(const std::string& arrival) { return platform::TextUpToZero(arrival); }

std::vector<Text> SplitGatewayReply(const Text& reply) {
  std::vector<Text> fields;
  Text current;
  for (size_t i = 0; i < reply.size(); ++i) {
    const char c = reply[i];
    if (platform::IsGbkLeadByte(c)) {
      // A double-byte character: its second byte may look like "|".
      current.push_back(c);
      if (i + 1 < reply.size()) current.push_back(reply[++i]);
    } else if (c == '|') {
      fields.push_back(std::move(current));
      current.clear();
    } else {
      current.push_back(c);
    }
  }
  if (!current.empty()) fields.push_back(std::move(current));
  return fields;
}

Text FieldOf(const std::vector<Text>& fields, size_t n) {
  return n >= 1 && n <= fields.size() ? fields[n - 1] : Text();
}

}  // namespace gateway
