#include <gtest/gtest.h>
#include <qcustomplot.h>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QTableWidget>

#include "app/date_time.h"
#include "graph/form_graph.h"
#include "graph/form_graph_readout.h"
#include "graph/form_stats.h"
#include "platform/paths.h"
#include "shell/form_setup.h"
#include "shell/form_windows.h"
#include "support/card_builder.h"
#include "support/qt/fake_window_dialogs.h"
#include "support/qt/graph_window_fixture.h"
#include "support/temp_dir.h"
#include "widgets/form_drive_chooser.h"

namespace korvan {
namespace {

constexpr double kSecond = 1.0 / kSecondsPerDay;
const double kFirst = EncodeDate(2024, 5, 1) + EncodeTime(10, 0, 0, 0);

class GraphToolsTest : public testing::GraphWindowTest {
 protected:
  // Line 1 (with a unit) rises 0..99 and line 3 falls -1..-100 on the chart.
  GraphToolsTest() {
    graph_ = &Open(testing::RampCard("T1 [°C]"));
    graph_->resize(1100, 760);
    for (auto [channel, item] : {std::pair{0, 1}, std::pair{1, 3}}) Pick(*graph_, channel, item);
    QApplication::processEvents();
  }

  // Moves the mouse over the chart to a time, halfway up the plot area.
  void MouseAt(double time) {
    QCustomPlot* chart = graph_->Chart1;
    const QPoint at(static_cast<int>(chart->xAxis->coordToPixel(time)),
                    chart->axisRect()->rect().center().y());
    QMouseEvent move(QEvent::MouseMove, at, chart->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(chart, &move);
  }

  QString Cell(int row, int column) const {
    return graph_->Stats()->GridStats->item(row, column)->text();
  }

  TFormGraph* graph_ = nullptr;
};

TEST_F(GraphToolsTest, ReadoutFollowsTheMouseAndLeavesWithIt) {
  GraphReadout* readout = graph_->Readout();
  MouseAt(kFirst + 52 * kSecond);  // nearest samples at 10:00:50
  ASSERT_TRUE(readout->Visible());
  EXPECT_TRUE(readout->Box()->isVisible());
  const QStringList lines = readout->Lines();
  ASSERT_EQ(lines.size(), 3);
  EXPECT_TRUE(lines[0].startsWith("1.05.2024, 10:00:5")) << lines[0].toStdString();
  EXPECT_EQ(lines[1], QString::fromUtf8("Teplota - T1: 5 °C"));
  EXPECT_EQ(lines[2], QString::fromUtf8("Vlhkost - H1: -6"));

  // A span after the data: no sample within it.
  graph_->Chart1->xAxis->setRange(kFirst + 1, kFirst + 2);
  graph_->Chart1->replot();
  MouseAt(kFirst + 1.5);
  EXPECT_EQ(readout->Lines()[1], QString::fromUtf8("Teplota - T1: —"));

  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(graph_->Chart1, &leave);
  EXPECT_FALSE(readout->Visible());
  EXPECT_FALSE(readout->Box()->isVisible());
}

TEST_F(GraphToolsTest, StatisticsFollowTheVisibleRange) {
  graph_->ButtonStatsClick();
  TFormStats* stats = graph_->Stats();
  ASSERT_TRUE(stats->isVisible());
  // No room beside the graph window on this screen: within it, over the chart below the band
  // of the read-out box.
  const QRect area = stats->screen()->availableGeometry();
  EXPECT_TRUE(area.contains(stats->frameGeometry()));
  const QRect plot = graph_->Chart1->axisRect()->rect();
  EXPECT_GT(stats->frameGeometry().top(), graph_->Chart1->mapToGlobal(plot.topLeft()).y() + 100);
  ASSERT_EQ(stats->GridStats->rowCount(), 2);
  EXPECT_EQ(Cell(0, 0), QString::fromUtf8("Teplota - T1 [°C]"));
  const QStringList whole = {"100",
                             "0",
                             "1.05.2024, 10:00:00",
                             "99",
                             "1.05.2024, 10:16:30",
                             "49,5",
                             "1.05.2024, 10:00:00",
                             "1.05.2024, 10:16:30"};
  for (int column = 1; column < 9; ++column) EXPECT_EQ(Cell(0, column), whole[column - 1]);
  EXPECT_EQ(Cell(1, 2), "-100");

  // Zoomed to 10:00:00-10:01:35: ten samples.
  graph_->Chart1->xAxis->setRange(kFirst, kFirst + 95 * kSecond);
  graph_->Chart1->replot();
  QApplication::processEvents();
  EXPECT_EQ(Cell(0, 1), "10");
  EXPECT_EQ(Cell(0, 4), "9");
  EXPECT_EQ(Cell(0, 6), "4,5");
  EXPECT_EQ(Cell(0, 8), "1.05.2024, 10:01:30");

  // A channel taken away leaves the list; a span without samples shows dashes.
  graph_->ComboBoxes[1]->setCurrentIndex(0);
  graph_->ComboBoxChange(1);
  graph_->Chart1->xAxis->setRange(kFirst - 2, kFirst - 1);
  graph_->Chart1->replot();
  QApplication::processEvents();
  ASSERT_EQ(stats->GridStats->rowCount(), 1);
  EXPECT_EQ(Cell(0, 1), "0");
  EXPECT_EQ(Cell(0, 2), QString::fromUtf8("—"));
}

bool HasTool(const char* name) { return !QStandardPaths::findExecutable(name).isEmpty(); }

QString ToolOutput(const char* tool, const std::string& file) {
  QProcess process;
  QStringList arguments = {QString::fromStdString(file)};
  if (QString(tool) == "pdftotext") arguments << "-";
  process.start(tool, arguments);
  process.waitForFinished();
  return QString::fromUtf8(process.readAllStandardOutput());
}

TEST_F(GraphToolsTest, PicturesAsOnScreenWithLegendAndFoot) {
  const QSize size = graph_->Chart1->size();
  const int rows = graph_->Chart1->plotLayout()->rowCount();
  for (const char* name : {"graf.png", "graf.JPG"}) {
    ASSERT_TRUE(graph_->SavePicture(data_.File(name))) << name;
    EXPECT_EQ(QImage(QString::fromStdString(data_.File(name))).size(), size) << name;
  }
  // Vector PDF of one page with the printout's legend and foot line as text.
  const std::string pdf = data_.File("graf.pdf");
  ASSERT_TRUE(graph_->SavePicture(pdf));
  EXPECT_FALSE(graph_->Legend()->visible());
  EXPECT_EQ(graph_->Chart1->plotLayout()->rowCount(), rows);
  ASSERT_TRUE(HasTool("pdftotext") && HasTool("pdfinfo"));
  const QString text = ToolOutput("pdftotext", pdf);
  EXPECT_TRUE(text.contains("Korvan-A v1.20")) << text.toStdString();
  EXPECT_TRUE(text.contains(QString::fromUtf8("(L) Teplota - T1 [°C]"))) << text.toStdString();
  EXPECT_TRUE(text.contains("(L) Vlhkost - H1")) << text.toStdString();
  EXPECT_TRUE(ToolOutput("pdfinfo", pdf).contains(QRegularExpression("Pages:\\s+1\\n")));

  EXPECT_FALSE(graph_->SavePicture(data_.File("graf.bmp")));
  EXPECT_FALSE(FileExists(data_.File("graf.bmp")));
  ASSERT_EQ(dialogs_.Texts("error").size(), 1u);

  // The save dialog's choice goes to the file.
  dialogs_.file_names = {data_.File("zvoleny.png")};
  graph_->SavePictureClick();
  EXPECT_TRUE(FileExists(data_.File("zvoleny.png")));
  EXPECT_EQ(dialogs_.file_dialogs.back().default_extension, "png");

  QApplication::clipboard()->clear();
  graph_->CopyPictureClick();
  EXPECT_EQ(QApplication::clipboard()->image().size(), size);
  EXPECT_FALSE(graph_->Legend()->visible());
}

}  // namespace
}  // namespace korvan
