#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "data/measurement.h"

namespace korvan {

// A point as the chart takes it: x the date-time, y the physical value.
struct DetailPoint {
  double key = 0;
  double value = 0;
  friend bool operator==(const DetailPoint&, const DetailPoint&) = default;
};

// The date-time the chart plots a sample at; false for a stamp that holds no date.
bool SampleKey(const LogSample& sample, double& key);

// An axis' mapping between coordinates and pixels, as the chart computes it, so that the
// columns found here are the chart's own to the last bit.
struct AxisMap {
  std::function<double(double)> to_pixel;
  std::function<double(double)> to_coord;
};

// What the chart may draw of one line without a copy of its samples: a min/max pyramid over
// the line's sample buffer, built in one pass, about 5 % of the samples' memory. The samples
// that count are those the plot has always taken (stamp within the range, a date, value in
// the line's range); every figure below is exact over them. A line whose stored order is not
// time order (overlapping runs of a clock set back) keeps an index of its samples in time
// order for the range it was built for.
class LineDetail {
 public:
  // Called with i + 1 after sample i whenever i is a multiple of 1024.
  using Progress = std::function<void(uint32_t position)>;
  LineDetail(const MeasuredLine& line, const TBuf& buffer, const StampRange& range,
             const Progress& progress = {});

  // Whether SpanOf can answer for this range (always, unless the samples were out of order).
  bool Covers(const StampRange& range) const;
  bool InTimeOrder() const { return !ordered_; }

  // Positions [begin, end) in time order; the samples of a stamp range lie in one span.
  struct Span {
    uint32_t begin = 0;
    uint32_t end = 0;
  };
  Span SpanOf(const StampRange& range) const;

  // Count of the samples that count, and their extremes (NaN values left out; 1e38 and -1e38
  // when there are none, as the plot's running extremes start).
  struct Extent {
    uint64_t count = 0;
    double value_min = 1e38, value_max = -1e38;
    double key_min = 1e38, key_max = -1e38;
  };
  Extent ExtentOf(Span span) const;

  // The sample nearest in time to x among those within [from, to]; of two equally near the
  // earlier.
  std::optional<DetailPoint> Nearest(Span span, double x, double from, double to) const;

  // The points that draw the line over the visible keys [lower, upper] exactly as all the
  // span's points would: the point before and after the visible keys and, per pixel column of
  // the chart's line reduction, its first, lowest, highest and last point in time order
  // (repeated where the chart reduces only from a number of points on). Few points in view:
  // all of them.
  void LinePoints(Span span, double lower, double upper, const AxisMap& keys,
                  std::vector<DetailPoint>& out) const;
  // Point marks: every distinct pixel position (column, row) once, the earliest sample there;
  // rows outside [row_min, row_max] (beyond what a mark can reach into view) are left out.
  void MarkPoints(Span span, double lower, double upper, const AxisMap& keys, const AxisMap& values,
                  double row_min, double row_max, std::vector<DetailPoint>& out) const;
  // Bars: per pixel column its first, last, lowest and highest sample (bars reaching
  // furthest either side of zero), over the keys a bar can reach into view from (margin
  // pixels either side).
  void BarPoints(Span span, double lower, double upper, double margin, const AxisMap& keys,
                 std::vector<DetailPoint>& out) const;

  size_t MemoryBytes() const;

 private:
  static constexpr uint32_t kNone = 0xFFFFFFFF;
  static constexpr int kFanOut = 64;
  // The extremes are kept beside their positions: reading them from the samples would cost a
  // cache miss each.
  struct Unit {
    double min = 0, max = 0;
    uint32_t min_at = kNone;  // position of the lowest non-NaN sample that counts, or kNone
    uint32_t max_at = kNone;
  };
  struct Fold {
    uint32_t min_at = kNone;
    uint32_t max_at = kNone;
    double min = 0, max = 0;
  };

  // Positions are the samples themselves, or with order_ the samples of range_ in time order.
  uint32_t Positions() const {
    return ordered_ ? static_cast<uint32_t>(order_.size()) : samples_->count();
  }
  uint32_t Stored(uint32_t i) const { return !ordered_ ? i : order_[i]; }
  LogSample At(uint32_t i) const { return samples_->At(Stored(i)); }
  double Key(uint32_t i) const;
  double Value(uint32_t i) const { return ConvertRawValue(line_, samples_->Raw(Stored(i))); }
  bool Counts(uint32_t i) const { return ordered_ || InValueRange(line_, Value(i)); }
  uint32_t NextCounting(uint32_t i, uint32_t end) const;
  uint32_t PrevCounting(uint32_t i, uint32_t begin) const;  // kNone when none
  uint64_t CountBefore(uint32_t i) const;
  uint32_t FirstKeyAtLeast(uint32_t begin, uint32_t end, double key) const;
  uint32_t FirstKeyAbove(uint32_t begin, uint32_t end, double key) const;
  // Widens the extremes of a unit or a fold by the value of position i.
  template <typename Extremes>
  static void Widen(Extremes& e, uint32_t i, double value) {
    if (e.min_at == kNone || value < e.min) {
      e.min_at = i;
      e.min = value;
    }
    if (e.max_at == kNone || value > e.max) {
      e.max_at = i;
      e.max = value;
    }
  }
  void TakeSample(uint32_t i, Fold& f) const;
  static void TakeUnit(const Unit& unit, Fold& f);
  void FoldSamples(uint32_t begin, uint32_t end, Fold& f) const;
  void FoldUnits(size_t level, uint64_t begin, uint64_t end, Fold& f) const;
  Fold MinMax(uint32_t begin, uint32_t end) const;
  // The chart's visible positions: from the last point before lower to the first after upper.
  bool Visible(Span span, double lower, double upper, uint32_t& first, uint32_t& end) const;
  // Calls column(first, end) for each pixel column of points, as the chart's reduction
  // groups them: a column starts at its first point's pixel and holds the points less than
  // one pixel further.
  template <typename Column>
  void ForEachColumn(uint32_t first, uint32_t end, const AxisMap& keys, Column column) const;
  void AllPoints(uint32_t first, uint32_t end, std::vector<DetailPoint>& out) const;
  // What a drawing of [lower, upper] sees: positions [first, end), how many points count there
  // and from how many the chart reduces them.
  struct View {
    uint32_t first = 0, end = 0;
    uint64_t count = 0;
    int64_t threshold = 0;
  };
  // True when the view asks for nothing more: none of it is visible, or so few points that the
  // chart draws them one by one (then they are all in out).
  bool FewOrNone(Span span, double lower, double upper, const AxisMap& keys, View& view,
                 std::vector<DetailPoint>& out) const;
  // The point marks of one pixel column: its free rows, the rows that can show, the marks.
  struct Marks;
  void MarkSample(uint32_t i, Marks& marks) const;
  // A unit is opened only while a row its values reach is still free in the column.
  void MarkUnit(size_t level, uint64_t u, Marks& marks) const;
  void MarkUnits(size_t level, uint64_t begin, uint64_t end, Marks& marks) const;
  // False when the samples are not in time order: what it built is then of no use.
  bool Build(const Progress& progress);
  class BasePass;
  void BuildOrdered(const StampRange& range);
  void BuildLevels();

  MeasuredLine line_;
  const TBuf* samples_;
  std::vector<uint32_t> order_;   // only for samples out of time order: the positions' samples
  bool ordered_ = false;          // positions go through order_
  StampRange range_;              // with order_: the range it holds
  std::vector<uint32_t> prefix_;  // samples that count before each 64-sample unit
  std::vector<double> unit_key_;  // the key of each 64-sample unit's first position
  std::vector<std::vector<Unit>> levels_;  // level k: units of 64^(k+1) positions
  // The last keys looked up (one thread): their run, their day.
  mutable TimeHint hint_;
  mutable int64_t hint_day_ = -1;
  mutable double hint_day_value_ = 0;
  mutable uint32_t day_key_ = 0xFFFFFFFF;
  mutable double day_ = 0;
};

}  // namespace korvan
