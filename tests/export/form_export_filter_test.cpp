#include "export/form_export_filter.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QTimer>
#include <string>
#include <vector>

#include "export/export.h"
#include "export/periods.h"
#include "graph/form_graph.h"
#include "shell/form_windows.h"
#include "support/card_builder.h"
#include "support/qt/graph_window_fixture.h"
#include "support/temp_dir.h"

namespace korvan {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::ThreeLines;

uint32_t SecondsOf(const char* token) {
  uint32_t seconds = 0;
  EXPECT_TRUE(ParsePeriod(token, seconds)) << token;
  return seconds;
}

class ExportTest : public testing::GraphWindowTest {
 protected:
  TFormGraph& Open(const testing::CardBuilder& card) {
    TFormGraph& g = GraphWindowTest::Open(card);
    EXPECT_TRUE(g.Loaded());
    return g;
  }

  // "&Export" with the given entries selected in the filter and the period of these seconds
  // chosen, 0 for every sample (or cancel). The period the filter opened with is kept in
  // opened_period_; a filter that OK left open is cancelled (left_open_).
  void Export(TFormGraph& g, std::vector<int> rows, bool ok = true, uint32_t period = 0) {
    TFormExportFilter* filter = app_.ExportFilter();
    QTimer::singleShot(0, filter, [=, this] {
      entries_.clear();
      for (int i = 0; i < filter->ListBox1->count(); ++i) {
        entries_ << filter->ListBox1->item(i)->text();
      }
      opened_period_ = filter->PeriodSeconds();
      const int item = filter->ComboInterval->findData(period);
      EXPECT_GE(item, 0) << period;
      filter->ComboInterval->setCurrentIndex(item);
      for (int r : rows) filter->ListBox1->item(r)->setSelected(true);
      if (ok) {
        filter->ButtonOKClick();
        left_open_ = filter->isVisible();
        if (left_open_) filter->reject();
      } else {
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(filter, &escape);
      }
    });
    g.ButtonExportClick();
  }
  QStringList entries_;
  int64_t opened_period_ = -1;
  bool left_open_ = false;
  TempDir out_;
};

TEST_F(ExportTest, ChosenLinesComeInLineOrder) {
  TFormGraph& g = Open(ThreeLines(false));
  dialogs_.file_names.push_back(out_.File("data"));
  Export(g, {2, 0});
  EXPECT_EQ(entries_, (QStringList{"1.  A - a", "2.  B - b", "3.  C - c"}));
  ASSERT_EQ(dialogs_.file_dialogs.size(), 1u);
  EXPECT_EQ(dialogs_.file_dialogs[0].title, "Uložení dat");
  EXPECT_EQ(dialogs_.file_dialogs[0].filter,
            "Formátovaný text *.csv|*.csv|Sešit Excel *.xlsx|*.xlsx");
  // A name without extension gets ".csv".
  EXPECT_EQ(ReadBytes(out_.File("data.csv")),
            "Datum;\xC8"
            "as;A - a;C - c\r\n"
            " 5.03.2006;08:07:06;21,5;3\r\n"
            " 5.03.2006;08:07:06;;\r\n"
            " 5.03.2006;08:07:08;1;1,2E-05\r\n");
  EXPECT_FALSE(g.ProgressBar1->isVisible());

  // The list is refilled: the last choice is not kept. A name with an extension stays.
  dialogs_.file_names.push_back(out_.File("b.txt"));
  Export(g, {1});
  EXPECT_EQ(ReadBytes(out_.File("b.txt")).substr(0, 17),
            "Datum;\xC8"
            "as;B - b\r\n");
}

TEST_F(ExportTest, WorkbookByExtensionAndAggregatedByInterval) {
  TFormGraph& g = Open(ThreeLines(false));
  dialogs_.file_names.push_back(out_.File("data.xlsx"));
  Export(g, {0});
  EXPECT_EQ(ReadBytes(out_.File("data.xlsx")).substr(0, 2), "PK");

  TFormExportFilter* filter = app_.ExportFilter();
  EXPECT_EQ(filter->ComboInterval->currentText(), QString::fromUtf8("každý vzorek"));
  dialogs_.file_names.push_back(out_.File("hours"));
  Export(g, {0}, true, SecondsOf("1h"));
  EXPECT_EQ(filter->ComboInterval->currentText(), QString::fromUtf8("1 hodina"));
  EXPECT_EQ(filter->PeriodSeconds(), 3600u);
  EXPECT_EQ(ReadBytes(out_.File("hours.csv")),
            "Datum;\xC8"
            "as;A - a \x96 pr\xF9m\xECr;A - a \x96 min;A - a \x96 max\r\n"
            " 5.03.2006;08:00:00;11,25;1;21,5\r\n");
  EXPECT_TRUE(dialogs_.messages.empty());
  EXPECT_EQ(g.LabelStatus->text().toStdString(),
            "Export uložen do " + out_.File("hours.csv") + ".");

  // The next export starts from every sample again, as its lines start unchosen.
  dialogs_.file_names.push_back(out_.File("again.csv"));
  Export(g, {0});
  EXPECT_EQ(opened_period_, 0);
  EXPECT_EQ(g.LabelStatus->text().toStdString(),
            "Export uložen do " + out_.File("again.csv") + " (3 řádky).");
}

TEST_F(ExportTest, CancelEmptyChoiceAndFailuresWriteNothing) {
  TFormGraph& g = Open(ThreeLines(false));
  Export(g, {0}, /*ok=*/false);
  // OK without a line: told, and the filter stays open for a choice.
  Export(g, {});
  EXPECT_TRUE(left_open_);
  EXPECT_EQ(dialogs_.Texts("error"), std::vector<std::string>{kExportNoLineChosen});
  dialogs_.Clear();
  EXPECT_TRUE(dialogs_.file_dialogs.empty());
  dialogs_.file_names.push_back(std::nullopt);
  Export(g, {0});
  EXPECT_TRUE(dialogs_.messages.empty());

  const std::string log_before = ReadBytes(data_.File("LOG.BIN"));
  for (const std::string& target : {out_.File("missing/x.csv"), data_.File("LOG.BIN")}) {
    SCOPED_TRACE(target);
    dialogs_.Clear();
    dialogs_.file_names.push_back(target);
    Export(g, {0});
    ASSERT_EQ(dialogs_.Texts("error").size(), 1u);
    EXPECT_TRUE(dialogs_.Texts("error")[0].starts_with("Soubor exportu nelze vytvořit!"));
  }
  EXPECT_EQ(ReadBytes(data_.File("LOG.BIN")), log_before);
  EXPECT_FALSE(g.ProgressBar1->isVisible());
}

}  // namespace
}  // namespace korvan
