// EncodeText side by side with libqrencode and Nayuki's QR-Code-generator on the
// same inputs at level L. Each encoder makes the whole symbol, masks included:
// we evaluate two mask patterns where the peers evaluate eight.
#include <benchmark/benchmark.h>
#include <qrencode.h>
#include <qrcodegen/qrcodegen.hpp>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "platform/text.h"
#include "qr/qr_symbol.h"
#include "qr/symbol_tables.h"

namespace {

struct Input {
  const char* name;
  std::string text;
  bool binary;  // GBK bytes: the peers take them as 8-bit data, not as text
};

std::string Repeat(std::string_view unit, size_t bytes) {
  std::string text;
  while (text.size() < bytes) text += unit;
  return text.substr(0, bytes);
}

const std::vector<Input>& Inputs() {
  static const std::vector<Input> inputs = {
      {"payment_link_120",
       "https://pay.example.com/qr/pay?order=202401011234567890&account=player01&amount=100&sign="
       "9f86d081884c7d659a2f0ea2b7c41d5",
       false},
      {"hello_world", "HELLO WORLD", false},
      {"lowercase_2900", Repeat("abcdefghijklmnopqrstuvwxyz", 2900), false},
      // 250 two-byte characters; cut on a character boundary.
      {"gbk_500", Repeat(platform::Gbk("充值成功订单号码支付宝微信账户余额请扫码付款"), 500), true},
  };
  return inputs;
}

void BM_EncodeText(benchmark::State& state, const Input* input) {
  for (auto _ : state) {
    qr::QrMatrix matrix = qr::EncodeText(input->text, qr::kLevelL);
    benchmark::DoNotOptimize(matrix);
    if (matrix.Empty()) state.SkipWithError("no symbol");
  }
}

void BM_Libqrencode(benchmark::State& state, const Input* input) {
  for (auto _ : state) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(input->text.data());
    QRcode* code = input->binary ? QRcode_encodeData(int(input->text.size()), bytes, 0, QR_ECLEVEL_L)
                                 : QRcode_encodeString(input->text.c_str(), 0, QR_ECLEVEL_L, QR_MODE_8, 1);
    if (code == nullptr) state.SkipWithError("no symbol");
    benchmark::DoNotOptimize(code);
    QRcode_free(code);
  }
}

void BM_QrCodeGenerator(benchmark::State& state, const Input* input) {
  using qrcodegen::QrCode;
  using qrcodegen::QrSegment;
  for (auto _ : state) {
    const std::vector<QrSegment> segments =
        input->binary ? std::vector<QrSegment>{QrSegment::makeBytes(
                            std::vector<uint8_t>(input->text.begin(), input->text.end()))}
                      : QrSegment::makeSegments(input->text.c_str());
    // No boost of the level: every encoder makes a level-L symbol.
    QrCode code = QrCode::encodeSegments(segments, QrCode::Ecc::LOW, 1, 40, -1, false);
    benchmark::DoNotOptimize(code);
  }
}

// Collects the medians to print ours against the faster peer per input, in real
// time and in CPU time (which a shared, loaded machine disturbs less).
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
        medians_[run.run_name.function_name] = {run.GetAdjustedRealTime(), run.GetAdjustedCPUTime()};
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }

  void PrintRatios() const {
    std::printf("\nmedians, real time (CPU time)\n");
    std::printf("%-17s %20s %20s %22s %14s\n", "input", "EncodeText", "libqrencode", "qrcodegen", "ours/faster");
    for (const Input& input : Inputs()) {
      const Times ours = Median("EncodeText/", input);
      const Times qrencode = Median("Libqrencode/", input);
      const Times qrcodegen = Median("QrCodeGenerator/", input);
      auto ratio = [](double ours, double a, double b) { return std::min(a, b) > 0 ? ours / std::min(a, b) : 0.0; };
      std::printf("%-17s %8.1fus (%7.1fus) %8.1fus (%7.1fus) %9.1fus (%8.1fus) %5.2fx (%.2fx)\n", input.name,
                  ours.real / 1e3, ours.cpu / 1e3, qrencode.real / 1e3, qrencode.cpu / 1e3, qrcodegen.real / 1e3,
                  qrcodegen.cpu / 1e3, ratio(ours.real, qrencode.real, qrcodegen.real),
                  ratio(ours.cpu, qrencode.cpu, qrcodegen.cpu));
    }
  }

 private:
  struct Times {
    double real = 0;
    double cpu = 0;
  };

  Times Median(const std::string& prefix, const Input& input) const {
    const auto found = medians_.find(prefix + input.name);
    return found == medians_.end() ? Times{} : found->second;
  }

  std::map<std::string, Times> medians_;
};

}  // namespace

int main(int argc, char** argv) {
  qr::CreateSymbolTables();
  for (const Input& input : Inputs()) {
    benchmark::RegisterBenchmark(("EncodeText/" + std::string(input.name)).c_str(), BM_EncodeText, &input)
        ->Repetitions(9)->ReportAggregatesOnly(true);
    benchmark::RegisterBenchmark(("Libqrencode/" + std::string(input.name)).c_str(), BM_Libqrencode, &input)
        ->Repetitions(9)->ReportAggregatesOnly(true);
    benchmark::RegisterBenchmark(("QrCodeGenerator/" + std::string(input.name)).c_str(), BM_QrCodeGenerator, &input)
        ->Repetitions(9)->ReportAggregatesOnly(true);
  }
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios();
  benchmark::Shutdown();
  qr::ReleaseSymbolTables();
  return 0;
}
