#include "tools/devserver/account_gateway.h"

#include <string>

namespace devserver {

namespace {

GatewayAnswer Refuse(std::string outcome) { return {std::string(kAccountRefused), std::move(outcome)}; }

}  // namespace

GatewayAnswer AccountGateway::Answer(const GatewayRequest& request) const {
  // Anything else deciphers to some text too; acting on that would create
  // accounts out of noise.
  if (!request.cipherForm) return Refuse("malformed");
  if (request.Field(0) != "1") return Refuse("unknown command");
  // "1|name" lacks the separator that even an empty password brings.
  if (request.fields.size() < 3 || request.Field(1).empty()) return Refuse("malformed");

  switch (store_.Create(request.Field(1), request.FieldsFrom(2))) {
    case CreateAccountResult::kCreated: return {std::string(kAccountCreated), "created"};
    case CreateAccountResult::kExists: return {std::string(kAccountExists), "exists"};
    case CreateAccountResult::kFailed: break;
  }
  return Refuse("store failed");
}

}  // namespace devserver
