// The compact sample store against a plain list of samples: whatever times come (steps that
// hold, wander, go back, cross midnight, month ends and leap days, stamps with no valid date,
// repeats), every way of reading gives back exactly what was appended, and so does a copy of
// any stretch.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/date_time.h"
#include "app/packed_stamp.h"
#include "data/log_sample.h"

namespace {

using korvan::LogSample;
using korvan::SampleCursor;
using korvan::TBuf;

void Check(bool ok, const char* what, uint32_t i) {
  if (ok) return;
  std::fprintf(stderr, "%s differs at %u\n", what, i);
  std::abort();
}

class Bytes {
 public:
  Bytes(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool empty() const { return at_ >= size_; }
  uint32_t Next(int n) {
    uint32_t v = 0;
    for (int k = 0; k < n; ++k) v = v << 8 | (at_ < size_ ? data_[at_++] : 0);
    return v;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

// Samples from the input: each op byte repeats a step a number of times or puts an odd time.
std::vector<LogSample> Samples(Bytes& in) {
  std::vector<LogSample> out;
  uint32_t stamp = korvan::PackStampFields(2000 + static_cast<int>(in.Next(1) % 64),
                                           1 + static_cast<int>(in.Next(1) % 12), 28, 23, 59, 58);
  uint16_t ms = static_cast<uint16_t>(in.Next(2) % 1000);
  while (!in.empty() && out.size() < 20000) {
    const uint32_t op = in.Next(1);
    const uint32_t repeat = 1 + in.Next(1) % 64;
    switch (op % 6) {
      case 0:
      case 1: {  // a steady step, forward or back
        int64_t step = static_cast<int64_t>(in.Next(3) % 200000);
        if (op % 6 == 1) step = -step / 8;
        for (uint32_t k = 0; k < repeat; ++k) {
          out.push_back({stamp, ms, in.Next(1)});
          TBuf::AddMilliseconds(stamp, ms, step);
        }
        break;
      }
      case 2:  // any stamp at all
        stamp = in.Next(4);
        ms = static_cast<uint16_t>(in.Next(2) % 1000);
        out.push_back({stamp, ms, 0});
        break;
      case 3:  // a wandering clock
        for (uint32_t k = 0; k < repeat; ++k) {
          out.push_back({stamp, ms, k});
          TBuf::AddMilliseconds(stamp, ms, 990 + static_cast<int64_t>(in.Next(1) % 21));
        }
        break;
      case 4:  // the same time again
        for (uint32_t k = 0; k < repeat; ++k) out.push_back({stamp, ms, k});
        break;
      default:  // a jump of days
        TBuf::AddMilliseconds(stamp, ms, static_cast<int64_t>(in.Next(2)) * korvan::kMsPerDay / 7);
        out.push_back({stamp, ms, 1});
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Bytes in(data, size);
  const std::vector<LogSample> plain = Samples(in);
  TBuf store;
  for (const LogSample& s : plain) store.Append(s);
  const auto n = static_cast<uint32_t>(plain.size());
  Check(store.count() == n, "count", n);

  SampleCursor cursor;
  LogSample sample;
  korvan::TimeHint hint;
  const uint32_t y2000 = korvan::PackStampFields(2000, 1, 1, 0, 0, 0);
  const int64_t y2000_time = korvan::DaysFromCivil(2000, 1, 1) * korvan::kMsPerDay;
  for (uint32_t i = 0; i < n; ++i) {
    Check(store.Next(cursor, sample) && sample == plain[i], "sequential read", i);
    Check(store.At(i) == plain[i], "look-up", i);
    // A time in milliseconds, where there is one, is the sample's own.
    int64_t time = 0;
    if (store.TimeAt(i, hint, time)) {
      uint32_t stamp = y2000;
      uint16_t ms = 0;
      Check(TBuf::AddMilliseconds(stamp, ms, time - y2000_time) && stamp == plain[i].stamp &&
                ms == plain[i].milliseconds,
            "time in milliseconds", i);
    }
  }
  Check(!store.Next(cursor, sample), "end of the read", n);
  Check(store.MemoryBytes() <= uint64_t{n} * sizeof(LogSample) + 32, "memory beyond plain", n);
  if (n == 0) return 0;

  // Reads from anywhere, and copies of stretches as the time ordering makes them.
  for (uint32_t k = 0; k < 8; ++k) {
    const uint32_t from = (k * 2654435761u) % n;
    store.Seek(cursor, from);
    for (uint32_t i = from; i < n && i < from + 300; ++i) {
      Check(store.Next(cursor, sample) && sample == plain[i], "read after a seek", i);
    }
  }
  TBuf copy;
  uint32_t at = 0;
  while (at < n) {
    const uint32_t length = std::min<uint32_t>(n - at, 1 + (at * 40503u) % 97);
    copy.AppendFrom(store, at, length);
    at += length;
  }
  copy.ShrinkToFit();
  Check(copy.count() == n, "count of the copy", n);
  for (uint32_t i = 0; i < n; ++i) Check(copy.At(i) == plain[i], "copy", i);
  // Appending on after a copy keeps both ways of storing apart.
  copy.Append(plain[0]);
  Check(copy.At(n) == plain[0], "append after a copy", n);
  return 0;
}
