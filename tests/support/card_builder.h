#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "data/log_writer.h"

namespace korvan::testing {

// A PackedStamp from its fields (no validation: tests also build invalid stamps).
uint32_t MakeStamp(int year, int month, int day, int hour, int minute, int second);

// One logged quantity as a card folder states it.
struct CardLine {
  std::string name = "Přístroj";
  std::string label = "Veličina";
  int interval = 1;
  std::string type = "F4";
  double multiplier = 1.0;
  double minimum = 0.0;
  double maximum = 0.0;
  std::string offset;  // the text of the Ofset column; CONFIG.BIN holds none
};

// Builds a small card folder: CONFIG.INI, CONFIG.BIN and LOG.BIN.
class CardBuilder {
 public:
  std::vector<CardLine> lines;
  std::array<double, 4> intervals{10.0, 60.0, 60.0, 60.0};
  std::string job_name = "Zkouška";
  std::string app_name = "Korvan-A";  // Application/Name of CONFIG.INI
  char decimal_separator = ',';
  std::string log;  // the bytes of LOG.BIN

  // Appends a block; milliseconds are written as the logger's word EC00 | ms.
  void Block(uint32_t stamp, std::initializer_list<LogEntry> entries,
             std::optional<uint16_t> milliseconds = std::nullopt);

  std::string ConfigIniBytes() const;  // Windows-1250, CR LF
  std::string ConfigBinBytes() const;  // the 8192-byte image

  void WriteConfigIni(const std::string& dir) const;
  void WriteConfigBin(const std::string& dir) const;
  void WriteLog(const std::string& dir) const;
  void WriteAll(const std::string& dir) const;
};

// A float's raw 32 bits, for F-type entries.
uint32_t FloatBits(float value);

}  // namespace korvan::testing
