#include "export/xlsx_export.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <regex>
#include <string>
#include <vector>

// gcc tells AddressSanitizer by a macro, clang by a feature.
#if defined(__SANITIZE_ADDRESS__)
#define KORVAN_LSAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KORVAN_LSAN 1
#endif
#endif
#if defined(KORVAN_LSAN)
#include <sanitizer/lsan_interface.h>
#endif

#include "app/date_time.h"
#include "export/export_aggregate.h"
#include "export/export_format.h"
#include "platform/files.h"
#include "platform/folder_lock.h"
#include "support/card_builder.h"
#include "support/child_process.h"
#include "support/fake_dialogs.h"
#include "support/file_size_limit.h"
#include "support/measured_line.h"
#include "support/temp_dir.h"

namespace korvan {
namespace {

using testing::FloatBits;
using testing::Line;
using testing::MakeStamp;

// A member of the workbook's zip, as unzip gives it.
std::string Member(const std::string& workbook, const std::string& member) {
  const std::string command = "unzip -p '" + workbook + "' '" + member + "' 2>/dev/null";
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return out;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  pclose(pipe);
  return out;
}

struct Cell {
  std::string style;  // the s attribute: which number format
  std::string type;   // "" for a number, "inlineStr" for text
  std::string text;   // the number or the string
};

// The cells of a sheet by reference ("A1").
std::map<std::string, Cell> Cells(const std::string& sheet_xml) {
  static const std::regex cell(
      R"re(<c r="([A-Z]+[0-9]+)"(?: s="([0-9]+)")?(?: t="(\w+)")?>(?:<v>([^<]*)</v>|<is><t>([^<]*)</t></is>))re");
  std::map<std::string, Cell> cells;
  for (auto it = std::sregex_iterator(sheet_xml.begin(), sheet_xml.end(), cell);
       it != std::sregex_iterator(); ++it) {
    const auto& m = *it;
    cells[m[1]] = {m[2], m[3], m[4].matched ? m[4].str() : m[5].str()};
  }
  return cells;
}

class XlsxExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m.line_count = 3;
    m.lines[0] = Line('F', 4, 1, 0, 0, 0, "Elektroměr - Teplota [°C]");
    m.lines[1] = Line('U', 4, 1, 0, 100, 0, "B - Tlak");
    m.lines[2] = Line('U', 4, 0.1, 0, 0, 0, "C - Proud");
  }
  void Add(int line, uint32_t stamp, uint16_t ms, uint32_t raw) {
    m.buffers[line].Append({stamp, ms, raw});
  }
  bool Export(uint32_t rows_per_sheet = kXlsxRowsPerSheet) {
    std::vector<int> lines{2, 0, 1};
    return ExportXlsxToFile(path(), m, lines, {0, 0xFFFFFFFF}, dialogs, {}, rows_per_sheet);
  }
  std::string path() const { return dir.File("out.xlsx"); }
  // The number format of a cell's style, from styles.xml (built-in formats have none).
  std::string FormatOf(const Cell& cell) {
    const std::string styles = Member(path(), "xl/styles.xml");
    const std::string xfs = styles.substr(styles.find("<cellXfs"));
    static const std::regex xf(R"re(<xf numFmtId="([0-9]+)")re");
    std::vector<std::string> ids;
    for (auto it = std::sregex_iterator(xfs.begin(), xfs.end(), xf); it != std::sregex_iterator();
         ++it) {
      ids.push_back((*it)[1]);
    }
    const size_t index = cell.style.empty() ? 0 : std::stoul(cell.style);
    if (index >= ids.size()) return "?";
    std::smatch code;
    const std::regex fmt("<numFmt numFmtId=\"" + ids[index] + "\" formatCode=\"([^\"]*)\"");
    return std::regex_search(styles, code, fmt) ? code[1].str() : "builtin " + ids[index];
  }

  Measurement m;
  testing::TempDir dir;
  testing::FakeDialogs dialogs;
};

TEST_F(XlsxExportTest, CellsAreDateTimesAndPhysicalValues) {
  const uint32_t t = MakeStamp(2006, 3, 5, 8, 7, 6);
  Add(0, t, 0, FloatBits(21.5f));
  Add(2, t, 0, 35);
  Add(1, t + 1, 0, 120);  // out of range: empty, as in the text export
  Add(2, t + 1, 0, 5);
  Add(1, t + 2, 0, 7);
  ASSERT_TRUE(Export());
  EXPECT_TRUE(dialogs.messages.empty());
  const auto cells = Cells(Member(path(), "xl/worksheets/sheet1.xml"));

  EXPECT_EQ(cells.at("A1").text, "Datum, Čas");
  EXPECT_EQ(cells.at("B1").text, "Elektroměr - Teplota [°C]");
  EXPECT_EQ(cells.at("C1").text, "B - Tlak");
  EXPECT_EQ(cells.at("D1").text, "C - Proud");
  EXPECT_EQ(cells.at("B1").type, "inlineStr");

  // 5.3.2006 is day 38781 of the spreadsheet's calendar.
  EXPECT_NEAR(std::stod(cells.at("A2").text),
              38781 + (8 * 3600 + 7 * 60 + 6) / static_cast<double>(kSecondsPerDay), 1e-9);
  EXPECT_NEAR(std::stod(cells.at("A4").text),
              38781 + (8 * 3600 + 7 * 60 + 8) / static_cast<double>(kSecondsPerDay), 1e-9);
  EXPECT_EQ(FormatOf(cells.at("A2")), "d.m.yyyy h:mm:ss");
  EXPECT_EQ(cells.at("A2").type, "");

  EXPECT_EQ(cells.at("B2").text, "21.5");
  EXPECT_EQ(FormatOf(cells.at("B2")), "builtin 0");  // general, like %G
  EXPECT_EQ(cells.count("C2"), 0u);
  EXPECT_EQ(cells.at("D2").text, "3.5");
  EXPECT_EQ(FormatOf(cells.at("D2")), "0.0");
  EXPECT_EQ(cells.count("B3") + cells.count("C3"), 0u);
  EXPECT_EQ(cells.at("D3").text, "0.5");
  EXPECT_EQ(cells.at("C4").text, "7");
  EXPECT_EQ(FormatOf(cells.at("C4")), "0");
  EXPECT_EQ(cells.count("A5"), 0u);

  const std::string sheet = Member(path(), "xl/worksheets/sheet1.xml");
  EXPECT_NE(sheet.find("<autoFilter ref=\"A1:D4\"/>"), std::string::npos);
  EXPECT_NE(sheet.find("state=\"frozen\""), std::string::npos);
}

// A single-precision value is written as the shortest decimal of the float, and numbers keep
// "." whatever the program's locale (here one with a decimal comma, made for the test).
TEST_F(XlsxExportTest, SingleValuesAreShortestAndNumbersIgnoreTheLocale) {
  const uint32_t t = MakeStamp(2006, 3, 5, 8, 0, 0);
  const std::pair<float, const char*> values[] = {
      {71.35638f, "71.35638"}, {0.1f, "0.1"}, {-1e-7f, "-1E-07"}, {3.4e38f, "3.4E+38"}};
  for (uint32_t i = 0; i < std::size(values); ++i) Add(0, t + i, 0, FloatBits(values[i].first));
  Add(2, t, 0, 35);
  const std::string locales = dir.File("locales");
  testing::WriteBytes(dir.File("comma.src"),
                      "LC_NUMERIC\ndecimal_point \"<U002C>\"\nthousands_sep \"\"\n"
                      "grouping -1\nEND LC_NUMERIC\n");
  const std::string make =
      "localedef -c -i '" + dir.File("comma.src") + "' '" + locales + "/comma' >/dev/null 2>&1";
  ASSERT_EQ(std::system(("mkdir -p '" + locales + "'").c_str()), 0);
  std::system(make.c_str());
  locale_t comma;
  {
#if defined(KORVAN_LSAN)
    // glibc keeps the list LOCPATH names for the rest of the process.
    const __lsan::ScopedDisabler kept_by_glibc;
#endif
    setenv("LOCPATH", locales.c_str(), 1);
    comma = newlocale(LC_NUMERIC_MASK, "comma", static_cast<locale_t>(0));
    unsetenv("LOCPATH");
  }
  for (bool in_comma_locale : {false, true}) {
    SCOPED_TRACE(in_comma_locale);
    if (in_comma_locale && comma == static_cast<locale_t>(0)) continue;  // no localedef here
    const locale_t saved = in_comma_locale ? uselocale(comma) : uselocale(nullptr);
    const bool ok = Export();
    uselocale(saved);
    ASSERT_TRUE(ok);
    const auto cells = Cells(Member(path(), "xl/worksheets/sheet1.xml"));
    for (uint32_t i = 0; i < std::size(values); ++i) {
      EXPECT_EQ(cells.at("B" + std::to_string(i + 2)).text, values[i].second);
    }
    EXPECT_EQ(cells.at("D2").text, "3.5");
  }
  if (comma != static_cast<locale_t>(0)) freelocale(comma);
}

TEST_F(XlsxExportTest, SubsecondsAndSheetSplit) {
  m.subseconds_present = true;
  const uint32_t t = MakeStamp(2020, 1, 1, 0, 0, 0);
  for (uint16_t i = 0; i < 5; ++i) Add(2, t, static_cast<uint16_t>(i * 200), i);
  ASSERT_TRUE(Export(2));
  const std::string workbook = Member(path(), "xl/workbook.xml");
  for (const char* name : {"List 1", "List 2", "List 3"}) {
    EXPECT_NE(workbook.find(std::string("name=\"") + name + "\""), std::string::npos) << name;
  }
  const auto third = Cells(Member(path(), "xl/worksheets/sheet3.xml"));
  EXPECT_EQ(third.at("A1").text, "Datum, Čas");
  EXPECT_EQ(third.at("D1").text, "C - Proud");
  // The fifth sample, 0.8 s after midnight, alone on the third sheet.
  EXPECT_NEAR(std::stod(third.at("A2").text), 43831 + 0.8 / kSecondsPerDay, 1e-9);
  EXPECT_EQ(FormatOf(third.at("A2")), "d.m.yyyy h:mm:ss.00");
  EXPECT_EQ(third.at("D2").text, "0.4");
  EXPECT_EQ(third.count("A3"), 0u);
  EXPECT_EQ(Cells(Member(path(), "xl/worksheets/sheet2.xml")).count("A3"), 1u);
}

TEST_F(XlsxExportTest, AggregatedWorkbookHoldsPeriodStartsAndFigures) {
  const uint32_t t = MakeStamp(2006, 3, 5, 8, 0, 0);
  Add(2, t + 10, 0, 10);
  Add(2, t + 20, 0, 30);
  Add(2, MakeStamp(2006, 3, 5, 10, 0, 0), 0, 50);  // the hour between is an empty row
  AggregateOptions options;
  options.period_seconds = 3600;
  options.minimum = false;
  options.count = true;
  std::vector<int> lines{2};
  ASSERT_TRUE(ExportAggregatedToFile(path(), ExportFormat::kXlsx, m, lines, {0, 0xFFFFFFFF},
                                     options, ',', dialogs));
  const auto cells = Cells(Member(path(), "xl/worksheets/sheet1.xml"));
  EXPECT_EQ(cells.at("B1").text, "C - Proud – průměr");
  EXPECT_EQ(cells.at("D1").text, "C - Proud – počet");
  EXPECT_NEAR(std::stod(cells.at("A2").text), 38781 + 8 / 24.0, 1e-9);
  EXPECT_EQ(FormatOf(cells.at("A2")), "d.m.yyyy h:mm:ss");
  EXPECT_EQ(cells.at("B2").text, "2");
  EXPECT_EQ(FormatOf(cells.at("B2")), "0.0");
  EXPECT_EQ(cells.at("C2").text, "3");
  EXPECT_EQ(cells.at("D2").text, "2");
  EXPECT_EQ(FormatOf(cells.at("D2")), "0");
  EXPECT_NEAR(std::stod(cells.at("A3").text), 38781 + 9 / 24.0, 1e-9);
  EXPECT_EQ(cells.count("B3") + cells.count("C3"), 0u);
  EXPECT_EQ(cells.at("D3").text, "0");
  EXPECT_EQ(cells.at("B4").text, "5");
}

TEST_F(XlsxExportTest, FailureLeavesTheOldFileAndNothingElse) {
  for (uint32_t i = 0; i < 200000; ++i)
    Add(2, MakeStamp(2006, 3, 5, 0, 0, 0) + i, 0, i * 2654435761u);
  testing::WriteBytes(path(), "old");
  const auto open_files = [] {
    return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {});
  };
  const auto open_before = open_files();
  bool ok = true;
  {
    const testing::FileSizeLimit limit(64 * 1024);
    ok = Export();
  }
  EXPECT_FALSE(ok);
  EXPECT_EQ(open_files(), open_before);
  EXPECT_EQ(dialogs.Texts("error"), std::vector<std::string>{ExportFailureText(
                                        kExportWriteFailed, path(), "soubor je příliš velký")});
  EXPECT_EQ(testing::ReadBytes(path()), "old");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);

  std::vector<int> lines{0};
  const std::string missing = dir.File("missing/out.xlsx");
  EXPECT_FALSE(ExportXlsxToFile(missing, m, lines, {0, 1}, dialogs));
  EXPECT_EQ(dialogs.Texts("error").back(),
            ExportFailureText(kExportCreateFailed, missing, "soubor nebo složka neexistuje"));
}

// The library writes its spool and the parts it zips without checking a write. Whatever the
// point where the disk fills (here a file-size limit near the sheet's size, so that the spool
// fits and its copy into the sheet, or the last row, does not), the export fails and leaves
// the old file, or the workbook holds every row.
TEST_F(XlsxExportTest, AWorkbookIsWholeOrNotWrittenWhereverTheDiskFills) {
  constexpr uint32_t kRows = 3000;
  for (uint32_t i = 0; i < kRows; ++i) Add(2, MakeStamp(2006, 3, 5, 0, 0, 0) + i, 0, i * 7919u);
  ASSERT_TRUE(Export());
  const size_t sheet_size = Member(path(), "xl/worksheets/sheet1.xml").size();
  const std::string last_row = "<row r=\"" + std::to_string(kRows + 1) + "\"";
  int failures = 0;
  for (size_t limit = sheet_size - 500; limit <= sheet_size + 100; limit += 50) {
    SCOPED_TRACE(limit);
    testing::WriteBytes(path(), "old");
    bool ok = true;
    {
      const testing::FileSizeLimit file_size_limit(limit);
      ok = Export();
    }
    if (ok) {
      const std::string sheet = Member(path(), "xl/worksheets/sheet1.xml");
      EXPECT_NE(sheet.find(last_row), std::string::npos);
      EXPECT_TRUE(sheet.ends_with("</worksheet>"));
    } else {
      ++failures;
      EXPECT_EQ(testing::ReadBytes(path()), "old");
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
  }
  EXPECT_GT(failures, 0);
}

// A terminating signal in the middle of a workbook leaves nothing of it; a temporary of a live
// export is never taken for one a killed writer left.
TEST_F(XlsxExportTest, TemporariesFollowTheProgramsRule) {
  for (uint32_t i = 0; i < 5000; ++i) Add(2, MakeStamp(2006, 3, 5, 0, 0, 0) + i, 0, i);
  testing::WriteBytes(path(), "old");
  for (bool named : {false, true}) {
    SCOPED_TRACE(named);
    const int status = testing::StatusOfChild([&] {
      RemoveTemporaryFilesOnSignals();
      UseNamedTemporaryFiles(named);
      const int lines[] = {2};
      ExportProgress progress;
      progress.position = [](uint32_t position) {
        if (position >= 2560) raise(SIGTERM);
      };
      ExportXlsxToFile(path(), m, lines, {0, 0xFFFFFFFF}, dialogs, progress);
    });
    EXPECT_TRUE(testing::KilledBy(status, SIGTERM)) << status;
    EXPECT_EQ(testing::ReadBytes(path()), "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
  }

  UseNamedTemporaryFiles(true);
  int removed = -1;
  ExportProgress progress;
  progress.position = [&](uint32_t) {
    if (removed < 0) removed = RemoveStaleTemporaries(dir.path());
  };
  const int lines[] = {2};
  EXPECT_TRUE(ExportXlsxToFile(path(), m, lines, {0, 0xFFFFFFFF}, dialogs, progress));
  UseNamedTemporaryFiles(false);
  EXPECT_EQ(removed, 0);
  EXPECT_EQ(Cells(Member(path(), "xl/worksheets/sheet1.xml")).count("B5001"), 1u);
}

}  // namespace
}  // namespace korvan
