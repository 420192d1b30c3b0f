#include "gateway/gateway_conversation.h"

#include <gtest/gtest.h>

#include "platform/text.h"

namespace {

using gateway::SplitGatewayReply;
using platform::Gbk;
using Fields = std::vector<std::string>;

TEST(SplitGatewayReply, FollowsTheFieldRules) {
  // "斗" is D2 B7; "|" is 7C; GBK trail bytes can be 7C, e.g. "\x81\x7C".
  const std::string trailBar = "\x81|";
  struct Case {
    std::string reply;
    Fields fields;
  } cases[] = {
      {"", {}},                                  // an empty reply has no fields
      {"abc", {"abc"}},                          // no separator: the whole text
      {"a|b", {"a", "b"}},
      {"a||b", {"a", "", "b"}},                  // adjacent separators enclose an empty field
      {"a|b|", {"a", "b"}},                      // an empty remainder is no field
      {"|", {""}},                               // a single separator: one empty field
      {"||", {"", ""}},
      {"|a", {"", "a"}},
      {Gbk("生成支付码|http://pay/x?a=1|20261211001|"), {Gbk("生成支付码"), "http://pay/x?a=1", "20261211001"}},
      {"x" + trailBar + "y", {"x" + trailBar + "y"}},    // "|" as a trail byte does not split
      {trailBar + "|z", {trailBar, "z"}},
      {"ok|\x81", {"ok", "\x81"}},                        // a lead byte as the very last byte
      {"\x81", {"\x81"}},
  };
  for (const Case& c : cases) EXPECT_EQ(SplitGatewayReply(c.reply), c.fields) << platform::Utf8(c.reply);
}

TEST(GatewayRequest, JoinsFieldsWithoutTerminator) {
  EXPECT_EQ(gateway::GatewayRequest("1", {"a", "b"}), "1|a|b");
  EXPECT_EQ(gateway::GatewayRequest("1", {"name", ""}), "1|name|");       // empty password ends with "|"
  EXPECT_EQ(gateway::GatewayRequest("1", {"a|b", "c"}), "1|a|b|c");       // typed "|" goes out unchanged
  EXPECT_EQ(gateway::GatewayRequest(Gbk("我要代币"), {}), Gbk("我要代币"));
}

TEST(GatewayReply, TextEndsAtZeroAndFieldOfMissingIsEmpty) {
  EXPECT_EQ(gateway::ReplyText(std::string("1\0junk", 6)), "1");
  EXPECT_EQ(gateway::FieldOf({"a"}, 2), "");
  EXPECT_EQ(gateway::FieldOf({"a"}, 0), "");
  EXPECT_EQ(gateway::FieldOf({"a", "b"}, 2), "b");
}

}  // namespace
