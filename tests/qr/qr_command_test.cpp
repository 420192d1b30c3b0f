#include "tools/zgtool/qr_command.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "qr/qr_symbol.h"
#include "qr/split_text.h"
#include "tests/qr/zxing_oracle.h"

namespace {

struct CommandResult {
  int status;
  std::string out;
  std::string err;
};

CommandResult RunQr(const std::vector<std::string>& args) {
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  const int status = RunQrCommand(args);
  std::fflush(stdout);
  std::fflush(stderr);
  std::string out = testing::internal::GetCapturedStdout();
  std::string err = testing::internal::GetCapturedStderr();
  return {status, out, err};
}

// The printed rows as module values; an empty list when a line is malformed.
std::vector<std::string> Rows(const std::string& out) {
  std::vector<std::string> rows;
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line);) rows.push_back(line);
  for (const std::string& row : rows) {
    if (row.size() != rows.size() || row.find_first_not_of("01") != std::string::npos) return {};
  }
  return rows;
}

std::string Printed(const qr::QrMatrix& matrix) {
  std::string out;
  for (int y = 0; y < matrix.RowCount(); ++y) {
    for (const uint8_t m : matrix.Row(y)) out += char('0' + m);
    out += '\n';
  }
  return out;
}

qr::QrMatrix ForcedMask(const std::string& gbk, int level, int mask) {
  std::optional<qr::SegmentList> list = qr::SegmentList::Make(0, level);
  EXPECT_EQ(qr::SplitText(gbk, *list, 2, 1), 0);
  qr::QrSymbol symbol;
  return qr::QrMatrix(symbol.EncodeWithMask(*list, mask));
}

// Reads the printed matrix back into a decoder.
qr_test::Decoded DecodePrinted(const std::string& out) {
  const std::vector<std::string> rows = Rows(out);
  std::vector<uint8_t> modules;
  for (const std::string& row : rows) {
    for (const char c : row) modules.push_back(uint8_t(c - '0'));
  }
  return qr_test::Decode(qr::QrMatrix(int(rows.size()), modules));
}

TEST(QrCommandTest, PrintsTheMatrixOneRowPerLine) {
  const CommandResult run = RunQr({"--mask", "3", "HELLO WORLD"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "");
  const std::vector<std::string> rows = Rows(run.out);
  ASSERT_EQ(rows.size(), 21u);
  EXPECT_EQ(rows[0].substr(0, 7), "1111111");
  EXPECT_EQ(run.out, Printed(ForcedMask("HELLO WORLD", qr::kLevelL, 3)));
}

TEST(QrCommandTest, RandomMaskOutputIsASymbolOfTheText) {
  const CommandResult run = RunQr({"--level", "Q", "https://pay.example.com/q?o=1"});
  ASSERT_EQ(run.status, 0);
  const qr_test::Decoded decoded = DecodePrinted(run.out);
  ASSERT_TRUE(decoded.ok) << decoded.error;
  EXPECT_EQ(decoded.bytes, "https://pay.example.com/q?o=1");
  EXPECT_EQ(decoded.level, qr::kLevelQ);
}

TEST(QrCommandTest, Utf8TextIsEncodedAsGbk) {
  // 订单 in GBK is B6 A9 B5 A5.
  const CommandResult utf8 = RunQr({"--mask", "0", "订单123"});
  const CommandResult hex = RunQr({"--mask", "0", "--hex", "b6a9b5a5313233"});
  ASSERT_EQ(utf8.status, 0);
  EXPECT_EQ(utf8.out, hex.out);
  EXPECT_EQ(utf8.out, Printed(ForcedMask("\xB6\xA9\xB5\xA5" "123", qr::kLevelL, 0)));
}

TEST(QrCommandTest, NoSymbolPrintsNothingAndExits1) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{""}, {std::string(2939, 'a')}, {"--hex", "005a"}, {"--hex", ""}}) {
    const CommandResult run = RunQr(args);
    EXPECT_EQ(run.status, 1) << args.back().size() << " bytes";
    EXPECT_EQ(run.out, "");
  }
}

TEST(QrCommandTest, UsageErrorsExit2) {
  const std::vector<std::string> cases[] = {
      {},          {"--level"},          {"--level", "X", "a"}, {"--mask", "8", "a"}, {"--mask", "-1", "a"},
      {"--mask"},  {"--hex", "abc"},     {"--hex", "zz"},       {"a", "b"},           {"--bogus", "a"},
  };
  for (const std::vector<std::string>& args : cases) {
    const CommandResult run = RunQr(args);
    EXPECT_EQ(run.status, 2) << testing::PrintToString(args);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("usage"), std::string::npos);
  }
}

TEST(QrCommandTest, DoubleDashEndsTheOptions) {
  const CommandResult run = RunQr({"--mask", "1", "--", "--hex"});
  ASSERT_EQ(run.status, 0);
  EXPECT_EQ(run.out, Printed(ForcedMask("--hex", qr::kLevelL, 1)));
}

}  // namespace
