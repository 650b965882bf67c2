#include "config/recording_config.h"

#include <cmath>
#include <limits>

#include "app/error.h"
#include "app/numbers.h"

namespace korvan {

namespace {

// Seconds per day over bytes per MB.
constexpr double kDayBytesToMB = 0.0823974609375;

bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Byte offset of character number index (0-based), or the text's size when it is shorter.
size_t CharacterOffset(std::string_view text, size_t index) {
  size_t offset = 0;
  while (offset < text.size() && index > 0) {
    ++offset;
    while (offset < text.size() && IsContinuationByte(text[offset])) ++offset;
    --index;
  }
  return offset;
}

std::string ReplaceNumber(std::string_view pattern, int value) {
  std::string text(pattern);
  size_t at = text.find("%d");
  if (at != std::string::npos) text.replace(at, 2, IntToStr(value));
  return text;
}

}  // namespace

std::string RecordingConfig::BaudText() const {
  if (baud_position < 0 || baud_position >= ChoiceCount(kBaudChoices)) return "";
  return kBaudChoices[baud_position];
}

FileSizeResult CalcMB(const RecordingConfig& config, char decimal_separator) {
  FileSizeResult result;
  try {
    double per_second = 0;
    for (int k = 1; k <= kIntervalCount; ++k) {
      const std::string number = IntToStr(k);
      int count = 0;
      for (const LoggedLine& line : config.lines) count += line[kColInterval] == number;
      if (count == 0) continue;  // its interval text is not looked at
      double seconds = StrToFloat(config.intervals[k - 1], decimal_separator);
      if (!(seconds > 0)) {
        result.error = ReplaceNumber(kIntervalNotPositive, k);
        return result;
      }
      per_second += (6.0 * count + 10.0) / seconds;
    }
    const double days = StrToFloat(config.days, decimal_separator);
    // The constant first, then the days: in doubles the other order truncates differently in
    // rare cases, and the size must agree with what other installations compute.
    const double per_day = per_second * kDayBytesToMB;
    const double megabytes = std::trunc(days * per_day + 1.0);
    // A tiny interval or a huge day count must not wrap around into a plausible size.
    if (!std::isfinite(megabytes) || megabytes > std::numeric_limits<int32_t>::max() ||
        megabytes < std::numeric_limits<int32_t>::min()) {
      result.error = kFileSizeOutOfRange;
      return result;
    }
    result.ok = true;
    result.megabytes = static_cast<int32_t>(megabytes);
  } catch (const Error& e) {
    result.error = e.what();
  }
  return result;
}

void ApplyFileSize(RecordingConfig& config, const FileSizeResult& result) {
  if (result.ok) config.file_size = IntToStr(result.megabytes);
}

std::string Utf8Left(std::string_view text, size_t count) {
  return std::string(text.substr(0, CharacterOffset(text, count)));
}

namespace {

// The text from character (not byte) start on.
std::string Utf8From(std::string_view text, size_t start) {
  return std::string(text.substr(CharacterOffset(text, start)));
}

}  // namespace

std::string InstrumentChoiceEntry(const Instrument& instrument) {
  return Utf8Left(InstrumentChoiceText(instrument), 79);
}

LoggedLine MakeLoggedLine(std::string_view instrument_entry, std::string_view own_label,
                          std::string_view interval_choice, const QuantityRow& quantity) {
  LoggedLine line;
  line[kColInstrument] = Utf8From(instrument_entry, 6);
  line[kColLabel] = own_label.empty() ? quantity[kFieldDescription] : std::string(own_label);
  line[kColInterval] = Utf8Left(interval_choice, 1);
  line[kColInstrumentAddress] = Utf8Left(instrument_entry, 3);
  line[kColRegister] = quantity[kFieldRegister];
  line[kColRegisterAddress] = quantity[kFieldAddress];
  line[kColNumberType] = quantity[kFieldNumberType];
  line[kColMultiplier] = quantity[kFieldMultiplier];
  line[kColMinimum] = quantity[kFieldMinimum];
  line[kColMaximum] = quantity[kFieldMaximum];
  line[kColOffset] = quantity[kFieldOffset];
  return line;
}

int NextQuantityChoice(int position, int count) {
  if (position < 0) return -1;
  return position + 1 < count ? position + 1 : -1;
}

void RemoveLine(RecordingConfig& config, int index) {
  if (index < 0 || index >= static_cast<int>(config.lines.size())) return;
  config.lines.erase(config.lines.begin() + index);
}

}  // namespace korvan
