#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/date_time.h"

namespace korvan {

// A period of the aggregated export.
struct Period {
  std::string_view token;  // korvan-cli's --every
  uint32_t seconds;
  std::string_view label;  // the export filter's item (UTF-8)
};

// Shortest first. The parser, the export filter's items and korvan-cli's texts are made from
// this table, and the bash completion asks korvan-cli --help; a test holds the man page and
// the README to it.
inline constexpr auto kPeriods = std::to_array<Period>({
    {"1m", 60, "1 minuta"},
    {"15m", 15 * 60, "15 minut"},
    {"1h", 60 * 60, "1 hodina"},
    {"1d", static_cast<uint32_t>(kSecondsPerDay), "1 den"},
});

// A token of kPeriods; false for anything else.
bool ParsePeriod(std::string_view text, uint32_t& seconds);

// The tokens in table order, the last two joined by last_separator: ("|", "|") gives
// "1m|15m|1h|1d", (", ", " nebo ") "1m, 15m, 1h nebo 1d".
std::string PeriodTokens(std::string_view separator, std::string_view last_separator);

}  // namespace korvan
