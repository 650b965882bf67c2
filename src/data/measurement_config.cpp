#include "data/measurement_config.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <vector>

#include "app/constants.h"
#include "app/cp1250.h"
#include "app/encodings.h"
#include "app/ini_file.h"
#include "app/numbers.h"
#include "config/settings_format.h"

namespace korvan {

namespace {

constexpr size_t kImageSize = 8192;
constexpr size_t kBlock = 64;

int ClampCount(int64_t count) { return static_cast<int>(std::clamp<int64_t>(count, 0, kMaxLines)); }

uint32_t Load32(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

// A text field of the image: up to its first zero byte, never past the field.
std::string ImageText(const uint8_t* field, size_t width) {
  const auto* end = static_cast<const uint8_t*>(std::memchr(field, 0, width));
  size_t length = end ? static_cast<size_t>(end - field) : width;
  return Cp1250ToUtf8({reinterpret_cast<const char*>(field), length});
}

// A minimum or maximum with all bits set means "not set".
double ImageLimit(const uint8_t* p) {
  uint32_t bits = Load32(p);
  return bits == 0xFFFFFFFF ? 0.0 : static_cast<double>(std::bit_cast<float>(bits));
}

}  // namespace

bool IsOwnConfigIni(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  return IniFile(path).ReadString(kSectionApplication, kKeyName, "") == kAppName;
}

MeasuredLine ParseMeasureLine(std::string_view value, char decimal_separator) {
  const std::vector<std::string> fields = SplitFields(value, kLineColumns);
  auto field = [&](LineColumn i) {
    return static_cast<size_t>(i) < fields.size() ? std::string_view(fields[i])
                                                  : std::string_view();
  };
  auto number = [&](LineColumn i, double fallback) {
    double v;
    return TryStrToFloat(field(i), decimal_separator, v) ? v : fallback;
  };

  MeasuredLine line;
  line.caption = std::string(field(kColInstrument)) + " - " + std::string(field(kColLabel));
  line.interval_number = StrToIntDef(field(kColInterval), 1);
  const std::string_view type = field(kColNumberType);
  line.type_text = std::string(type);
  line.type_letter = type.empty() ? 0 : type[0];
  line.size_digit = type.size() < 2 ? 0 : static_cast<unsigned char>(type[1]) - '0';
  line.multiplier = number(kColMultiplier, 1.0);
  line.minimum = number(kColMinimum, 0.0);
  line.maximum = number(kColMaximum, 0.0);
  line.offset = number(kColOffset, 0.0);
  return line;
}

void ReadConfigIni(const IniFile& ini, char decimal_separator, Measurement& measurement) {
  const int count = ClampCount(ini.ReadInteger(kSectionParam, kKeyLineCount, kDefaultLineCount));
  measurement.line_count = static_cast<uint32_t>(count);
  for (int n = 1; n <= 4; ++n) {
    measurement.intervals[static_cast<size_t>(n - 1)] =
        ini.ReadFloat(kSectionParam, SavePeriodKey(n), kDefaultSavePeriod);
  }
  for (int i = 0; i < count; ++i) {
    measurement.lines[static_cast<size_t>(i)] =
        ParseMeasureLine(ini.ReadString(kSectionMeasure, LineKey(i + 1), ""), decimal_separator);
  }
  measurement.chart_title = ini.ReadString(kSectionParam, kKeyJobName, "");
}

void ReadConfigBin(const uint8_t* bytes, size_t size, Measurement& measurement) {
  size = std::min(size, kImageSize);
  measurement.line_count = 0;
  if (size < 36) return;  // no complete header: no lines, the default intervals
  for (size_t n = 0; n < 4; ++n) {
    measurement.intervals[n] = UnpackInterval(Load32(bytes + 20 + 4 * n));
  }
  // Byte 16 alone is the count, as a signed byte; only blocks that are present are lines.
  int count = ClampCount(static_cast<int8_t>(bytes[16]));
  count = std::min(count, static_cast<int>(size / kBlock) - 1);
  count = std::max(count, 0);
  for (int i = 0; i < count; ++i) {
    const uint8_t* block = bytes + kBlock * static_cast<size_t>(i + 1);
    MeasuredLine line;
    line.caption = ImageText(block, 8) + " - " + ImageText(block + 8, 24);
    line.interval_number = static_cast<int32_t>(Load32(block + 32));
    line.type_letter = static_cast<char>(block[48]);
    line.size_digit = static_cast<int>(block[49]) - '0';
    line.type_text = ImageText(block + 48, 2);
    line.multiplier = static_cast<double>(std::bit_cast<float>(Load32(block + 52)));
    line.minimum = ImageLimit(block + 56);
    line.maximum = ImageLimit(block + 60);
    line.offset = 0.0;
    measurement.lines[static_cast<size_t>(i)] = std::move(line);
  }
  measurement.line_count = static_cast<uint32_t>(count);
}

bool ReadConfigImage(const std::string& path, std::string& image) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  image.assign(kImageSize, '\0');
  size_t got = 0;
  bool ok = true;
  while (got < kImageSize) {
    ssize_t n = read(fd, image.data() + got, kImageSize - got);
    if (n < 0) {
      if (errno == EINTR) continue;
      ok = false;  // a directory, or a read error
      break;
    }
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  close(fd);
  image.resize(got);
  return ok;
}

}  // namespace korvan
