#include "export/export.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/cp1250.h"
#include "support/card_builder.h"
#include "support/fake_dialogs.h"
#include "support/file_size_limit.h"
#include "support/measured_line.h"
#include "support/string_sink.h"
#include "support/temp_dir.h"

namespace korvan {
namespace {

using testing::FloatBits;
using testing::Line;
using testing::MakeStamp;

TEST(ValueCellTextTest, Formats) {
  struct Case {
    MeasuredLine line;
    uint32_t raw;
    const char* text;
  };
  const Case cases[] = {
      {Line('U', 4, 1), 12, "12"},
      {Line('U', 4, 0.1), 12, "1.2"},
      {Line('U', 4, 0.01), 12, "0.12"},
      {Line('U', 4, 0.0999), 12, "1.20"},  // just below 0.1: two decimals
      {Line('U', 4, 0.9999), 12, "12.0"},  // not above 0.9999: one decimal
      {Line('U', 4, 1), 5, "5"},
      {Line('U', 4, 1, 0, 0, 0.5), 2, "2"},  // 2.5 rounds to even, as printf does
      {Line('U', 4, 1, 0, 0, 0.5), 3, "4"},
      {Line('U', 4, 0), 12, "0.00"},
      {Line('U', 4, -1), 12, "-12.00"},
      {Line('S', 2, 1), 0xFFFF, "-1"},
      {Line('U', 4, 1), 0xFFFFFFFF, "4294967295"},
      {Line('U', 4, 1, 0, 100), 120, ""},  // out of range
      {Line('U', 4, 1, 0, 0), 120, "120"},
      {Line('U', 4, 1, 0, 100), 100, "100"},
      {Line('F', 4, 1), FloatBits(0.000012f), "1.2E-05"},
      {Line('F', 4, 1), FloatBits(21.5f), "21.5"},
      {Line('F', 4, 1), FloatBits(1234567.0f), "1.23457E+06"},
      {Line('F', 4, 1), FloatBits(123456.0f), "123456"},
      {Line('F', 4, 1), FloatBits(0.0001f), "0.0001"},
      {Line('f', 4, 1), FloatBits(-3.0f), "-3"},
      {Line('F', 4, 1), 0x7FFFFFFF, ""},
      {Line('F', 4, 1), 0xFFFFFFFF, ""},
      {Line('F', 4, 1, 0, 10), FloatBits(11.0f), ""},
      {Line('A', 4, 1), 0x02000019, "2500"},
      {Line('A', 4, 1), 0x82800019, "-0.25"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ValueCellText(c.line, c.raw), c.text)
        << c.line.type_letter << " m=" << c.line.multiplier << " raw=" << c.raw;
  }
}

TEST(RowTimeTextTest, ExportAndTable) {
  const uint32_t stamp = MakeStamp(2006, 3, 5, 8, 7, 6);
  std::string text;
  AppendExportRowTime(stamp, 259, false, text);
  EXPECT_EQ(text, " 5.03.2006;08:07:06;");
  text.clear();
  AppendExportRowTime(stamp, 259, true, text);
  EXPECT_EQ(text, " 5.03.2006;08:07:06.25;");
  text.clear();
  AppendExportRowTime(MakeStamp(2063, 12, 31, 23, 59, 59), 999, true, text);
  EXPECT_EQ(text, "31.12.2063;23:59:59.99;");
  EXPECT_EQ(TableRowTimeText(stamp, 250, true), " 5.03.2006, 08:07:06.25");
  EXPECT_EQ(TableRowTimeText(stamp, 0, false), " 5.03.2006, 08:07:06");
}

class ExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m.line_count = 3;
    m.lines[0] = Line('F', 4, 1);
    m.lines[0].caption = "Elektroměr - Teplota";
    m.lines[1] = Line('U', 4, 1, 0, 100);
    m.lines[1].caption = "B - Tlak";
    m.lines[2] = Line('U', 4, 0.1);
    m.lines[2].caption = "C - Proud";
  }
  void Add(int line, uint32_t stamp, uint16_t ms, uint32_t raw) {
    m.buffers[line].Append({stamp, ms, raw});
  }
  std::string Export(std::vector<int> lines, StampRange range, char separator = ',') {
    testing::StringSink sink;
    EXPECT_TRUE(WriteExport(m, lines, range, separator, sink));
    return sink.bytes;
  }
  static constexpr StampRange kAll{0, 0xFFFFFFFF};
  Measurement m;
};

TEST_F(ExportTest, BytesOfASmallMeasurement) {
  const uint32_t t = MakeStamp(2006, 3, 5, 8, 7, 6);
  Add(0, t, 0, FloatBits(21.5f));
  Add(2, t, 0, 30);
  Add(1, t + 1, 0, 120);  // out of range: empty cell
  Add(2, t + 1, 0, 5);
  const std::string expected =
      Utf8ToCp1250("Datum;Čas;Elektroměr - Teplota;B - Tlak;C - Proud\r\n") +
      " 5.03.2006;08:07:06;21,5;;3,0\r\n"
      " 5.03.2006;08:07:07;;;0,5\r\n";
  EXPECT_EQ(Export({0, 1, 2}, kAll), expected);
  EXPECT_EQ(Export({2, 0, 1}, kAll), expected);  // columns in line order
  EXPECT_EQ(Export({0, 1, 2}, kAll, '.'),
            Utf8ToCp1250("Datum;Čas;Elektroměr - Teplota;B - Tlak;C - Proud\r\n") +
                " 5.03.2006;08:07:06;21.5;;3.0\r\n 5.03.2006;08:07:07;;;0.5\r\n");
}

TEST_F(ExportTest, SubsecondsGiveOneRowPerMillisecondTime) {
  m.subseconds_present = true;
  const uint32_t t = MakeStamp(2006, 3, 5, 8, 7, 6);
  Add(0, t, 0, FloatBits(1));
  Add(0, t, 500, FloatBits(2));
  Add(2, t, 500, 10);
  Add(2, t + 1, 0, 20);
  EXPECT_EQ(Export({2, 0}, kAll), Utf8ToCp1250("Datum;Čas;Elektroměr - Teplota;C - Proud\r\n") +
                                      " 5.03.2006;08:07:06.00;1;\r\n"
                                      " 5.03.2006;08:07:06.50;2;1,0\r\n"
                                      " 5.03.2006;08:07:07.00;;2,0\r\n");
}

TEST_F(ExportTest, RangeEndsAreInclusiveToTheSecond) {
  m.subseconds_present = true;
  const uint32_t t = MakeStamp(2006, 3, 5, 8, 7, 6);
  for (uint32_t s = 0; s < 5; ++s) Add(2, t + s, 900, 10 * s);
  const std::string rows = Export({2}, {t + 1, t + 3});
  EXPECT_EQ(rows, Utf8ToCp1250("Datum;Čas;C - Proud\r\n") +
                      " 5.03.2006;08:07:07.90;1,0\r\n"
                      " 5.03.2006;08:07:08.90;2,0\r\n"
                      " 5.03.2006;08:07:09.90;3,0\r\n");
  // An empty range, and a range before all samples, give the header only.
  EXPECT_EQ(Export({2}, {t + 10, t + 20}), Utf8ToCp1250("Datum;Čas;C - Proud\r\n"));
  EXPECT_EQ(Export({}, kAll),
            "Datum;\xC8"
            "as;\r\n");
}

TEST_F(ExportTest, MergeRowsWalksEachLineOnceInTimeOrder) {
  const uint32_t t = MakeStamp(2010, 1, 1, 0, 0, 0);
  for (uint32_t s = 0; s < 10; s += 2) Add(0, t + s, 0, s);
  for (uint32_t s = 0; s < 10; s += 3) Add(1, t + s, 0, s);
  std::vector<int> lines{0, 1};
  std::vector<std::string> rows;
  MergeRows(m, lines, {t, t + 9}, [&](const MergedRow& row) {
    std::string r = std::to_string(row.stamp - t) + ":";
    for (size_t j = 0; j < 2; ++j) r += row.present[j] ? std::to_string(row.raw[j]) : "-";
    rows.push_back(r);
    return true;
  });
  EXPECT_EQ(rows,
            (std::vector<std::string>{"0:00", "2:2-", "3:-3", "4:4-", "6:66", "8:8-", "9:-9"}));
  EXPECT_EQ(m.buffers[0].cursor(), 5u);
}

TEST_F(ExportTest, FileIsCreatedWholeOrReported) {
  testing::TempDir dir;
  testing::FakeDialogs dialogs;
  Add(0, MakeStamp(2006, 3, 5, 8, 7, 6), 0, FloatBits(1));
  std::vector<int> lines{0};
  testing::WriteBytes(dir.File("out.csv"), "old");
  ASSERT_TRUE(ExportToFile(dir.File("out.csv"), m, lines, kAll, ',', dialogs));
  EXPECT_EQ(testing::ReadBytes(dir.File("out.csv")),
            Utf8ToCp1250("Datum;Čas;Elektroměr - Teplota\r\n 5.03.2006;08:07:06;1\r\n"));
  EXPECT_TRUE(dialogs.messages.empty());

  EXPECT_FALSE(ExportToFile(dir.File("missing/out.csv"), m, lines, kAll, ',', dialogs));
  EXPECT_EQ(dialogs.Texts("error"), std::vector<std::string>{"Soubor exportu nelze vytvořit!\n" +
                                                             dir.File("missing/out.csv") +
                                                             ": soubor nebo složka neexistuje."});
}

TEST_F(ExportTest, WriteErrorIsReportedAndLeavesNoFile) {
  // A file-size limit makes write() fail part-way, as a full card would.
  for (uint32_t i = 0; i < 100000; ++i) Add(0, MakeStamp(2006, 3, 5, 0, 0, 0) + i, 0, i);
  testing::TempDir dir;
  testing::FakeDialogs dialogs;
  std::vector<int> lines{0};
  bool ok = true;
  {
    const testing::FileSizeLimit limit(64 * 1024);
    ok = ExportToFile(dir.File("out.csv"), m, lines, kAll, ',', dialogs);
  }
  EXPECT_FALSE(ok);
  EXPECT_EQ(dialogs.Texts("error"),
            std::vector<std::string>{"Chyba při zápisu souboru exportu!\n" + dir.File("out.csv") +
                                     ": soubor je příliš velký."});
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

}  // namespace
}  // namespace korvan
