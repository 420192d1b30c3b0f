// ReedSolomonCode: a shortened Reed-Solomon code over GF(2^size), the
// error-correction coding of ISO/IEC 18004 (size 8, field polynomial 0x11D,
// first root alpha^0, step 1).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace qr {

// A code word has (2^size - 1 - shortening) symbols: the data followed by the
// roots' worth of error-correction symbols.
struct ReedSolomonParameters {
  int symbolSize = 8;
  int polynomial = 0x11D;
  int firstRoot = 0;
  int step = 1;
  int roots = 0;
  int shortening = 0;
  bool operator==(const ReedSolomonParameters&) const = default;
};

class ReedSolomonCode {
 public:
  // Refuses parameters outside the field, and a polynomial that is not primitive.
  static std::optional<ReedSolomonCode> Make(const ReedSolomonParameters& parameters);

  const ReedSolomonParameters& Parameters() const { return parameters_; }
  int DataLength() const { return fieldSize_ - parameters_.roots - parameters_.shortening; }

  // ec receives the remainder of data(x) * x^roots divided by the generator,
  // highest coefficient first. data holds DataLength() symbols, ec roots symbols.
  void Encode(std::span<const uint8_t> data, std::span<uint8_t> ec) const;

 private:
  explicit ReedSolomonCode(const ReedSolomonParameters& parameters);
  bool BuildFieldTables();
  void BuildGenerator();

  static constexpr uint16_t kZeroLog = 2 * 256;

  ReedSolomonParameters parameters_;
  int fieldSize_ = 0;  // 2^size - 1, also the log of 0
  // antilog_[i] = alpha^(i mod fieldSize_) below 2 * fieldSize_, so that a sum
  // of two logs needs no reduction; zeros from there on, where kZeroLog lands.
  std::array<uint8_t, 3 * 256> antilog_{};
  std::array<uint8_t, 256> log_{};  // log_[0] = fieldSize_
  // The generator's coefficients as logs, generatorLog_[i] for x^i (x^roots has
  // 1); a zero coefficient is kZeroLog, whose products read as 0.
  std::vector<uint16_t> generatorLog_;
};

}  // namespace qr
