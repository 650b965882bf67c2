#include "config/config_image.h"

#include <algorithm>
#include <cstring>

#include "app/cp1250.h"
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

}  // namespace

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
