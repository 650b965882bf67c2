#include "export/row_output.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "export/export_aggregate.h"
#include "support/card_builder.h"
#include "support/measured_line.h"

namespace korvan {
namespace {

using testing::FloatBits;
using testing::Line;
using testing::MakeStamp;

// A format that keeps what the drivers hand it; NaN kept as -1 to compare rows whole.
struct Recording : RowOutput {
  bool Begin(bool, std::span<const OutputColumn> given) override {
    columns.assign(given.begin(), given.end());
    return true;
  }
  bool Row(uint32_t stamp, uint16_t, std::span<const double> values) override {
    if (rows.size() + 1 == refuse_at) return false;
    std::vector<double> row{static_cast<double>(stamp)};
    for (double v : values) row.push_back(std::isnan(v) ? -1 : v);
    rows.push_back(row);
    return true;
  }
  bool End() override { return ++ended > 0; }
  void Fail() override { ++failed; }

  std::vector<OutputColumn> columns;
  std::vector<std::vector<double>> rows;
  size_t refuse_at = 0;
  int ended = 0;
  int failed = 0;
};

class RowOutputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m.line_count = 3;
    m.lines[0] = Line('F', 4, 1, 0, 0, 0, "T");
    m.lines[1] = Line('U', 4, 0.1, 0, 10, 0, "P");  // raw above 100 is out of range
    m.lines[2] = Line('U', 2, 1, 0, 0, 0, "N");
  }
  Measurement m;
  const uint32_t t = MakeStamp(2006, 3, 5, 8, 0, 0);
};

// Any format gets each chosen line once, in line order, with its rule, and NaN where the text
// leaves a cell empty.
TEST_F(RowOutputTest, SampleRowsGiveEachChosenLineOnceAndEmptyCellsAsNaN) {
  m.buffers[1].Append({t, 0, 35});
  m.buffers[1].Append({t + 1, 0, 200});
  m.buffers[0].Append({t + 1, 0, FloatBits(2.5f)});
  const std::vector<int> lines{1, 9, 0, 1, -1};
  Recording out;
  ASSERT_TRUE(WriteSampleRows(m, lines, {0, 0xFFFFFFFF}, out));
  ASSERT_EQ(out.columns.size(), 2u);
  EXPECT_EQ(out.columns[0].caption, "T");
  EXPECT_TRUE(out.columns[0].rule.general && out.columns[0].single);
  EXPECT_EQ(out.columns[1].caption, "P");
  EXPECT_TRUE(!out.columns[1].rule.general && out.columns[1].rule.decimals == 1);
  EXPECT_FALSE(out.columns[1].single || out.columns[1].count);
  const std::vector<std::vector<double>> rows{{double(t), -1, 3.5}, {double(t + 1), 2.5, -1}};
  EXPECT_EQ(out.rows, rows);
  EXPECT_EQ(out.ended + 10 * out.failed, 1);
}

// The progress of a format that takes its rows one at a time: every 256 samples of the first
// line, the count only when all rows are written, and a refused row ends in Fail, not End.
TEST_F(RowOutputTest, RowByRowProgressAndRefusal) {
  for (uint32_t i = 0; i < 600; ++i) m.buffers[2].Append({t + i, 0, i});
  for (size_t refuse_at : {size_t{0}, size_t{300}}) {
    SCOPED_TRACE(refuse_at);
    std::vector<uint32_t> positions;
    std::vector<uint64_t> counts;
    ExportProgress progress;
    progress.position = [&](uint32_t p) { positions.push_back(p); };
    progress.rows = [&](uint64_t n) { counts.push_back(n); };
    Recording out;
    out.refuse_at = refuse_at;
    const std::vector<int> lines{2};
    EXPECT_EQ(WriteSampleRows(m, lines, {0, 0xFFFFFFFF}, out, progress), refuse_at == 0);
    using Positions = std::vector<uint32_t>;
    using Counts = std::vector<uint64_t>;
    EXPECT_EQ(positions, refuse_at ? Positions{256} : Positions({256, 512}));
    EXPECT_EQ(counts, refuse_at ? Counts{} : Counts{600});
    EXPECT_EQ(out.ended + 10 * out.failed, refuse_at ? 10 : 1);
  }
}

TEST_F(RowOutputTest, PeriodRowsMarkTheCountColumns) {
  m.buffers[1].Append({t + 10, 0, 10});
  m.buffers[1].Append({t + 20, 0, 30});
  AggregateOptions options;
  options.period_seconds = 3600;
  options.minimum = options.maximum = false;
  options.count = true;
  const std::vector<int> lines{1, 1};
  Recording out;
  ASSERT_TRUE(WritePeriodRows(m, lines, {0, 0xFFFFFFFF}, options, out));
  ASSERT_EQ(out.columns.size(), 2u);
  EXPECT_EQ(out.columns[0].caption, "P – průměr");
  EXPECT_EQ(out.columns[1].caption, "P – počet");
  EXPECT_FALSE(out.columns[0].count);
  EXPECT_TRUE(out.columns[1].count);
  EXPECT_EQ(out.columns[0].rule.decimals, 1);
  EXPECT_EQ(out.rows, (std::vector<std::vector<double>>{{double(t), 2, 2}}));
}

}  // namespace
}  // namespace korvan
