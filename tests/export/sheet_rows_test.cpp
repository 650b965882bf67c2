#include "export/sheet_rows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <string>
#include <vector>

#include "support/card_builder.h"
#include "support/measured_line.h"

namespace korvan {
namespace {

using testing::Line;
using testing::MakeStamp;

uint32_t At(int second) {
  return MakeStamp(2026, 1, 1, second / 3600 % 24, second / 60 % 60, second % 60);
}

// Four lines as a long card gives them: every second with milliseconds, every 3 s with gaps,
// one with a stretch stamped back in time (a clock set back: its samples wait through many
// rows), and one with two samples in each second. Values out of range and "no value" words
// leave cells empty.
void FillMeasurement(Measurement& m) {
  m.line_count = 4;
  m.subseconds_present = true;
  m.lines[0] = Line('F', 4, 1.0, 0.0, 900.0, 0.0, "A - a");
  m.lines[1] = Line('U', 2, 0.1, 0.0, 0.0, 0.0, "B - b");
  m.lines[2] = Line('S', 2, 0.01, 0.0, 0.0, 0.0, "C - c");
  m.lines[3] = Line('A', 4, 1.0, 0.0, 0.0, 0.0, "D - d");
  for (int s = 0; s < 2000; ++s) {
    m.buffers[0].Append({At(s), static_cast<uint16_t>(s % 7 * 100),
                         s % 97 ? std::bit_cast<uint32_t>(s * 0.5f) : 0x7FFFFFFFu});
    if (s % 3 == 0 && (s < 500 || s > 800)) {
      m.buffers[1].Append({At(s), 0, static_cast<uint32_t>(s * 13)});
    }
    const int back = s >= 1200 && s < 1300 ? s - 1150 : s;
    m.buffers[2].Append({At(back), 0, static_cast<uint32_t>(-s)});
    for (uint16_t ms : {0, 500}) m.buffers[3].Append({At(s), ms, 0x01000000u | s});
  }
}

// The rows as the walk gives them, each as its texts joined by tabs: what a table keeping
// every row showed.
std::vector<std::string> WalkedRows(Measurement& m, const StampRange& range) {
  std::vector<std::string> rows;
  const int all[] = {0, 1, 2, 3};
  MergeRows(m, all, range, [&](const MergedRow& row) {
    std::string text = TableRowTimeText(row.stamp, row.milliseconds, m.subseconds_present);
    for (int j = 0; j < 4; ++j)
      text += '\t' + (row.present[j] ? ValueCellText(m.lines[j], row.raw[j]) : "");
    rows.push_back(text);
    return true;
  });
  return rows;
}

TEST(SheetRowsTest, RowsMadeFromKeptPositionsEqualTheWholeWalk) {
  Measurement m;
  FillMeasurement(m);
  struct Case {
    uint32_t block_rows;
    StampRange range;
  };
  const Case cases[] = {
      {1, {At(0), At(1999)}},
      {7, {At(0), At(1999)}},
      {7, {At(10), At(1250)}},  // ends within the stretch stamped back
      {SheetRows::kBlockRows, {0, 0xFFFFFFFF}},
  };
  const int all[] = {0, 1, 2, 3};
  const std::string header = "Datum, Čas\tA - a\tB - b\tC - c\tD - d\n";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.block_rows);
    const std::vector<std::string> walked = WalkedRows(m, c.range);
    SheetRows sheet(m, c.block_rows);
    sheet.Build(c.range);
    ASSERT_EQ(sheet.RowCount(), walked.size());
    // Backwards, so that every block is made anew from its position, the last row first; then
    // back and forth across a block boundary.
    const size_t b = std::min<size_t>(c.block_rows * size_t{3}, walked.size() - 2);
    std::vector<size_t> order;
    for (size_t row = walked.size(); row-- > 0;) order.push_back(row);
    order.insert(order.end(), {b - 1, b + 1, 0, b});
    for (size_t row : order) {
      ASSERT_EQ(sheet.SelectionText(row, row, all), header + walked[row] + '\n') << row;
    }
    EXPECT_EQ(sheet.TimeText(walked.size()) + sheet.CellText(0, 4), "");
    // Ctrl+C of rows across blocks.
    std::string copied = header;
    for (size_t row = 5; row <= 40; ++row) copied += walked[row] + '\n';
    EXPECT_EQ(sheet.SelectionText(5, 40, all), copied);
  }
}

TEST(SheetRowsTest, KeepsNoRecordPerRow) {
  Measurement m;
  FillMeasurement(m);
  SheetRows sheet(m);
  sheet.Build({0, 0xFFFFFFFF});
  ASSERT_GT(sheet.RowCount(), 4000u);
  EXPECT_LE(sheet.MemoryBytes(), sheet.RowCount() / 100);
  // Empty range: no rows, no texts.
  sheet.Build({At(5000), At(6000)});
  EXPECT_EQ(sheet.RowCount(), 0u);
  EXPECT_EQ(sheet.TimeText(0), "");
}

}  // namespace
}  // namespace korvan
