// The gateway conversation every gateway client follows: a short GBK request
// "command|field|field" on a fresh TCP connection, enciphered with the
// gateway key or sent plain, and a reply that is one data arrival, taken
// whole or split on "|".
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "platform/socket.h"
#include "platform/text.h"

namespace gateway {

using platform::Text;

// command + "|" + field for every field; no terminator, nothing escaped.
Text GatewayRequest(const Text& command, std::initializer_list<Text> fields);

// Connects the control to host:port (replacing its earlier connection),
// enciphers the request with the gateway key when asked, and sends its bytes
// as one send. The outcomes are not looked at: a failed connect sends nothing.
void SendGatewayRequest(platform::ClientSocket& socket, const std::string& host, int port, const Text& request,
                        bool encipher);

// The reply of one data arrival as a text: up to its first zero byte.
Text ReplyText(const std::string& arrival);

// The fields of a reply: "|" ends a field; an empty last remainder is no
// field; an empty text has none; "|" counts only where a GBK character begins.
std::vector<Text> SplitGatewayReply(const Text& reply);

// Field n (from 1) of a split reply; a missing field reads as an empty text.
Text FieldOf(const std::vector<Text>& fields, size_t n);

}  // namespace gateway
