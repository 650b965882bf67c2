// Number and date texts from arbitrary bytes: no parser or formatter may crash or read past
// its input, and every accepted float survives FloatToStr and back within 15 digits.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>

#include "app/date_time.h"
#include "app/numbers.h"

namespace {

void CheckFloatRoundTrip(std::string_view text, char separator) {
  double value = 0;
  if (!korvan::TryStrToFloat(text, separator, value)) return;
  if (!std::isfinite(value)) std::abort();  // out-of-range texts must be rejected
  const std::string shown = korvan::FloatToStr(value, separator);
  double again = 0;
  if (!korvan::TryStrToFloat(shown, separator, again)) {
    std::fprintf(stderr, "FloatToStr gave unreadable '%s'\n", shown.c_str());
    std::abort();
  }
  const double tolerance = std::fabs(value) * 1e-14 + std::numeric_limits<double>::denorm_min();
  if (std::fabs(again - value) > tolerance) {
    std::fprintf(stderr, "'%s' read back differs\n", shown.c_str());
    std::abort();
  }
  korvan::FormatFloat("#,##0.######", value, separator, "\u00A0");
  korvan::FormatFloat("# ##0.######", value, separator, " ");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  CheckFloatRoundTrip(text, ',');
  CheckFloatRoundTrip(text, '.');

  int32_t integer = 0;
  korvan::TryStrToInt(text, integer);

  // The bytes as a pattern, over values from ordinary to absurd.
  double raw = 0;
  if (size >= sizeof(raw)) std::memcpy(&raw, data, sizeof(raw));
  for (double value : {45356.2973, 0.0, -1.25, raw}) {
    korvan::FormatDateTime(text, value);
    korvan::FormatFloat(text, value, ',', " ");
  }
  korvan::IsoDateTimeText(raw);
  double parsed = 0;
  if (korvan::ParseIsoDateTime(text, parsed) && korvan::IsoDateTimeText(parsed) != text) {
    std::abort();
  }
  return 0;
}
