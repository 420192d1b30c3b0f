// A real decoder reads back every symbol: forced masks 0 to 7 and the random
// choice, for texts of every mode, every level and versions from 1 to 40. A
// decoder corrects errors, so the symbols are also compared module for module
// with an independent encoder's symbol of the same data codewords and mask.
#include <gtest/gtest.h>
#include <qrcodegen/qrcodegen.hpp>

#include <string>

#include "platform/text.h"
#include "qr/data_codewords.h"
#include "qr/qr_symbol.h"
#include "qr/split_text.h"
#include "qr/symbol_tables.h"
#include "tests/qr/zxing_oracle.h"

namespace qr {
namespace {

std::string Cycle(std::string_view alphabet, size_t bytes, size_t unit = 1) {
  std::string text;
  for (size_t i = 0; text.size() < bytes; i += unit) text += alphabet.substr(i % alphabet.size(), unit);
  return text.substr(0, bytes);
}

std::string Digits(size_t n) { return Cycle("0123456789", n); }
std::string Alphanumeric(size_t n) { return Cycle("ABCDEFGHIJKLMNOPQRSTUVWXYZ $%*+-./:0123456789", n); }
std::string Lowercase(size_t n) { return Cycle("abcdefghijklmnopqrstuvwxyz", n); }
std::string GbkCharacters(size_t n) {
  return Cycle(platform::Gbk("充值成功订单号码支付宝微信账户余额"), 2 * n, 2);
}
// Alphanumeric, numeric, GBK and lowercase segments in turn.
std::string Mixed(size_t n) {
  return Cycle("ORDER 20240101123456789 " + platform::Gbk("订单") + "amount=100;", n);
}

struct DecodeCase {
  const char* name;
  std::string text;
  int level;
  int version;  // that the encoder must choose: the table's coverage
};

void PrintTo(const DecodeCase& c, std::ostream* out) { *out << c.name; }

class DecodeTest : public testing::TestWithParam<DecodeCase> {
 protected:
  void ExpectDecodes(const QrSymbol& symbol, const char* how) {
    const DecodeCase& c = GetParam();
    ASSERT_FALSE(symbol.Empty()) << how;
    EXPECT_EQ(symbol.Version(), c.version) << how;
    const qr_test::Decoded decoded = qr_test::Decode(QrMatrix(symbol));
    ASSERT_TRUE(decoded.ok) << how << ": " << decoded.error;
    EXPECT_EQ(decoded.bytes, c.text) << how;
    EXPECT_EQ(decoded.version, symbol.Version()) << how;
    EXPECT_EQ(decoded.level, c.level) << how;
    EXPECT_EQ(decoded.dataCodewords, GlobalSymbolTables().DataCodewords(symbol.Version(), c.level)) << how;
  }
};

TEST_P(DecodeTest, EveryForcedMask) {
  const DecodeCase& c = GetParam();
  for (int mask = 0; mask < 8; ++mask) {
    std::optional<SegmentList> list = SegmentList::Make(0, c.level);
    ASSERT_EQ(SplitText(c.text, *list, 2, 1), 0);
    QrSymbol symbol;
    symbol.EncodeWithMask(*list, mask);
    ExpectDecodes(symbol, ("mask " + std::to_string(mask)).c_str());
  }
}

TEST_P(DecodeTest, ModuleForModuleTheStandardsSymbol) {
  const DecodeCase& c = GetParam();
  static const qrcodegen::QrCode::Ecc kEcc[] = {qrcodegen::QrCode::Ecc::LOW, qrcodegen::QrCode::Ecc::MEDIUM,
                                                qrcodegen::QrCode::Ecc::QUARTILE, qrcodegen::QrCode::Ecc::HIGH};
  for (int mask = 0; mask < 8; ++mask) {
    std::optional<SegmentList> list = SegmentList::Make(0, c.level);
    ASSERT_EQ(SplitText(c.text, *list, 2, 1), 0);
    QrSymbol symbol;
    symbol.EncodeWithMask(*list, mask);
    ASSERT_FALSE(symbol.Empty());
    // The same list again gives the same data codewords.
    const std::vector<uint8_t> data = BuildDataCodewords(*list);
    const qrcodegen::QrCode reference(symbol.Version(), kEcc[c.level], data, mask);
    ASSERT_EQ(reference.getSize(), symbol.Width());
    int differing = 0;
    for (int y = 0; y < symbol.Width(); ++y) {
      for (int x = 0; x < symbol.Width(); ++x) {
        differing += (symbol.Module(x, y) & 1) != int(reference.getModule(x, y));
      }
    }
    EXPECT_EQ(differing, 0) << "mask " << mask;
  }
}

TEST_P(DecodeTest, EncodeText) {
  const DecodeCase& c = GetParam();
  const QrMatrix matrix = EncodeText(c.text, c.level);
  ASSERT_FALSE(matrix.Empty());
  EXPECT_EQ(matrix.Width(), 17 + 4 * c.version);
  const qr_test::Decoded decoded = qr_test::Decode(matrix);
  ASSERT_TRUE(decoded.ok) << decoded.error;
  EXPECT_EQ(decoded.bytes, c.text);
  EXPECT_EQ(decoded.version, c.version);
  EXPECT_EQ(decoded.level, c.level);
}

// The 120-byte link of a direct recharge, as the payment-code picture gets it.
constexpr std::string_view kPaymentLink =
    "https://pay.example.com/qr/pay?order=202401011234567890&account=player01&amount=100&sign=9f86d081884c7d659a2f0ea2b7c41d5";
static_assert(kPaymentLink.size() == 120);

INSTANTIATE_TEST_SUITE_P(
    Texts, DecodeTest,
    testing::Values(DecodeCase{"Digits8_M", Digits(8), kLevelM, 1},
                    DecodeCase{"Digits41_L_full", Digits(41), kLevelL, 1},
                    DecodeCase{"HelloWorld_H", "HELLO WORLD", kLevelH, 2},
                    DecodeCase{"Alphanumeric190_L", Alphanumeric(190), kLevelL, 6},
                    DecodeCase{"Lowercase135_L", Lowercase(135), kLevelL, 7},
                    DecodeCase{"PaymentLink_L", std::string(kPaymentLink), kLevelL, 6},
                    DecodeCase{"PaymentLink_Q", std::string(kPaymentLink), kLevelQ, 9},
                    DecodeCase{"Gbk91_M", GbkCharacters(91), kLevelM, 10},
                    DecodeCase{"GbkAndDigits_H", platform::Gbk("订单号") + Digits(30), kLevelH, 3},
                    DecodeCase{"Alphanumeric1000_Q", Alphanumeric(1000), kLevelQ, 26},
                    DecodeCase{"Mixed1234_M", Mixed(1234), kLevelM, 26},
                    DecodeCase{"Digits1426_H", Digits(1426), kLevelH, 27},
                    DecodeCase{"Lowercase2938_L", Lowercase(2938), kLevelL, 40},
                    DecodeCase{"Gbk634_H", GbkCharacters(634), kLevelH, 40},
                    DecodeCase{"Mixed1904_Q", Mixed(1904), kLevelQ, 40},
                    DecodeCase{"Digits3981_Q", Digits(3981), kLevelQ, 40}),
    [](const testing::TestParamInfo<DecodeCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qr
