#pragma once

// The measurement of the row benchmarks: 8 lines of several number types sampled every
// second with milliseconds, one of them every 4 s, so that rows have empty cells.

#include <bit>
#include <cstdint>
#include <string>

#include "app/date_time.h"
#include "app/encodings.h"
#include "data/measurement.h"

namespace korvan {

inline void FillBenchMeasurement(Measurement& m, uint32_t rows) {
  m.line_count = 8;
  m.subseconds_present = true;
  const char* types[] = {"F4", "U4", "S2", "A4", "F4", "U4", "S1", "U2"};
  const double multipliers[] = {1, 0.1, 0.01, 1, 1, 1, 0.5, 0.001};
  for (int i = 0; i < 8; ++i) {
    m.lines[i].caption = "Přístroj - Veličina " + std::to_string(i + 1);
    m.lines[i].type_letter = types[i][0];
    m.lines[i].size_digit = types[i][1] - '0';
    m.lines[i].multiplier = multipliers[i];
    m.buffers[i].Reserve(rows);
  }
  const double base = EncodeDate(2020, 1, 1);
  for (uint32_t r = 0; r < rows; ++r) {
    const double t = base + r / static_cast<double>(kSecondsPerDay);
    const uint32_t stamp = PackStamp(t, t);
    for (int i = 0; i < 8; ++i) {
      if (i == 3 && r % 4) continue;  // one slower line leaves empty cells
      uint32_t raw = r * 2654435761u + i;
      if (types[i][0] == 'F') raw = std::bit_cast<uint32_t>(static_cast<float>(r % 1000) * 0.37f);
      if (types[i][0] == 'A') raw = 0x01000000 | (r % 100000);
      m.buffers[i].Append({stamp, static_cast<uint16_t>(r % 1000), raw});
    }
  }
}

}  // namespace korvan
