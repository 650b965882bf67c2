#include "config/config_image.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "app/constants.h"
#include "app/cp1250.h"
#include "app/encodings.h"
#include "app/error.h"
#include "app/numbers.h"
#include "platform/file_query.h"

namespace korvan {

namespace {

uint32_t Load32(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;  // little-endian host
}

int32_t LoadInt(const uint8_t* p) { return static_cast<int32_t>(Load32(p)); }
float LoadReal(const uint8_t* p) { return std::bit_cast<float>(Load32(p)); }

ConfigImageLine ParseLine(const uint8_t* block) {
  ConfigImageLine line;
  line.instrument = ImageText(block + kLineInstrumentText, kLineInstrumentWidth);
  line.label = ImageText(block + kLineLabelText, kLineLabelWidth);
  line.interval_number = LoadInt(block + kLineIntervalNumber);
  line.address = LoadInt(block + kLineAddress);
  line.register_kind = LoadInt(block + kLineRegisterKind);
  line.register_address = LoadInt(block + kLineRegisterAddress);
  line.number_type = LoadInt(block + kLineNumberType);
  line.multiplier = LoadReal(block + kLineMultiplier);
  line.minimum = LoadReal(block + kLineMinimum);
  line.maximum = LoadReal(block + kLineMaximum);
  return line;
}

void Store32(uint8_t* p, uint32_t v) { std::memcpy(p, &v, 4); }
void StoreInt(uint8_t* p, int64_t v) { Store32(p, static_cast<uint32_t>(v)); }
void StoreReal(uint8_t* p, double v) { Store32(p, std::bit_cast<uint32_t>(static_cast<float>(v))); }

// A line's real as the image holds it, single precision: a value beyond its range stops the
// write with the conversion error, as the runtime's overflow does, instead of an infinity.
double ImageReal(const std::string& text) {
  const double value = FileStrToFloat(text);
  if (std::abs(value) > std::numeric_limits<float>::max()) {
    throw Error("'" + text + "' is not a valid floating point value");
  }
  return value;
}

// An address as the 32-bit conversion reads it: a decimal text beyond 32 bits saturates, a
// hexadecimal one keeps its low 32 bits.
int64_t ImageAddress(const std::string& text) {
  int64_t value = 0;
  if (ParseHexSuffixed(text, value) || text.empty()) return HexSuffixedValue(text);
  return std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                             std::numeric_limits<int32_t>::max());
}

// A shorter text ends with one zero byte and leaves the rest of the field as it was (0xFF);
// a text as long as the field or longer is cut and has no terminator.
void StoreText(uint8_t* field, size_t width, const std::string& utf8) {
  const std::string bytes = Utf8ToCp1250(utf8);
  const size_t length = std::min(bytes.size(), width);
  std::memcpy(field, bytes.data(), length);
  if (length < width) field[length] = 0;
}

// The first byte of the register text, sign-extended: "H" gives 0x48, "" gives 0.
int32_t RegisterCode(const std::string& utf8) {
  const std::string bytes = Utf8ToCp1250(utf8);
  return bytes.empty() ? 0 : static_cast<int8_t>(bytes[0]);
}

// The type letter and the size digit as a little-endian signed 16-bit value, widened.
int32_t NumberTypeCode(const std::string& utf8) {
  const std::string bytes = Utf8ToCp1250(utf8);
  uint16_t pair = 0;
  if (!bytes.empty()) pair = static_cast<uint8_t>(bytes[0]);
  if (bytes.size() > 1) pair |= static_cast<uint16_t>(static_cast<uint8_t>(bytes[1]) << 8);
  return static_cast<int16_t>(pair);
}

// A list position as read back: outside the list nothing is selected.
int ChoicePosition(int8_t position, int count) {
  return position >= 0 && position < count ? position : -1;
}

}  // namespace

std::string HexSuffixedText(int32_t value) {
  static const char kDigits[] = "0123456789ABCDEF";
  uint32_t v = static_cast<uint32_t>(value);
  std::string digits;
  do {
    digits.insert(digits.begin(), kDigits[v & 0xF]);
    v >>= 4;
  } while (v != 0);
  if (digits.size() < 2) digits.insert(digits.begin(), '0');
  return digits + "h";
}

std::string BuildConfigImage(const RecordingConfig& config, char decimal_separator) {
  std::string image(kConfigImageSize, static_cast<char>(0xFF));
  auto* bytes = reinterpret_cast<uint8_t*>(image.data());

  uint8_t* header = bytes;
  StoreText(header + kHeaderVersionText, kHeaderVersionWidth,
            std::string(kAppName) + " v" + kAppVersion);
  const size_t count = std::min<size_t>(config.lines.size(), kConfigImageMaxLines);
  StoreInt(header + kHeaderLineCount, static_cast<int64_t>(count));
  for (int k = 0; k < kIntervalCount; ++k) {
    Store32(header + kHeaderIntervalWords + 4 * k,
            PackInterval(StrToFloat(config.intervals[k], decimal_separator)));
  }
  StoreInt(header + kHeaderBaud, StrToInt(config.BaudText()));
  // Positions of the choices; none selected (-1) is stored as its low byte, as a byte store
  // of the list index would.
  header[kHeaderDataBits] = static_cast<uint8_t>(config.databits_position);
  header[kHeaderParity] = static_cast<uint8_t>(config.parity_position);
  header[kHeaderStopBits] = static_cast<uint8_t>(config.stopbits_position);
  StoreInt(header + kHeaderTimeout, StrToInt(config.timeout));
  StoreInt(header + kHeaderPause, StrToInt(config.delay));

  for (size_t i = 0; i < count; ++i) {
    const LoggedLine& line = config.lines[i];
    uint8_t* block = bytes + kConfigBlockSize * (i + 1);
    StoreText(block + kLineInstrumentText, kLineInstrumentWidth, line[kColInstrument]);
    StoreText(block + kLineLabelText, kLineLabelWidth, line[kColLabel]);
    StoreInt(block + kLineIntervalNumber, StrToInt(line[kColInterval]));
    StoreInt(block + kLineAddress, ImageAddress(line[kColInstrumentAddress]));
    StoreInt(block + kLineRegisterKind, RegisterCode(line[kColRegister]));
    StoreInt(block + kLineRegisterAddress, ImageAddress(line[kColRegisterAddress]));
    StoreInt(block + kLineNumberType, NumberTypeCode(line[kColNumberType]));
    StoreReal(block + kLineMultiplier, ImageReal(line[kColMultiplier]));
    StoreReal(block + kLineMinimum, ImageReal(line[kColMinimum]));
    StoreReal(block + kLineMaximum, ImageReal(line[kColMaximum]));
  }
  return image;
}

bool ReadBackConfigImage(std::span<const uint8_t> bytes, RecordingConfig& config,
                         char decimal_separator) {
  const ConfigImage image = ParseConfigImage(bytes);
  if (!image.complete) return false;
  const ConfigImageHeader& header = image.header;

  // Lines that existed keep their offset cell; the image has no offset.
  config.lines.resize(image.lines.size());
  for (size_t i = 0; i < image.lines.size(); ++i) {
    const ConfigImageLine& in = image.lines[i];
    LoggedLine& line = config.lines[i];
    line[kColInterval] = IntToStr(in.interval_number);
    line[kColInstrumentAddress] = HexSuffixedText(in.address);
    line[kColRegister] = WordText(static_cast<uint32_t>(in.register_kind));
    line[kColRegisterAddress] = HexSuffixedText(in.register_address);
    line[kColNumberType] = WordText(static_cast<uint32_t>(in.number_type));
    line[kColMultiplier] = FloatToStr(in.multiplier, decimal_separator);
    line[kColMinimum] = FloatToStr(in.minimum, decimal_separator);
    line[kColMaximum] = FloatToStr(in.maximum, decimal_separator);
    line[kColLabel] = in.label;
    line[kColInstrument] = in.instrument;
  }
  for (int k = 0; k < kIntervalCount; ++k) {
    config.intervals[k] = FloatToStr(UnpackInterval(header.interval_words[k]), decimal_separator);
  }
  config.baud_position = -1;
  for (int i = 0; i < ChoiceCount(kBaudChoices); ++i) {
    if (StrToInt(kBaudChoices[i]) == header.baud) {
      config.baud_position = i;
      break;
    }
  }
  config.databits_position = ChoicePosition(header.databits_position, ChoiceCount(kDataBitChoices));
  config.parity_position = ChoicePosition(header.parity_position, ChoiceCount(kParityChoices));
  config.stopbits_position = ChoicePosition(header.stopbits_position, ChoiceCount(kStopBitChoices));
  config.timeout = IntToStr(header.timeout);
  config.delay = IntToStr(header.pause);
  return true;
}

std::string ImageText(const uint8_t* field, size_t width) {
  const auto* end = static_cast<const uint8_t*>(std::memchr(field, 0, width));
  size_t length = end ? static_cast<size_t>(end - field) : width;
  return Cp1250ToUtf8({reinterpret_cast<const char*>(field), length});
}

std::string WordText(uint32_t word, size_t width) {
  uint8_t bytes[4];
  std::memcpy(bytes, &word, 4);
  return ImageText(bytes, std::min<size_t>(width, 4));
}

ConfigImage ParseConfigImage(std::span<const uint8_t> bytes) {
  ConfigImage image;
  const size_t size = std::min(bytes.size(), kConfigImageSize);
  const uint8_t* p = bytes.data();
  image.complete = size == kConfigImageSize;
  auto present = [&](size_t offset, size_t width) { return offset + width <= size; };

  ConfigImageHeader& header = image.header;
  if (present(kHeaderLineCount, 1)) header.line_count = static_cast<int8_t>(p[kHeaderLineCount]);
  image.has_intervals = present(kHeaderIntervalWords, 16);
  if (image.has_intervals) {
    for (size_t n = 0; n < 4; ++n) {
      header.interval_words[n] = Load32(p + kHeaderIntervalWords + 4 * n);
    }
  }
  if (present(kHeaderBaud, 4)) header.baud = LoadInt(p + kHeaderBaud);
  if (present(kHeaderStopBits, 1)) {
    header.databits_position = static_cast<int8_t>(p[kHeaderDataBits]);
    header.parity_position = static_cast<int8_t>(p[kHeaderParity]);
    header.stopbits_position = static_cast<int8_t>(p[kHeaderStopBits]);
  }
  if (present(kHeaderTimeout, 4)) header.timeout = LoadInt(p + kHeaderTimeout);
  if (present(kHeaderPause, 4)) header.pause = LoadInt(p + kHeaderPause);

  // A negative count means no lines; a block cut off by the end of the bytes is no line.
  const size_t blocks_present = size / kConfigBlockSize > 0 ? size / kConfigBlockSize - 1 : 0;
  const size_t count =
      std::min(static_cast<size_t>(std::max(header.line_count, 0)), blocks_present);
  image.lines.reserve(count);
  for (size_t i = 1; i <= count; ++i) image.lines.push_back(ParseLine(p + kConfigBlockSize * i));
  return image;
}

bool ReadConfigImageFile(const std::string& path, std::string& bytes) {
  ReadOnlyFile file(path);
  if (!file.IsOpen()) return false;
  bytes.assign(kConfigImageSize, '\0');
  size_t got = 0;
  bool ok = true;
  while (got < kConfigImageSize) {
    const ptrdiff_t n = file.Read(bytes.data() + got, kConfigImageSize - got);
    if (n < 0) {
      ok = false;  // a directory, or a read error
      break;
    }
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  bytes.resize(got);
  return ok;
}

}  // namespace korvan
