#include "export/periods.h"

namespace korvan {

bool ParsePeriod(std::string_view text, uint32_t& seconds) {
  for (const Period& period : kPeriods) {
    if (period.token == text) {
      seconds = period.seconds;
      return true;
    }
  }
  return false;
}

std::string PeriodTokens(std::string_view separator, std::string_view last_separator) {
  std::string tokens;
  for (size_t i = 0; i < kPeriods.size(); ++i) {
    if (i > 0) tokens += i + 1 == kPeriods.size() ? last_separator : separator;
    tokens += kPeriods[i].token;
  }
  return tokens;
}

}  // namespace korvan
