// The account gateway: registration requests "1|account|password", enciphered
// with the gateway key, create accounts in an AccountStore.
#pragma once

#include <string_view>

#include "tools/devserver/account_store.h"
#include "tools/devserver/gateway_request.h"
#include "tools/devserver/gateway_service.h"

namespace devserver {

// The replies. The launcher acts on "1" only; the other two tell an operator
// or a test apart an account that exists from a request the gateway could
// not act on (not cipher text, another command, no password field, an empty
// account name, a failing database, too long).
inline constexpr std::string_view kAccountCreated = "1";
inline constexpr std::string_view kAccountExists = "0";
inline constexpr std::string_view kAccountRefused = "-1";

class AccountGateway {
 public:
  // store must outlive the gateway.
  explicit AccountGateway(AccountStore& store) : store_(store) {}

  // The answer to one decoded request; a GatewayService Responder.
  GatewayAnswer Answer(const GatewayRequest& request) const;

 private:
  AccountStore& store_;
};

}  // namespace devserver
