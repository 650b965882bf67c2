// The text export of an arbitrary measurement: the rows walked as the plain algorithm walks
// them, the same bytes on one thread and on two in any chunk size, and every fixed-decimal
// and "%G" cell as printf writes it.

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "export/cell_text.h"
#include "export/export.h"

namespace {

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

class Reader {
 public:
  Reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  template <typename T>
  T Take() {
    T value{};
    const size_t n = std::min(sizeof value, size_ - at_);
    std::memcpy(&value, data_ + at_, n);
    at_ += n;
    return value;
  }
  bool empty() const { return at_ >= size_; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

struct StringSink : korvan::ExportSink {
  std::string bytes;
  bool Write(const char* data, size_t size) override {
    bytes.append(data, size);
    return true;
  }
};

std::string Export(korvan::Measurement& m, const std::vector<int>& lines,
                   const korvan::StampRange& range, char separator,
                   const korvan::ExportThreads& threads) {
  StringSink sink;
  Check(korvan::WriteExport(m, lines, range, separator, sink, {}, threads));
  return sink.bytes;
}

// The row walk as plainly as it can be written: per line the index of its waiting sample.
std::vector<std::string> PlainRows(const korvan::Measurement& m, const korvan::StampRange& range) {
  std::vector<std::string> rows;
  const uint32_t k = m.line_count;
  std::vector<uint32_t> next(k, 0);
  for (uint32_t j = 0; j < k; ++j) {
    while (next[j] < m.buffers[j].count() && m.buffers[j][next[j]].stamp < range.start) ++next[j];
  }
  const auto ms = [&](const korvan::LogSample& s) {
    return m.subseconds_present ? s.milliseconds : uint16_t{0};
  };
  for (;;) {
    bool any = false;
    uint32_t stamp = 0;
    uint16_t milliseconds = 0;
    for (uint32_t j = 0; j < k; ++j) {
      if (next[j] >= m.buffers[j].count()) continue;
      const korvan::LogSample& s = m.buffers[j][next[j]];
      if (!any || s.stamp < stamp || (s.stamp == stamp && ms(s) < milliseconds)) {
        any = true;
        stamp = s.stamp;
        milliseconds = ms(s);
      }
    }
    if (!any || stamp > range.end) return rows;
    std::string row = std::to_string(stamp) + "." + std::to_string(milliseconds);
    for (uint32_t j = 0; j < k; ++j) {
      row += ';';
      if (next[j] >= m.buffers[j].count()) continue;
      const korvan::LogSample& s = m.buffers[j][next[j]];
      if (s.stamp == stamp && ms(s) == milliseconds) {
        row += std::to_string(s.raw);
        ++next[j];
      }
    }
    rows.push_back(row);
  }
}

std::vector<std::string> MergedRows(korvan::Measurement& m, const std::vector<int>& lines,
                                    const korvan::StampRange& range) {
  std::vector<std::string> rows;
  korvan::MergeRows(m, lines, range, [&](const korvan::MergedRow& r) {
    std::string row = std::to_string(r.stamp) + "." + std::to_string(r.milliseconds);
    for (size_t j = 0; j < lines.size(); ++j) {
      row += ';';
      if (r.present[j]) row += std::to_string(r.raw[j]);
    }
    rows.push_back(row);
    return true;
  });
  return rows;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Reader in(data, size);
  korvan::Measurement m;
  const auto setup = in.Take<uint8_t>();
  m.line_count = 1 + setup % 6;
  m.subseconds_present = setup & 0x40;
  const char separator = setup & 0x80 ? ',' : '.';
  const uint32_t chunk_rows = 1 + in.Take<uint8_t>() % 16;
  const char letters[] = {'A', 'F', 'S', 'U', 'a', 'f', 's', 'x'};
  const double multipliers[] = {1, 0.1, 0.01, 0.5, 0.0999, 0.9999, 0, -0.01};
  for (uint32_t i = 0; i < m.line_count; ++i) {
    korvan::MeasuredLine& line = m.lines[i];
    const auto kind = in.Take<uint8_t>();
    line.type_letter = letters[kind % 8];
    line.size_digit = kind / 8 % 4;
    // Either a usual multiplier or any 64 bits; offsets and ranges likewise.
    line.multiplier = kind & 0x80 ? in.Take<double>() : multipliers[kind / 32 % 4 + (kind & 4)];
    if (kind & 0x40) {
      line.offset = in.Take<double>();
      line.minimum = in.Take<double>();
      line.maximum = in.Take<double>();
    }
  }
  korvan::StampRange range{0, 0xFFFFFFFF};
  if (setup & 0x20) range = {in.Take<uint32_t>(), in.Take<uint32_t>()};
  // Samples in small steps of time that may go back, so that lines meet in rows.
  uint32_t stamp = in.Take<uint32_t>();
  while (!in.empty()) {
    const auto step = in.Take<uint8_t>();
    const uint32_t line = step % m.line_count;
    stamp += static_cast<uint32_t>(static_cast<int8_t>(step) >> 3);
    const uint16_t milliseconds = static_cast<uint16_t>(in.Take<uint8_t>() % 4 * 250);
    m.buffers[line].Append({stamp, milliseconds, in.Take<uint32_t>()});
  }

  std::vector<int> lines;
  for (uint32_t i = 0; i < m.line_count; ++i) lines.push_back(static_cast<int>(i));
  Check(MergedRows(m, lines, range) == PlainRows(m, range));
  const std::string one = Export(m, lines, range, separator, {1, 1u << 30});
  Check(Export(m, lines, range, separator, {2, chunk_rows}) == one);
  Check(Export(m, lines, range, separator, {2, 1}) == one);

  // Every value a line can give, through the integer ways and through printf.
  for (uint32_t i = 0; i < m.line_count; ++i) {
    for (uint32_t k = 0; k < m.buffers[i].count(); ++k) {
      const double value = korvan::ConvertRawValue(m.lines[i], m.buffers[i][k].raw);
      for (int decimals = 0; decimals <= 2; ++decimals) {
        std::string fast, general;
        korvan::AppendFixedText(value, 4, decimals, separator, fast);
        korvan::AppendPrintfText(value, 4, decimals, general);
        std::replace(general.begin(), general.end(), '.', separator);
        Check(fast == general);
      }
      std::string fast, general;
      korvan::AppendGeneralText(value, separator, fast);
      korvan::AppendPrintfText(value, 0, -1, general);
      std::replace(general.begin(), general.end(), '.', separator);
      Check(fast == general);
    }
  }
  return 0;
}
