#include "instruments/instrument_list.h"

#include <charconv>
#include <cstdint>

#include "app/encodings.h"

namespace korvan {

InstrumentButtons ButtonsForCount(int count) {
  InstrumentButtons buttons;
  buttons.change = count >= 1;
  buttons.remove = count >= 1;
  buttons.add = count < kMaxInstruments;
  return buttons;
}

std::string StepAddress(std::string_view text, bool up) {
  int64_t value = 0;
  const bool hex = ParseHexSuffixed(text, value);
  if (up && value < 255) ++value;
  if (!up && value > 0) --value;

  char buffer[32];
  std::to_chars_result result;
  if (hex) {
    // "%02X" of the runtime's 32-bit integer: a negative value shows its two's complement.
    const uint64_t bits = value < 0 ? static_cast<uint32_t>(value) : static_cast<uint64_t>(value);
    result = std::to_chars(buffer, buffer + sizeof buffer, bits, 16);
  } else {
    result = std::to_chars(buffer, buffer + sizeof buffer, value);
  }
  std::string digits(buffer, result.ptr);
  if (!hex) return digits;
  for (char& c : digits) {
    if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
  }
  if (digits.size() < 2) digits.insert(0, 2 - digits.size(), '0');
  return digits + "h";
}

std::string InstrumentChoiceText(const Instrument& instrument) {
  std::string text = instrument.address;
  // Pad by characters, not UTF-8 bytes, as the single-byte original does.
  size_t characters = 0;
  for (unsigned char c : text) characters += (c & 0xC0) != 0x80;
  if (characters < 3) text.append(3 - characters, ' ');
  return text + " | " + instrument.description;
}

}  // namespace korvan
