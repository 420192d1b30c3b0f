// The program's options as the library reads them.
#include <gtest/gtest.h>

#include <vector>

#include "tools/devserver/command_line.h"

namespace devserver {
namespace {

using namespace std::chrono_literals;

CommandLine Parse(std::vector<std::string_view> args) { return ParseCommandLine(args); }

TEST(ParseCommandLine, ReadsEveryOption) {
  const CommandLine line = Parse({"--root", "/srv/patch", "--update-port", "0", "--page-port=8080",
                                  "--drop-after", "1024", "--no-ranges", "--stall-after", "10:250",
                                  "--truncate-at", "5000000000", "--fault-path", "/up.zip",
                                  "--ports-file", "/tmp/ports", "--verbose", "--account-port", "0",
                                  "--database", "/srv/accounts.db", "--account-reply", "01",
                                  "--account-reply=", "--account-reply", "1\\r\\n\\x00\\xB3\\\\"});
  ASSERT_EQ(line.error, "");
  EXPECT_EQ(line.options.root, "/srv/patch");
  EXPECT_EQ(line.options.updatePort, 0);
  EXPECT_EQ(line.options.pagePort, 8080);
  EXPECT_EQ(line.options.faults.dropAfter, 1024u);
  EXPECT_TRUE(line.options.faults.refuseRanges);
  EXPECT_EQ(line.options.faults.stallAfter, 10u);
  EXPECT_EQ(line.options.faults.stallFor, 250ms);
  EXPECT_EQ(line.options.faults.truncateAt, 5000000000u);  // past 32 bits
  EXPECT_EQ(line.options.faults.path, "/up.zip");
  EXPECT_EQ(line.portsFile, "/tmp/ports");
  EXPECT_TRUE(line.verbose);
  EXPECT_EQ(line.options.accountPort, 0);
  EXPECT_EQ(line.options.databasePath, "/srv/accounts.db");
  EXPECT_EQ(line.options.accountReplies,
            (std::vector<std::string>{"01", "", std::string("1\r\n\0\xB3\\", 6)}));
}

TEST(ParseCommandLine, KeepsTheDefaults) {
  const CommandLine line = Parse({"--root", "r", "--stall-after", "7"});
  ASSERT_EQ(line.error, "");
  EXPECT_EQ(line.options.updatePort, 8089);
  EXPECT_EQ(line.options.pagePort, 80);
  EXPECT_EQ(line.options.accountPort, 52001);
  EXPECT_EQ(line.options.databasePath, "");  // in memory
  EXPECT_TRUE(line.options.accountReplies.empty());
  EXPECT_EQ(line.options.faults.stallAfter, 7u);
  EXPECT_EQ(line.options.faults.stallFor, std::nullopt);  // until stopped
  EXPECT_EQ(line.options.faults.dropAfter, std::nullopt);
  EXPECT_FALSE(line.options.faults.refuseRanges);
  EXPECT_EQ(line.portsFile, "");
}

TEST(ParseCommandLine, NamesWhatIsWrong) {
  const struct {
    std::vector<std::string_view> args;
    std::string_view errorMentions;
  } cases[] = {
      {{}, "--root"},
      {{"--root"}, "--root needs a value"},
      {{"--root", ""}, "--root"},
      {{"--root", "r", "--update-port", "http"}, "--update-port"},
      {{"--root", "r", "--update-port", "65536"}, "--update-port"},
      {{"--root", "r", "--page-port", "-1"}, "--page-port"},
      {{"--root", "r", "--account-port", "52001x"}, "--account-port"},
      {{"--root", "r", "--database", ""}, "--database"},
      {{"--root", "r", "--account-reply"}, "--account-reply needs a value"},
      {{"--root", "r", "--account-reply", "1\\"}, "--account-reply"},
      {{"--root", "r", "--account-reply", "\\q"}, "--account-reply"},
      {{"--root", "r", "--account-reply", "\\x4"}, "--account-reply"},
      {{"--root", "r", "--account-reply", "\\xG0"}, "--account-reply"},
      {{"--root", "r", "--drop-after", "1k"}, "--drop-after"},
      {{"--root", "r", "--stall-after", "10:"}, "--stall-after"},
      {{"--root", "r", "--stall-after", ":10"}, "--stall-after"},
      {{"--root", "r", "--truncate-at", ""}, "--truncate-at"},
      {{"--root", "r", "--fault-path", "up.zip"}, "--fault-path"},
      {{"--root", "r", "--no-ranges=yes"}, "takes no value"},
      {{"--root", "r", "--frobnicate"}, "--frobnicate"},
      {{"--frobnicate", "--root", "r"}, "--frobnicate"},
      {{"r"}, "\"r\""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args));
    const CommandLine line = Parse(c.args);
    EXPECT_NE(line.error.find(c.errorMentions), std::string::npos) << line.error;
  }
}

}  // namespace
}  // namespace devserver
