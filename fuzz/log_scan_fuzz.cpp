// The log scan and time ordering on arbitrary bytes: no crash, no read past the input, and
// the file scan (read ahead, pages faulted in on a second thread) gives exactly the samples of
// one pass over the bytes.

#include <unistd.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
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

  // The file comparison costs a file and a thread: half the inputs (high bit of the first
  // byte) take it, so that the parser alone still gets many runs.
  static const std::string path = "/tmp/korvan-log-scan-fuzz-" + std::to_string(getpid());
  FILE* f = (data[0] & 0x80) ? std::fopen(path.c_str(), "wb") : nullptr;
  if (f) {
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (std::fclose(f) == 0 && written) {
      std::array<korvan::TBuf, korvan::kMaxLines> file_buffers;
      korvan::LogScanResult file_result;
      const size_t chunk = 1 + data[0] * 7;
      if (!korvan::ScanLogFile(path, lines, 0xFFFFFFFF, file_buffers.data(), file_result, {},
                               chunk) ||
          file_result.earliest != result.earliest || file_result.latest != result.latest ||
          file_result.subseconds_present != result.subseconds_present) {
        std::abort();
      }
      for (uint32_t i = 0; i < m.line_count; ++i) {
        const korvan::TBuf& a = m.buffers[i];
        const korvan::TBuf& b = file_buffers[i];
        if (a.count() != b.count()) std::abort();
        for (uint32_t k = 0; k < a.count(); ++k) {
          if (a.data()[k].stamp != b.data()[k].stamp || a.data()[k].raw != b.data()[k].raw ||
              a.data()[k].milliseconds != b.data()[k].milliseconds) {
            std::abort();
          }
        }
      }
    }
    std::remove(path.c_str());
  }
  for (uint32_t i = 0; i < m.line_count; ++i) {
    korvan::ReorderLineSamples(m.buffers[i], m.IntervalSeconds(i));
    for (uint32_t k = 1; k < m.buffers[i].count(); ++k) {
      // Only full segments are sorted, so no order can be asserted; touch every sample.
      (void)m.buffers[i][k].raw;
    }
  }
  return 0;
}
