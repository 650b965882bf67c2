#include "graph/plot_detail.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <numeric>
#include <utility>

#include "app/date_time.h"
#include "app/packed_stamp.h"

namespace korvan {
namespace {

// Fewer points in view than this are handed over as they are even where the chart would draw
// them all one by one (a neighbour far beyond the view makes the chart's reduction threshold
// large); beyond it the column reduction keeps a repaint short.
constexpr uint64_t kAllPointsCap = uint64_t{1} << 18;

// The chart reduces a line only when it has at least this many points in view (two per pixel
// of the keys they span, computed as the chart computes it).
int64_t ReductionThreshold(double pixel_span) {
  const double threshold = 2 * pixel_span + 2;
  return threshold < static_cast<double>(INT_MAX) ? static_cast<int>(threshold) : INT_MAX;
}

// The smallest free row at or after a row, for marking the rows of a column one by one.
class FreeRows {
 public:
  FreeRows(int first, int last) : first_(first), next_(static_cast<size_t>(last - first + 2)) {}
  void Reset() { std::iota(next_.begin(), next_.end(), 0); }
  // True when a row within [from, to] is still free.
  bool AnyFree(int from, int to) { return Find(from - first_) <= to - first_; }
  // Takes the row; false when it was taken already.
  bool Take(int row) {
    const int r = row - first_;
    if (Find(r) != r) return false;
    next_[static_cast<size_t>(r)] = r + 1;
    return true;
  }

 private:
  int Find(int r) {
    int root = r;
    while (next_[static_cast<size_t>(root)] != root) root = next_[static_cast<size_t>(root)];
    while (next_[static_cast<size_t>(r)] != root) {
      const int up = next_[static_cast<size_t>(r)];
      next_[static_cast<size_t>(r)] = root;
      r = up;
    }
    return root;
  }
  int first_;
  std::vector<int> next_;
};

}  // namespace

bool SampleKey(const LogSample& sample, double& key) {
  double day = 0;
  if (!TryEncodeDate(StampYear(sample.stamp), static_cast<int>(StampMonth(sample.stamp)),
                     static_cast<int>(StampDay(sample.stamp)), day)) {
    return false;
  }
  const int64_t ms = int64_t{StampSecondOfDay(sample.stamp)} * 1000 + sample.milliseconds;
  key = day + static_cast<double>(ms) / static_cast<double>(kMsPerDay);
  return true;
}

double LineDetail::Key(uint32_t i) const {
  // Neighbouring look-ups mostly fall on one run, and on one day.
  int64_t time = 0;
  if (samples_->TimeAt(Stored(i), hint_, time)) {
    const int64_t day = time / kMsPerDay;
    if (day != hint_day_) {
      hint_day_ = day;
      hint_day_value_ = static_cast<double>(day + kUnixEpochOffset);
    }
    return hint_day_value_ +
           static_cast<double>(time - day * kMsPerDay) / static_cast<double>(kMsPerDay);
  }
  // A stamp with no valid time of day still has a key when its date is valid.
  const LogSample s = At(i);
  const uint32_t day_key = StampDayKey(s.stamp);
  if (day_key != day_key_) {
    day_key_ = day_key;
    TryEncodeDate(StampYear(s.stamp), static_cast<int>(StampMonth(s.stamp)),
                  static_cast<int>(StampDay(s.stamp)), day_);
  }
  const int64_t ms = int64_t{StampSecondOfDay(s.stamp)} * 1000 + s.milliseconds;
  return day_ + static_cast<double>(ms) / static_cast<double>(kMsPerDay);
}

bool LineDetail::Covers(const StampRange& range) const {
  return !ordered_ || (range.start == range_.start && range.end == range_.end);
}

LineDetail::Span LineDetail::SpanOf(const StampRange& range) const {
  if (ordered_) return {0, Positions()};
  // std::partition_point over the positions, the stamps looked up as the search goes.
  const auto partition = [this](uint32_t first, uint32_t last, auto below) {
    uint32_t length = last - first;
    while (length > 0) {
      const uint32_t half = length / 2;
      if (below(samples_->At(first + half).stamp)) {
        first += half + 1;
        length -= half + 1;
      } else {
        length = half;
      }
    }
    return first;
  };
  const uint32_t count = samples_->count();
  const uint32_t begin = partition(0, count, [&](uint32_t stamp) { return stamp < range.start; });
  const uint32_t end = partition(begin, count, [&](uint32_t stamp) { return stamp <= range.end; });
  return {begin, end};
}

uint64_t LineDetail::CountBefore(uint32_t i) const {
  if (ordered_) return i;
  const uint32_t unit = i / kFanOut;
  uint64_t n = prefix_[unit];
  for (uint32_t k = unit * kFanOut; k < i; ++k) n += Counts(k) ? 1 : 0;
  return n;
}

uint32_t LineDetail::NextCounting(uint32_t i, uint32_t end) const {
  if (ordered_) return std::min(i, end);
  while (i < end) {
    const uint32_t unit = i / kFanOut;
    const uint32_t unit_end = std::min(end, (unit + 1) * kFanOut);
    for (; i < unit_end; ++i) {
      if (Counts(i)) return i;
    }
    if (i >= end) break;
    // The next unit holding a sample that counts.
    const auto after =
        std::upper_bound(prefix_.begin() + unit + 1, prefix_.end(), prefix_[unit + 1]);
    if (after == prefix_.end()) return end;
    i = std::max(i, static_cast<uint32_t>((after - prefix_.begin() - 1) * kFanOut));
  }
  return end;
}

uint32_t LineDetail::PrevCounting(uint32_t i, uint32_t begin) const {
  if (ordered_) return i > begin ? i - 1 : kNone;
  while (i > begin) {
    const uint32_t unit = (i - 1) / kFanOut;
    const uint32_t unit_begin = std::max(begin, unit * kFanOut);
    for (; i > unit_begin; --i) {
      if (Counts(i - 1)) return i - 1;
    }
    if (i <= begin) break;
    // The last earlier unit holding a sample that counts.
    const auto at = std::lower_bound(prefix_.begin(), prefix_.begin() + unit, prefix_[unit]);
    if (at == prefix_.begin()) return kNone;
    i = std::min(i, static_cast<uint32_t>((at - prefix_.begin()) * kFanOut));
  }
  return kNone;
}

// Near the start by the samples themselves (columns are mostly short); further on by the
// units' first keys, a compact array, where probing the samples would miss the cache each time.
uint32_t LineDetail::FirstKeyAtLeast(uint32_t begin, uint32_t end, double key) const {
  uint64_t low = begin;
  uint64_t high = end;
  if (high - low > kFanOut && Key(static_cast<uint32_t>(low + kFanOut - 1)) < key) {
    low += kFanOut;
    const size_t first_unit = static_cast<size_t>((low + kFanOut - 1) / kFanOut);
    const size_t end_unit = static_cast<size_t>((high + kFanOut - 1) / kFanOut);
    const size_t unit = static_cast<size_t>(
        std::lower_bound(unit_key_.begin() + static_cast<ptrdiff_t>(first_unit),
                         unit_key_.begin() + static_cast<ptrdiff_t>(end_unit), key) -
        unit_key_.begin());
    if (unit > first_unit) low = std::max<uint64_t>(low, (unit - 1) * uint64_t{kFanOut});
    high = std::min<uint64_t>(high, unit * uint64_t{kFanOut});
  }
  while (low < high) {
    const uint64_t mid = low + (high - low) / 2;
    if (Key(static_cast<uint32_t>(mid)) < key) {
      low = mid + 1;
    } else {
      high = mid;
    }
  }
  return static_cast<uint32_t>(low);
}

uint32_t LineDetail::FirstKeyAbove(uint32_t begin, uint32_t end, double key) const {
  return FirstKeyAtLeast(begin, end, std::nextafter(key, HUGE_VAL));
}

void LineDetail::TakeSample(uint32_t i, Fold& f) const {
  const double value = Value(i);
  if (std::isnan(value) || (!ordered_ && !InValueRange(line_, value))) return;
  Widen(f, i, value);
}

void LineDetail::TakeUnit(const Unit& unit, Fold& f) {
  if (unit.min_at == kNone) return;
  if (f.min_at == kNone || unit.min < f.min) {
    f.min_at = unit.min_at;
    f.min = unit.min;
  }
  if (f.max_at == kNone || unit.max > f.max) {
    f.max_at = unit.max_at;
    f.max = unit.max;
  }
}

void LineDetail::FoldSamples(uint32_t begin, uint32_t end, Fold& f) const {
  for (uint32_t i = begin; i < end; ++i) TakeSample(i, f);
}

void LineDetail::FoldUnits(size_t level, uint64_t begin, uint64_t end, Fold& f) const {
  const std::vector<Unit>& units = levels_[level];
  if (level + 1 < levels_.size()) {
    const uint64_t up_begin = (begin + kFanOut - 1) / kFanOut;
    const uint64_t up_end = end / kFanOut;
    if (up_begin < up_end) {
      for (uint64_t u = begin; u < up_begin * kFanOut; ++u) TakeUnit(units[u], f);
      FoldUnits(level + 1, up_begin, up_end, f);
      for (uint64_t u = up_end * kFanOut; u < end; ++u) TakeUnit(units[u], f);
      return;
    }
  }
  for (uint64_t u = begin; u < end; ++u) TakeUnit(units[u], f);
}

LineDetail::Fold LineDetail::MinMax(uint32_t begin, uint32_t end) const {
  Fold f;
  const uint64_t first_unit = (uint64_t{begin} + kFanOut - 1) / kFanOut;
  const uint64_t end_unit = end / kFanOut;
  if (first_unit >= end_unit) {
    FoldSamples(begin, end, f);
    return f;
  }
  FoldSamples(begin, static_cast<uint32_t>(first_unit * kFanOut), f);
  FoldUnits(0, first_unit, end_unit, f);
  FoldSamples(static_cast<uint32_t>(end_unit * kFanOut), end, f);
  return f;
}

LineDetail::Extent LineDetail::ExtentOf(Span span) const {
  Extent e;
  e.count = CountBefore(span.end) - CountBefore(span.begin);
  if (e.count == 0) return e;
  const Fold f = MinMax(span.begin, span.end);
  if (f.min_at != kNone && f.min < e.value_min) e.value_min = f.min;
  if (f.max_at != kNone && f.max > e.value_max) e.value_max = f.max;
  e.key_min = Key(NextCounting(span.begin, span.end));
  e.key_max = Key(PrevCounting(span.end, span.begin));
  return e;
}

std::optional<DetailPoint> LineDetail::Nearest(Span span, double x, double from, double to) const {
  const uint32_t at = FirstKeyAtLeast(span.begin, span.end, x);
  const uint32_t after = NextCounting(at, span.end);
  const uint32_t before = PrevCounting(at, span.begin);
  auto inside = [&](uint32_t i, uint32_t none) {
    return i != none && Key(i) >= from && Key(i) <= to;
  };
  const bool use_before = inside(before, kNone);
  const bool use_after = inside(after, span.end);
  uint32_t chosen = kNone;
  if (use_before && use_after) {
    chosen = x - Key(before) <= Key(after) - x ? before : after;
  } else if (use_before) {
    chosen = before;
  } else if (use_after) {
    chosen = after;
  }
  if (chosen == kNone) return std::nullopt;
  return DetailPoint{Key(chosen), Value(chosen)};
}

bool LineDetail::Visible(Span span, double lower, double upper, uint32_t& first,
                         uint32_t& end) const {
  const uint32_t at_lower = NextCounting(FirstKeyAtLeast(span.begin, span.end, lower), span.end);
  const uint32_t before = PrevCounting(at_lower, span.begin);
  first = before != kNone ? before : at_lower;
  const uint32_t above = NextCounting(FirstKeyAbove(span.begin, span.end, upper), span.end);
  end = above < span.end ? above + 1 : span.end;
  return first < end;
}

template <typename Column>
void LineDetail::ForEachColumn(uint32_t first, uint32_t end, const AxisMap& keys,
                               Column column) const {
  uint32_t i = first;
  double start = keys.to_coord(static_cast<int>(keys.to_pixel(Key(i))));
  const double epsilon = std::abs(start - keys.to_coord(keys.to_pixel(start) + 1.0));
  for (;;) {
    const uint32_t next = FirstKeyAtLeast(i + 1, end, start + epsilon);
    column(i, next);
    i = NextCounting(next, end);
    if (i >= end) return;
    start = keys.to_coord(static_cast<int>(keys.to_pixel(Key(i))));
  }
}

void LineDetail::AllPoints(uint32_t first, uint32_t end, std::vector<DetailPoint>& out) const {
  for (uint32_t i = first; i < end; ++i) {
    if (Counts(i)) out.push_back({Key(i), Value(i)});
  }
}

bool LineDetail::FewOrNone(Span span, double lower, double upper, const AxisMap& keys, View& view,
                           std::vector<DetailPoint>& out) const {
  out.clear();
  if (!Visible(span, lower, upper, view.first, view.end)) return true;
  view.count = CountBefore(view.end) - CountBefore(view.first);
  view.threshold = ReductionThreshold(std::abs(
      keys.to_pixel(Key(view.first)) - keys.to_pixel(Key(PrevCounting(view.end, view.first)))));
  if (static_cast<int64_t>(view.count) >= view.threshold || view.count > kAllPointsCap) {
    return false;
  }
  AllPoints(view.first, view.end, out);
  return true;
}

void LineDetail::LinePoints(Span span, double lower, double upper, const AxisMap& keys,
                            std::vector<DetailPoint>& out) const {
  View view;
  if (FewOrNone(span, lower, upper, keys, view, out)) return;
  size_t cluster_end = 0;  // just after the last point of a column of several
  ForEachColumn(view.first, view.end, keys, [&](uint32_t a, uint32_t b) {
    const uint32_t last = PrevCounting(b, a);
    const Fold f = MinMax(a, b);
    uint32_t at[4] = {a, f.min_at, f.max_at, last};
    std::sort(at, at + 4);
    for (int k = 0; k < 4; ++k) {
      if (at[k] != kNone && (k == 0 || at[k] != at[k - 1]))
        out.push_back({Key(at[k]), Value(at[k])});
    }
    if (last != a) cluster_end = out.size();
  });
  // The chart reduces only from the threshold on; a repeated last point of a column of
  // several changes nothing it draws.
  if (static_cast<int64_t>(view.count) >= view.threshold &&
      static_cast<int64_t>(out.size()) < view.threshold && cluster_end > 0) {
    const DetailPoint repeated = out[cluster_end - 1];
    out.insert(out.begin() + static_cast<ptrdiff_t>(cluster_end),
               static_cast<size_t>(view.threshold - static_cast<int64_t>(out.size())), repeated);
  }
}

struct LineDetail::Marks {
  const AxisMap& values;
  int top, bottom;
  FreeRows rows;
  std::vector<DetailPoint>& out;

  // Rows of a value range, clamped to the rows that can show; false when none can.
  bool RowRange(double low, double high, int& from, int& to) const {
    const double a = values.to_pixel(low);
    const double b = values.to_pixel(high);
    if (std::isnan(a) || std::isnan(b)) return false;
    const double r1 = std::floor(std::min(a, b));
    const double r2 = std::floor(std::max(a, b));
    if (r2 < top || r1 > bottom) return false;
    from = static_cast<int>(std::max<double>(r1, top));
    to = static_cast<int>(std::min<double>(r2, bottom));
    return true;
  }
};

void LineDetail::MarkSample(uint32_t i, Marks& marks) const {
  const double value = Value(i);
  if (std::isnan(value) || (!ordered_ && !InValueRange(line_, value))) return;
  int from = 0, to = 0;
  if (marks.RowRange(value, value, from, to) && marks.rows.Take(from)) {
    marks.out.push_back({Key(i), value});
  }
}

void LineDetail::MarkUnit(size_t level, uint64_t u, Marks& marks) const {
  const Unit& x = levels_[level][u];
  int from = 0, to = 0;
  if (x.min_at == kNone || !marks.RowRange(x.min, x.max, from, to) ||
      !marks.rows.AnyFree(from, to)) {
    return;
  }
  if (level == 0) {
    const uint32_t stop = static_cast<uint32_t>(std::min<uint64_t>(Positions(), (u + 1) * kFanOut));
    for (uint32_t i = static_cast<uint32_t>(u * kFanOut); i < stop; ++i) MarkSample(i, marks);
  } else {
    const uint64_t stop = std::min<uint64_t>(levels_[level - 1].size(), (u + 1) * kFanOut);
    for (uint64_t c = u * kFanOut; c < stop; ++c) MarkUnit(level - 1, c, marks);
  }
}

// As FoldUnits: the units at the edges on this level, the whole ones between from above.
void LineDetail::MarkUnits(size_t level, uint64_t begin, uint64_t end, Marks& marks) const {
  if (level + 1 < levels_.size()) {
    const uint64_t up_begin = (begin + kFanOut - 1) / kFanOut;
    const uint64_t up_end = end / kFanOut;
    if (up_begin < up_end) {
      for (uint64_t u = begin; u < up_begin * kFanOut; ++u) MarkUnit(level, u, marks);
      MarkUnits(level + 1, up_begin, up_end, marks);
      for (uint64_t u = up_end * kFanOut; u < end; ++u) MarkUnit(level, u, marks);
      return;
    }
  }
  for (uint64_t u = begin; u < end; ++u) MarkUnit(level, u, marks);
}

void LineDetail::MarkPoints(Span span, double lower, double upper, const AxisMap& keys,
                            const AxisMap& values, double row_min, double row_max,
                            std::vector<DetailPoint>& out) const {
  View view;
  if (FewOrNone(span, lower, upper, keys, view, out)) return;
  const int top = static_cast<int>(std::floor(std::max(row_min, -1e6)));
  const int bottom = static_cast<int>(std::floor(std::min(row_max, 1e6)));
  if (bottom < top) return;
  Marks marks{values, top, bottom, FreeRows(top, bottom), out};
  ForEachColumn(view.first, view.end, keys, [&](uint32_t a, uint32_t b) {
    marks.rows.Reset();
    const uint64_t first_unit = (uint64_t{a} + kFanOut - 1) / kFanOut;
    const uint64_t end_unit = b / kFanOut;
    if (first_unit >= end_unit) {
      for (uint32_t i = a; i < b; ++i) MarkSample(i, marks);
      return;
    }
    for (uint32_t i = a; i < first_unit * kFanOut; ++i) MarkSample(i, marks);
    MarkUnits(0, first_unit, end_unit, marks);
    for (uint32_t i = static_cast<uint32_t>(end_unit * kFanOut); i < b; ++i) MarkSample(i, marks);
  });
}

void LineDetail::BarPoints(Span span, double lower, double upper, double margin,
                           const AxisMap& keys, std::vector<DetailPoint>& out) const {
  out.clear();
  const double from = keys.to_coord(keys.to_pixel(lower) - margin);
  const double to = keys.to_coord(keys.to_pixel(upper) + margin);
  uint32_t first = 0, end = 0;
  if (!Visible(span, std::min(from, to), std::max(from, to), first, end)) return;
  const uint64_t n = CountBefore(end) - CountBefore(first);
  const int64_t threshold = ReductionThreshold(std::abs(keys.to_pixel(to) - keys.to_pixel(from)));
  if (static_cast<int64_t>(n) < threshold) {
    AllPoints(first, end, out);
    return;
  }
  ForEachColumn(first, end, keys, [&](uint32_t a, uint32_t b) {
    const Fold f = MinMax(a, b);
    uint32_t at[4] = {a, f.min_at, f.max_at, PrevCounting(b, a)};
    std::sort(at, at + 4);
    for (int k = 0; k < 4; ++k) {
      if (at[k] != kNone && (k == 0 || at[k] != at[k - 1]))
        out.push_back({Key(at[k]), Value(at[k])});
    }
  });
}

size_t LineDetail::MemoryBytes() const {
  size_t bytes = prefix_.capacity() * sizeof(uint32_t) + order_.capacity() * sizeof(uint32_t) +
                 unit_key_.capacity() * sizeof(double);
  for (const std::vector<Unit>& level : levels_) bytes += level.capacity() * sizeof(Unit);
  return bytes;
}

}  // namespace korvan
