#include "support/card_builder.h"

#include <bit>
#include <cstring>

#include "app/cp1250.h"
#include "app/encodings.h"
#include "app/numbers.h"
#include "support/temp_dir.h"

namespace korvan::testing {

namespace {

void Put32(std::string& image, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) image[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

void PutText(std::string& image, size_t at, size_t width, const std::string& utf8) {
  std::string bytes = Utf8ToCp1250(utf8);
  if (bytes.size() < width) {
    std::memcpy(&image[at], bytes.data(), bytes.size());
    image[at + bytes.size()] = '\0';
  } else {
    std::memcpy(&image[at], bytes.data(), width);
  }
}

}  // namespace

uint32_t MakeStamp(int year, int month, int day, int hour, int minute, int second) {
  return (static_cast<uint32_t>(year - 2000) & 0x3F) << 26 |
         (static_cast<uint32_t>(month) & 0xF) << 22 | (static_cast<uint32_t>(day) & 0x1F) << 17 |
         (static_cast<uint32_t>(hour) & 0x1F) << 12 | (static_cast<uint32_t>(minute) & 0x3F) << 6 |
         (static_cast<uint32_t>(second) & 0x3F);
}

uint32_t FloatBits(float value) { return std::bit_cast<uint32_t>(value); }

void CardBuilder::Block(uint32_t stamp, std::initializer_list<LogEntry> entries,
                        std::optional<uint16_t> milliseconds) {
  std::optional<uint16_t> word;
  if (milliseconds) word = MillisecondWord(*milliseconds);
  AppendLogBlock(log, stamp, word, {entries.begin(), entries.size()});
}

std::string CardBuilder::ConfigIniBytes() const {
  auto f = [&](double v) { return FloatToStr(v, decimal_separator); };
  std::string text = "[Application]\r\nName=" + app_name + "\r\nVersion=1.20\r\n";
  text += "[Param]\r\nJobName=" + job_name + "\r\n";
  for (int n = 0; n < 4; ++n) {
    text += "SavePeriod" + std::to_string(n + 1) + "=" + f(intervals[n]) + "\r\n";
  }
  text += "Measure=" + std::to_string(lines.size()) + "\r\n[Measure]\r\n";
  for (size_t i = 0; i < lines.size(); ++i) {
    const CardLine& l = lines[i];
    std::string number = std::to_string(i + 1);
    if (number.size() < 2) number.insert(0, "0");
    text += "Line" + number + "=" + l.name + ";" + l.label + ";" + std::to_string(l.interval) +
            ";01h;R;0010h;" + l.type + ";" + f(l.multiplier) + ";" + f(l.minimum) + ";" +
            f(l.maximum) + ";" + l.offset + "\r\n";
  }
  return Utf8ToCp1250(text);
}

std::string CardBuilder::ConfigBinBytes() const {
  std::string image(8192, static_cast<char>(0xFF));
  PutText(image, 0, 16, "Korvan-A v1.20");
  Put32(image, 16, static_cast<uint32_t>(lines.size()));
  for (int n = 0; n < 4; ++n) Put32(image, 20 + 4 * n, PackInterval(intervals[n]));
  for (size_t i = 0; i < lines.size() && i < 127; ++i) {
    const CardLine& l = lines[i];
    const size_t at = 64 * (i + 1);
    PutText(image, at, 8, l.name);
    PutText(image, at + 8, 24, l.label);
    Put32(image, at + 32, static_cast<uint32_t>(l.interval));
    Put32(image, at + 36, 1);
    Put32(image, at + 40, 'R');
    Put32(image, at + 44, 0x10);
    uint32_t type = 0;
    if (!l.type.empty()) type = static_cast<uint8_t>(l.type[0]);
    if (l.type.size() > 1) type |= static_cast<uint32_t>(static_cast<uint8_t>(l.type[1])) << 8;
    Put32(image, at + 48, type);
    Put32(image, at + 52, FloatBits(static_cast<float>(l.multiplier)));
    Put32(image, at + 56, FloatBits(static_cast<float>(l.minimum)));
    Put32(image, at + 60, FloatBits(static_cast<float>(l.maximum)));
  }
  return image;
}

void CardBuilder::WriteConfigIni(const std::string& dir) const {
  WriteBytes(dir + "/CONFIG.INI", ConfigIniBytes());
}
void CardBuilder::WriteConfigBin(const std::string& dir) const {
  WriteBytes(dir + "/CONFIG.BIN", ConfigBinBytes());
}
void CardBuilder::WriteLog(const std::string& dir) const { WriteBytes(dir + "/LOG.BIN", log); }

void CardBuilder::WriteAll(const std::string& dir) const {
  WriteConfigIni(dir);
  WriteConfigBin(dir);
  WriteLog(dir);
}

}  // namespace korvan::testing
