// The log scan and time ordering on arbitrary bytes: no crash, no read past the input, and
// the file scan (read ahead, pages faulted in on a second thread) and the scan that stores
// nothing (its blocks to a visitor) give exactly the samples of one pass over the bytes.

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/packed_stamp.h"
#include "data/measurement.h"

namespace {

// The samples of the visited blocks, line by line.
class Collect : public korvan::BlockVisitor {
 public:
  void Block(uint32_t stamp, uint16_t milliseconds, const uint8_t* entries, size_t count) override {
    for (size_t k = 0; k < count; ++k, entries += 6) {
      const uint16_t index = static_cast<uint16_t>(entries[0] | entries[1] << 8);
      if (index >= korvan::kMaxLines) std::abort();
      uint32_t raw;
      std::memcpy(&raw, entries + 2, 4);
      lines[index].Append({stamp, milliseconds, raw});
    }
  }
  std::array<korvan::TBuf, korvan::kMaxLines> lines;
};

bool SameSamples(const korvan::TBuf& a, const korvan::TBuf& b) {
  if (a.count() != b.count()) return false;
  for (uint32_t k = 0; k < a.count(); ++k) {
    if (!(a[k] == b[k])) return false;
  }
  return true;
}

bool SameStamps(const korvan::LogScanResult& a, const korvan::LogScanResult& b) {
  return a.earliest == b.earliest && a.latest == b.latest &&
         a.subseconds_present == b.subseconds_present;
}

// The time ordering as it was, with every sample's date worked out (any stamp, valid or not):
// segments start at a step back or a step over gap_ms, at most 65 536, stably sorted.
korvan::TBuf OrderedByDateArithmetic(const korvan::TBuf& line, double interval) {
  const double gap = (5.0 * interval + 1.0) * 1000.0;
  const int64_t gap_ms = gap >= 9.0e18 ? INT64_MAX : gap < 0 ? -1 : int64_t(std::floor(gap));
  const uint32_t n = line.count();
  std::vector<int64_t> t(n);
  for (uint32_t i = 0; i < n; ++i) {
    const uint32_t stamp = line[i].stamp;
    t[i] = korvan::StampDayNumber(stamp) * korvan::kMsPerDay +
           int64_t{korvan::StampSecondOfDay(stamp)} * 1000 + line[i].milliseconds;
  }
  std::vector<uint32_t> starts;
  for (uint32_t i = 0; i < n && starts.size() < 65536; ++i) {
    if (i == 0 || t[i] < t[i - 1] || t[i] - t[i - 1] > gap_ms) starts.push_back(i);
  }
  std::vector<size_t> order(starts.size());
  for (size_t k = 0; k < order.size(); ++k) order[k] = k;
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return t[starts[a]] < t[starts[b]]; });
  korvan::TBuf out;
  for (size_t k : order) {
    const uint32_t end = k + 1 < starts.size() ? starts[k + 1] : n;
    for (uint32_t i = starts[k]; i < end; ++i) out.Append(line[i]);
  }
  return out;
}

}  // namespace

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
          !SameStamps(file_result, result)) {
        std::abort();
      }
      Collect visited;
      korvan::LogScanResult visit_result;
      if (!korvan::VisitLogFile(path, lines, 0xFFFFFFFF, &visited, visit_result, {}, chunk + 3) ||
          !SameStamps(visit_result, result)) {
        std::abort();
      }
      for (uint32_t i = 0; i < korvan::kMaxLines; ++i) {
        if (!SameSamples(m.buffers[i], file_buffers[i]) ||
            !SameSamples(m.buffers[i], visited.lines[i])) {
          std::abort();
        }
      }
    }
    std::remove(path.c_str());
  }
  for (uint32_t i = 0; i < m.line_count; ++i) {
    const korvan::TBuf expected = OrderedByDateArithmetic(m.buffers[i], m.IntervalSeconds(i));
    korvan::ReorderLineSamples(m.buffers[i], m.IntervalSeconds(i));
    if (!SameSamples(m.buffers[i], expected)) std::abort();
  }
  return 0;
}
