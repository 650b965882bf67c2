// The log scan and time ordering on arbitrary bytes: no crash, no read past the input.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "data/measurement.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  // The first byte picks the line count (beyond 50 is clamped) and the interval.
  const int lines = data[0] % 64;
  korvan::Measurement m;
  m.line_count = static_cast<uint32_t>(lines > 50 ? 50 : lines);
  m.intervals = {0.01 * (data[0] & 3), 1, 10, 3600};
  // An exactly sized copy, so that any read past the end is caught.
  std::vector<uint8_t> bytes(data + 1, data + size);
  korvan::LogScanResult result;
  korvan::ScanLogBytes(bytes.data(), bytes.size(), lines, 0xFFFFFFFF, m.buffers.data(), result);
  for (uint32_t i = 0; i < m.line_count; ++i) {
    korvan::ReorderLineSamples(m.buffers[i], m.IntervalSeconds(i));
    for (uint32_t k = 1; k < m.buffers[i].count(); ++k) {
      // Only full segments are sorted, so no order can be asserted; touch every sample.
      (void)m.buffers[i][k].raw;
    }
  }
  return 0;
}
