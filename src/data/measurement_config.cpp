#include "data/measurement_config.h"

#include <algorithm>
#include <vector>

#include "app/constants.h"
#include "app/encodings.h"
#include "app/ini_file.h"
#include "app/numbers.h"
#include "config/config_image.h"
#include "config/settings_format.h"
#include "platform/file_query.h"

namespace korvan {

namespace {

int ClampCount(int64_t count) { return static_cast<int>(std::clamp<int64_t>(count, 0, kMaxLines)); }

}  // namespace

bool IsOwnConfigIni(const IniDocument& ini) {
  return ini.ReadString(kSectionApplication, kKeyName, "") == kAppName;
}

MeasuredLine ParseMeasureLine(std::string_view value) {
  const std::vector<std::string> fields = SplitFields(value, kLineColumns);
  auto field = [&](LineColumn i) {
    return static_cast<size_t>(i) < fields.size() ? std::string_view(fields[i])
                                                  : std::string_view();
  };
  auto number = [&](LineColumn i, double fallback) {
    double v;
    return TryFileStrToFloat(field(i), v) ? v : fallback;
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

void ReadConfigIni(const IniDocument& ini, Measurement& measurement) {
  const int count = ClampCount(ini.ReadInteger(kSectionParam, kKeyLineCount, kDefaultLineCount));
  measurement.line_count = static_cast<uint32_t>(count);
  for (int n = 1; n <= 4; ++n) {
    measurement.intervals[static_cast<size_t>(n - 1)] =
        ini.ReadFloat(kSectionParam, SavePeriodKey(n), kDefaultSavePeriod);
  }
  for (int i = 0; i < count; ++i) {
    measurement.lines[static_cast<size_t>(i)] =
        ParseMeasureLine(ini.ReadString(kSectionMeasure, LineKey(i + 1), ""));
  }
  measurement.chart_title = ini.ReadString(kSectionParam, kKeyJobName, "");
}

void ReadConfigBin(const uint8_t* bytes, size_t size, Measurement& measurement) {
  const ConfigImage image = ParseConfigImage({bytes, size});
  measurement.line_count = 0;
  if (!image.has_intervals) return;  // no complete header: no lines, the default intervals
  for (size_t n = 0; n < 4; ++n) {
    measurement.intervals[n] = UnpackInterval(image.header.interval_words[n]);
  }
  const size_t count = std::min(image.lines.size(), size_t{kMaxLines});
  for (size_t i = 0; i < count; ++i) {
    const ConfigImageLine& in = image.lines[i];
    MeasuredLine line;
    line.caption = in.instrument + " - " + in.label;
    line.interval_number = in.interval_number;
    line.type_letter = in.TypeLetter();
    line.size_digit = static_cast<int>(in.TypeDigitByte()) - '0';
    line.type_text = WordText(static_cast<uint32_t>(in.number_type), 2);
    line.multiplier = static_cast<double>(in.multiplier);
    line.minimum = LimitIsSet(in.minimum) ? static_cast<double>(in.minimum) : 0.0;
    line.maximum = LimitIsSet(in.maximum) ? static_cast<double>(in.maximum) : 0.0;
    line.offset = 0.0;  // the image has no offset
    measurement.lines[i] = std::move(line);
  }
  measurement.line_count = static_cast<uint32_t>(count);
}

}  // namespace korvan
