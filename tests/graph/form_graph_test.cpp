#include "graph/form_graph.h"

#include <gtest/gtest.h>
#include <qcustomplot.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QListWidget>
#include <QMouseEvent>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>
#include <cmath>
#include <filesystem>
#include <map>
#include <optional>
#include <stdexcept>
#include <tuple>

#include "config/form_format.h"
#include "export/export.h"
#include "export/form_export_filter.h"
#include "graph/form_scales.h"
#include "graph/form_series_style.h"
#include "platform/folder_lock.h"
#include "support/qt/graph_window_fixture.h"

namespace korvan {
namespace {

using testing::CardBuilder;
using testing::FloatBits;
using testing::MakeStamp;
using testing::TempDir;

constexpr double kSecond = 1.0 / kSecondsPerDay;
const double kFirst = EncodeDate(2024, 5, 1) + EncodeTime(10, 0, 0, 0);
const double kLast = EncodeDate(2024, 5, 1) + EncodeTime(10, 16, 30, 0);

void ExpectNear(const AxisRange& actual, const AxisRange& expected) {
  EXPECT_NEAR(actual.minimum, expected.minimum, 1e-9);
  EXPECT_NEAR(actual.maximum, expected.maximum, 1e-9);
}

class GraphTest : public testing::GraphWindowTest {
 protected:
  TFormGraph& Open(const CardBuilder& card = testing::RampCard()) {
    return GraphWindowTest::Open(card);
  }
  static void SetAxis(TFormGraph& g, int channel, int axis) {
    g.RadioGroups[channel]->SetItemIndex(axis);
    g.RadioGroupClick(channel);
  }
};

// The settings window reloads the program settings half a second after it is made: a window
// opened later must still find the data location.
TEST_F(GraphTest, LoadsTheLinesAndPresetsTheRange) {
  QElapsedTimer waited;
  waited.start();
  while (waited.elapsed() < 700) QApplication::processEvents(QEventLoop::AllEvents, 50);
  TFormGraph& g = Open();
  EXPECT_TRUE(g.Loaded());
  EXPECT_TRUE(g.isVisible());
  ASSERT_EQ(g.ComboBoxes[7]->count(), 4);
  EXPECT_EQ(g.ComboBoxes[7]->itemText(0), QString::fromUtf8("Nezobrazuj"));
  EXPECT_EQ(g.ComboBoxes[0]->itemText(2), QString::fromUtf8("Tlak - P1"));
  EXPECT_NEAR(g.CurrentExportRange().from, kFirst, 1e-9);
  EXPECT_NEAR(g.CurrentExportRange().to, kLast, 1e-9);
  EXPECT_FALSE(g.ManualView);
  EXPECT_TRUE(dialogs_.messages.empty());
  // The "Od"/"Do" pickers stay within the years a stamp can hold.
  for (QDateEdit* picker : {g.DateFrom, g.DateTo}) {
    EXPECT_EQ(picker->minimumDate(), QDate(2000, 1, 1));
    EXPECT_EQ(picker->maximumDate(), QDate(2063, 12, 31));
  }
  // A letter shared by two buttons only moves the focus between them: every accelerator of the
  // window runs one button. Alt+T prints, the first of "&Tisk" and "&Tabulka" in the tab order.
  std::map<QString, QString> owner;
  for (const QAbstractButton* button : g.findChildren<QAbstractButton*>()) {
    const QString keys = button->shortcut().toString();
    if (keys.isEmpty()) continue;
    EXPECT_TRUE(owner.emplace(keys, button->text()).second)
        << keys.toStdString() << ": " << owner[keys].toStdString() << ", "
        << button->text().toStdString();
  }
  EXPECT_EQ(g.ButtonPrint->shortcut(), QKeySequence(Qt::ALT | Qt::Key_T));
  EXPECT_EQ(g.ButtonText->text(), QString::fromUtf8("&Tabulka"));
}

TEST_F(GraphTest, MissingDataFileKeepsTheWindowHidden) {
  testing::RampCard().WriteConfigIni(data_.path());
  app_.CreateGraphWindow();
  ASSERT_NE(app_.Graph(), nullptr);
  EXPECT_FALSE(app_.Graph()->Loaded());
  EXPECT_FALSE(app_.Graph()->isVisible());
  EXPECT_EQ(dialogs_.Texts("error"), std::vector<std::string>{"Datový soubor nelze otevřít."});
}

// A redraw over a time window without data empties every channel, one showing a line twice too.
TEST_F(GraphTest, PlottingRescalesUntilTheUserZooms) {
  TFormGraph& g = Open();
  Pick(g, 0, 1);
  EXPECT_EQ(g.PointCount(0), 100);
  // Default scales: zero included, data 0..99.
  const double margin = static_cast<float>(99 * 0.01 + 0.0001);
  EXPECT_DOUBLE_EQ(g.LeftRange().minimum, 0 - margin);
  EXPECT_DOUBLE_EQ(g.LeftRange().maximum, 99 + margin);
  ExpectNear(g.TimeRange(), {kFirst, kLast});

  g.ButtonZoomXInClick();
  EXPECT_TRUE(g.ManualView);
  const AxisRange zoomed = g.TimeRange();
  const AxisRange left = g.LeftRange();
  Pick(g, 1, 3);  // -1..-100 would widen the left axis
  EXPECT_EQ(g.TimeRange(), zoomed);
  EXPECT_EQ(g.LeftRange(), left);

  g.ButtonUnZoomXClick();
  EXPECT_FALSE(g.ManualView);
  ExpectNear(g.TimeRange(), {kFirst, kLast});

  Pick(g, 4, 1);
  EXPECT_EQ(g.PointCount(4), 100);
  g.SetExportRange(kLast + kSecond, kLast + 100 * kSecond);
  g.ButtonRedrawClick();
  EXPECT_EQ(g.PointCount(0), 0);
  EXPECT_EQ(g.PointCount(4), 0);
}

// The scales dialog opens beside the graph window, not over its chart and pan/zoom buttons; its
// OK rescales the open graph window at once, even a zoomed one.
TEST_F(GraphTest, ScalesDialogOpensBesideAndItsOkRescales) {
  TFormGraph& g = Open();
  Pick(g, 0, 1);
  g.ButtonZoomYLInClick();
  g.setGeometry(10, 10, 300, 250);
  g.ButtonScalesClick();
  TFormScales* scales = app_.Scales();
  ASSERT_TRUE(scales->isVisible());
  EXPECT_FALSE(scales->windowFlags() &
               (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
  scales->RadioGroupLeftMin->SetItemIndex(0);
  scales->RadioGroupLeftMinClick();
  scales->EditLeftMin->setText("-50");
  scales->ButtonOKClick();
  EXPECT_FALSE(scales->isVisible());
  EXPECT_NEAR(g.LeftRange().minimum, -50 - (99 + 50) * 0.01 - 0.0001, 1e-4);

  const QRect screen(0, 0, 1920, 1080);
  const std::pair<QRect, QPoint> cases[] = {
      {{100, 50, 1024, 700}, {1124, 50}},  // room on the right
      {{800, 50, 1024, 700}, {500, 50}},   // only on the left
      {{0, 900, 1800, 700}, {1620, 680}},  // neither: at the screen's edge on the roomier side
      {{200, 0, 1700, 700}, {0, 0}},       // more room on the left
      {{-100, 0, 2400, 700}, {0, 0}},      // a window wider than the screen: within the screen
  };
  for (const auto& [window, expected] : cases) {
    EXPECT_EQ(PlaceBeside(window, QSize(300, 400), screen), expected);
  }
}

TEST_F(GraphTest, ScaleRulesReachTheAxes) {
  TFormGraph& g = Open();
  // Typed 10 above data up to 5 (line 0 limited to 5 by the time window).
  ScalesState scales{{0, 1, 1, 1}, {"10", "", "", ""}};
  app_.Scales()->SetState(scales);
  g.SetExportRange(kFirst, kFirst + 50 * kSecond);
  Pick(g, 0, 1);
  EXPECT_NEAR(g.LeftRange().minimum, 9.9899, 1e-6);
  EXPECT_NEAR(g.LeftRange().maximum, 11.0101, 1e-6);

  // All values equal: the small margin keeps the range open.
  scales.choices = {1, 1, 1, 1};
  app_.Scales()->SetState(scales);
  Pick(g, 0, 2);
  EXPECT_NEAR(g.LeftRange().minimum, 3 - 0.0001, 1e-7);
  EXPECT_NEAR(g.LeftRange().maximum, 3 + 0.0001, 1e-7);

  // Right axis with zero included: data -1..-6 in this window.
  scales.choices = {1, 1, 2, 2};
  app_.Scales()->SetState(scales);
  Pick(g, 1, 3);
  SetAxis(g, 1, 1);
  EXPECT_EQ(g.Series(1)->valueAxis(), g.Chart1->yAxis2);
  const double margin = static_cast<float>(6 * 0.01 + 0.0001);
  EXPECT_DOUBLE_EQ(g.RightRange().minimum, -6 - margin);
  EXPECT_DOUBLE_EQ(g.RightRange().maximum, 0 + margin);
  // The left axis now shows only line 1.
  EXPECT_NEAR(g.LeftRange().minimum, 3 - 0.0001, 1e-7);
}

TEST_F(GraphTest, PanAndZoomButtonsAndDraggedRectangle) {
  TFormGraph& g = Open();
  Pick(g, 0, 1);
  using Click = void (TFormGraph::*)();
  using Range = AxisRange (TFormGraph::*)() const;
  // The fractions of the span added to each end.
  const std::tuple<Click, Range, double, double> rows[] = {
      {&TFormGraph::ButtonRightClick, &TFormGraph::TimeRange, 0.05, 0.05},
      {&TFormGraph::ButtonLeftClick, &TFormGraph::TimeRange, -0.05, -0.05},
      {&TFormGraph::ButtonZoomXInClick, &TFormGraph::TimeRange, 0.25, -0.25},
      {&TFormGraph::ButtonZoomXOutClick, &TFormGraph::TimeRange, -0.5, 0.5},
      {&TFormGraph::ButtonlUpClick, &TFormGraph::LeftRange, -0.05, -0.05},
      {&TFormGraph::ButtonLDownClick, &TFormGraph::LeftRange, 0.05, 0.05},
      {&TFormGraph::ButtonZoomYLInClick, &TFormGraph::LeftRange, 0.25, -0.25},
      {&TFormGraph::ButtonZoomYLOutClick, &TFormGraph::LeftRange, -0.5, 0.5},
      {&TFormGraph::ButtonRUpClick, &TFormGraph::RightRange, -0.05, -0.05},
      {&TFormGraph::ButtonRDownClick, &TFormGraph::RightRange, 0.05, 0.05},
      {&TFormGraph::ButtonZoomYRInClick, &TFormGraph::RightRange, 0.25, -0.25},
      {&TFormGraph::ButtonButtonZoomYROutClick, &TFormGraph::RightRange, -0.5, 0.5},
  };
  for (const auto& [click, range, low, high] : rows) {
    g.ManualView = false;
    const AxisRange before = (g.*range)();
    const double span = before.maximum - before.minimum;
    (g.*click)();
    const AxisRange after = (g.*range)();
    EXPECT_NEAR(after.minimum, before.minimum + low * span, span * 1e-12);
    EXPECT_NEAR(after.maximum, before.maximum + high * span, span * 1e-12);
    EXPECT_TRUE(g.ManualView);
  }
  g.ButtonUnZoomYLClick();
  EXPECT_FALSE(g.ManualView);
  EXPECT_DOUBLE_EQ(g.LeftRange().maximum, 99.0 + static_cast<float>(99 * 0.01 + 0.0001));

  // A rectangle dragged on the chart zooms into it, one dragged back shows the data whole.
  QCustomPlot* chart = g.Chart1;
  chart->replot();
  const QRect r = chart->axisRect()->rect();
  const QPoint a = r.topLeft() + QPoint(r.width() / 4, r.height() / 4);
  const QPoint b = r.topLeft() + QPoint(r.width() * 3 / 4, r.height() * 3 / 4);
  auto drag = [&](QPoint from, QPoint to) {
    QMouseEvent press(QEvent::MouseButtonPress, from, chart->mapToGlobal(from), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QMouseEvent move(QEvent::MouseMove, to, chart->mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, to, chart->mapToGlobal(to), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(chart, &press);
    QApplication::sendEvent(chart, &move);
    QApplication::sendEvent(chart, &release);
  };
  const double key_a = chart->xAxis->pixelToCoord(a.x());
  const double key_b = chart->xAxis->pixelToCoord(b.x());
  drag(a, b);
  EXPECT_TRUE(g.ManualView);
  ExpectNear(g.TimeRange(), {key_a, key_b});
  drag(b, a);
  EXPECT_FALSE(g.ManualView);
  ExpectNear(g.TimeRange(), {kFirst, kLast});
}

TEST_F(GraphTest, TimeAxisFormatAndLabelsFollowTheSpan) {
  TFormGraph& g = Open();
  Pick(g, 0, 1);
  // Noon is a tick of every row's increments.
  const double t = EncodeDate(2006, 3, 5) + 0.5;
  const std::tuple<double, const char*, const char*> rows[] = {
      {30, "d.M.yyyy", "5.3.2006"},
      {5, "d.M. h", "5.3. 12"},
      {0.5, "h:mm [d]", "12:00 [5]"},
      {0.005, "h:mm:ss [d]", "12:00:00 [5]"},
      {0.5 * kSecond, "h:mm:ss", "12:00:00 .00"},
  };
  for (const auto& [span, format, label] : rows) {
    SCOPED_TRACE(format);
    g.Chart1->xAxis->setRange(t - span / 2, t + span / 2);
    g.Chart1->replot();
    EXPECT_EQ(g.TimeFormat().format, format);
    const QVector<double> ticks = g.Chart1->xAxis->tickVector();
    const QVector<QString> labels = g.Chart1->xAxis->tickVectorLabels();
    ASSERT_GE(ticks.size(), 2);
    // Labels never overlap on the axis.
    const double px =
        g.Chart1->xAxis->coordToPixel(ticks[1]) - g.Chart1->xAxis->coordToPixel(ticks[0]);
    EXPECT_GE(px, QFontMetrics(g.Chart1->xAxis->tickLabelFont()).height());
    const qsizetype at = labels.indexOf(label);
    ASSERT_GE(at, 0) << labels.join("|").toStdString();
    EXPECT_NEAR(ticks[at], span > 20 ? std::floor(t) : t, 1e-9);  // days start at 0:00
  }
  // Half a second: 0.05 s between labels, rewritten with hundredths.
  g.Chart1->xAxis->setRange(t + 15 * kSecond, t + 15.5 * kSecond);
  g.Chart1->replot();
  EXPECT_NEAR(g.TimeFormat().increment, 0.05 * kSecond, 1e-15);
  EXPECT_TRUE(g.Chart1->xAxis->tickVectorLabels().contains("12:00:15 .25"))
      << g.Chart1->xAxis->tickVectorLabels().join("|").toStdString();
  // A month: one label per day.
  g.Chart1->xAxis->setRange(t, t + 30);
  g.Chart1->replot();
  EXPECT_EQ(g.TimeFormat().increment, 1.0);
}

TEST_F(GraphTest, StyleKindsSwitchAndKeepThePoints) {
  TFormGraph& g = Open();
  Pick(g, 2, 1);
  ASSERT_EQ(g.Kind(2), kFastLine);
  auto points = [&](int channel) {
    std::vector<std::pair<double, double>> out;
    auto* iface = g.Series(channel)->interface1D();
    for (int i = 0; i < iface->dataCount(); ++i) {
      out.emplace_back(iface->dataMainKey(i), iface->dataMainValue(i));
    }
    return out;
  };
  const auto original = points(2);
  ASSERT_EQ(original.size(), 100u);
  struct Row {
    int type, thickness, line_style, point_size, point_style;
    SeriesKind kind;
  };
  const Row rows[] = {
      {0, 2, 0, 2, 0, kLine},  // point size 2 turns a fast line into a line
      {0, 1, 1, 0, 0, kLine},  // dashed one-pixel line
      {0, 1, 0, 0, 0, kFastLine}, {1, 3, 0, 0, 0, kLine},  // stairs
      {2, 4, 0, 0, 0, kBars},     {2, 0, 0, 0, 0, kBars},  // hollow bars
      {0, 0, 0, 5, 6, kLine},                              // stars without a line
      {0, 2, 3, 0, 0, kFastLine},  // a dash style on a wide line is not drawn
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(static_cast<int>(&row - rows));
    const SeriesStyle applied{row.type,       16711680,       row.thickness,
                              row.line_style, row.point_size, row.point_style};
    g.ApplySeriesStyle(2, applied);
    EXPECT_EQ(g.Kind(2), row.kind);
    EXPECT_EQ(points(2), original);
    EXPECT_EQ(g.Series(2)->valueAxis(), g.Chart1->yAxis);
    // The dialog is handed what was applied (bars keep the dialog's other three values).
    app_.SeriesStyle()->SetStyle({0, 0, 1, 4, 9, 7});
    EXPECT_EQ(
        g.LoadSeriesStyle(2),
        (row.kind == kBars ? SeriesStyle{row.type, 16711680, row.thickness, 4, 9, 7} : applied));
  }
}

TEST_F(GraphTest, SwatchDoubleClickEditsACopyOfTheChannelStyle) {
  TFormGraph& g = Open();
  Pick(g, 1, 1);
  const SeriesStyle marks{0, 255, 1, 0, 3, 2};
  g.ApplySeriesStyle(1, marks);
  TFormSeriesStyle* dialog = app_.SeriesStyle();
  dialogs_.colors = {0x0000FF};
  for (bool ok : {false, true}) {
    SCOPED_TRACE(ok);
    QTimer::singleShot(0, dialog, [&] {
      EXPECT_EQ(dialog->Style(), marks);
      dialog->ButtonSpeed->click();
      if (ok) dialog->ButtonColor->click();  // blue
      (ok ? dialog->ButtonOK : dialog->ButtonCancel)->click();
    });
    QMouseEvent click(QEvent::MouseButtonDblClick, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(g.Panels[1], &click);
  }
  EXPECT_EQ(g.ChannelStyle(1), (SeriesStyle{0, 16711680, 1, 0, 0, 2}));
  EXPECT_EQ(g.Kind(1), kFastLine);
  EXPECT_EQ(g.PointCount(1), 100);
  EXPECT_EQ(g.Panels[1]->palette().color(QPalette::Window), QColor(0, 0, 255));
}

TEST_F(GraphTest, ViewStateReadsTheChannelsBackInOrder) {
  TFormGraph& g = Open();
  g.ApplySeriesStyle(0, {1, 255, 1, 2, 3, 4});    // stairs with marks
  g.ApplySeriesStyle(1, {2, 65280, 3, 1, 5, 6});  // bars
  g.ApplySeriesStyle(2, {1, 33023, 2, 0, 0, 5});  // stairs without marks
  const GraphViewState s = g.ViewState();
  EXPECT_EQ(s.channels[0].style, (SeriesStyle{1, 255, 1, 2, 3, 4}));
  EXPECT_EQ(s.channels[1].style, (SeriesStyle{2, 65280, 3, 2, 3, 4}));  // channel 1's three
  EXPECT_EQ(s.channels[2].style, (SeriesStyle{1, 33023, 2, 0, 0, 5}));  // the shape stays
  EXPECT_EQ(s.channels[7].style, (SeriesStyle{0, kDefaultChannelColors[7], 2, 0, 0, 0}));
  EXPECT_EQ(app_.SeriesStyle()->Style(), s.channels[7].style);
}

TEST_F(GraphTest, GraphSettingsAreWrittenOnCloseAndReadBackWithoutAQuestion) {
  TFormGraph& g = Open();
  Pick(g, 0, 1);
  Pick(g, 3, 3);
  SetAxis(g, 3, 1);
  g.ApplySeriesStyle(3, {1, 65280, 2, 0, 3, 1});
  // Stairs without marks: the chart draws no marks, but their shape is the channel's.
  g.ApplySeriesStyle(1, {1, 255, 2, 0, 0, 5});
  g.ButtonZoomYLOutClick();
  const AxisRange left = g.LeftRange();
  const AxisRange time = g.TimeRange();
  const ScalesState scales{{1, 0, 2, 1}, {"", "200", "", ""}};
  app_.Scales()->SetState(scales);
  g.close();
  QApplication::processEvents();
  ASSERT_TRUE(FileExists(data_.File("GRAPH.INI")));
  EXPECT_EQ(app_.Graph(), nullptr);

  app_.Scales()->SetState({});
  TFormGraph& h = Open();
  EXPECT_TRUE(dialogs_.messages.empty());
  EXPECT_TRUE(h.ManualView);
  EXPECT_EQ(h.ComboBoxes[0]->currentIndex(), 1);
  EXPECT_EQ(h.ComboBoxes[3]->currentIndex(), 3);
  EXPECT_EQ(h.RadioGroups[3]->ItemIndex(), 1);
  EXPECT_EQ(h.Series(3)->valueAxis(), h.Chart1->yAxis2);
  EXPECT_EQ(h.Kind(3), kLine);
  EXPECT_EQ(h.PointCount(3), 100);
  ExpectNear(h.LeftRange(), left);
  EXPECT_NEAR(h.TimeRange().minimum, time.minimum, 1e-9);
  EXPECT_EQ(app_.Scales()->State(), scales);
  EXPECT_EQ(h.ChannelStyle(3), (SeriesStyle{1, 65280, 2, 0, 3, 1}));
  EXPECT_EQ(h.ChannelStyle(1), (SeriesStyle{1, 255, 2, 0, 0, 5}));
}

// A GRAPH.INI whose stored range is an hour before the data's, channel 1 on line 2, channel 2
// on a line the measurement does not have: the window asks, "Ano" rescales from the data and
// "Ne" restores the stored range and axes.
TEST_F(GraphTest, AStoredRangeOffTheDataAsksWhetherToRescale) {
  GraphViewState s{-50, 50, 1, 2, kFirst - 0.5, kFirst + 0.5};  // left, right and time axes
  s.scales = {{0, 0, 1, 1}, {"-7", "7", "", ""}};
  s.range_from = kFirst - 1.0 / 24;
  s.range_to = kLast - 1.0 / 24;
  s.channels[0].value = 2;
  s.channels[0].style = {2, 255, 3, 0, 0, 0};
  s.channels[1].value = 9;
  for (const bool yes : {true, false}) {
    SCOPED_TRACE(yes);
    WriteGraphSettingsFile(data_.File("GRAPH.INI"), s, ',');
    app_.Scales()->SetState({});
    dialogs_.Clear();
    dialogs_.answers = {yes};
    TFormGraph& g = Open();
    EXPECT_EQ(dialogs_.Texts("ask"),
              std::vector<std::string>{
                  "Uložený časový rozsah neodpovídá skutečnému časovému rozsahu dat.\r\n Chcete "
                  "nastavit nová měřítka ?"});
    if (yes) {
      // Rescaled with the dialog's rules of that moment (zero included), not the stored axes.
      EXPECT_NEAR(g.LeftRange().minimum, -static_cast<float>(0.0301), 1e-9);
      EXPECT_NEAR(g.TimeRange().minimum, kFirst, 1e-9);
      EXPECT_NEAR(g.CurrentExportRange().from, kFirst, 1e-9);
      EXPECT_EQ(g.Kind(0), kBars);
      EXPECT_EQ(g.ComboBoxes[1]->currentIndex(), 0);
      EXPECT_EQ(g.PointCount(1), 0);
      EXPECT_EQ(app_.Scales()->State().texts[0], "-7");
    } else {
      EXPECT_EQ(g.LeftRange(), (AxisRange{-50, 50}));
      EXPECT_EQ(g.RightRange(), (AxisRange{1, 2}));
      EXPECT_NEAR(g.TimeRange().minimum, kFirst - 0.5, 1e-9);
      EXPECT_NEAR(g.CurrentExportRange().from, kFirst - 1.0 / 24, 1e-9);
      EXPECT_NEAR(g.CurrentExportRange().to, kLast - 1.0 / 24, 1e-9);
      EXPECT_TRUE(g.ManualView);
    }
    delete app_.Graph();
  }
}

// A view kept of no line (the window closed before a line was picked, on today's day): the
// first line picked is shown whole, whether the kept range still matches ("Ano" to the
// question when not).
TEST_F(GraphTest, AKeptViewOfNoLineLetsThePickedLineShowWhole) {
  for (const bool range_moved : {false, true}) {
    SCOPED_TRACE(range_moved);
    GraphViewState s;
    s.time_min = kFirst + 30;
    s.time_max = kFirst + 31;
    s.range_from = range_moved ? kFirst - 1 : kFirst;
    s.range_to = kLast;
    WriteGraphSettingsFile(data_.File("GRAPH.INI"), s, ',');
    dialogs_.Clear();
    dialogs_.answers = {true};
    TFormGraph& g = Open();
    EXPECT_EQ(dialogs_.Texts("ask").size(), range_moved ? 1u : 0u);
    Pick(g, 0, 1);
    ExpectNear(g.TimeRange(), {kFirst, kLast});
    delete app_.Graph();
  }
}

// What a tool prints about a file, or nothing when the tool is not installed.
std::optional<QString> ToolOutput(const char* tool, const QStringList& arguments) {
  if (QStandardPaths::findExecutable(tool).isEmpty()) return std::nullopt;
  QProcess process;
  process.start(tool, arguments);
  EXPECT_TRUE(process.waitForFinished());
  return QString::fromUtf8(process.readAllStandardOutput());
}

// Closing while another writer (a preparation, a copy) holds the card folder: that writer's
// files are not changed under it, and the user is told.
TEST_F(GraphTest, GraphSettingsWaitForAnotherWriterOfTheFolder) {
  TFormGraph& g = Open();
  testing::WriteBytes(data_.File("GRAPH.INI"), "kept");
  {
    const FolderLock other(data_.path());
    g.close();
    QApplication::processEvents();
  }
  EXPECT_EQ(testing::ReadBytes(data_.File("GRAPH.INI")), "kept");
  ASSERT_EQ(dialogs_.Texts("error").size(), 1u);
  EXPECT_NE(dialogs_.Texts("error")[0].find("právě zapisuje jiný proces"), std::string::npos);
}

// The settings window's choosers changed without OK point at another card: the copy, the
// export's refusal and GRAPH.INI on closing keep to the folder the window loaded.
TEST_F(GraphTest, CopyExportAndClosingKeepToTheLoadedFolder) {
  TFormGraph& g = Open();
  // The copy reads the configuration back from CONFIG.BIN (a CONFIG.INI's instruments would
  // need quantity files), in both folders.
  std::filesystem::remove(data_.File("CONFIG.INI"));
  TempDir other, out;
  CardBuilder moved = testing::RampCard("X1");
  moved.log.clear();
  for (int i = 0; i < 300; ++i) {
    moved.Block(MakeStamp(2024, 6, 2, 8, i / 60, i % 60), {{0, FloatBits(7.0f)}});
  }
  moved.WriteAll(other.path());
  std::filesystem::remove(other.File("CONFIG.INI"));
  app_.Setup()->DirectoryListBoxAlt->SetDirectory(other.path());

  dialogs_.folders.push_back(out.path());
  g.ButtonSaveClick();
  EXPECT_TRUE(dialogs_.Texts("error").empty());
  const std::string log = testing::ReadBytes(data_.File("LOG.BIN"));
  EXPECT_EQ(testing::ReadBytes(out.File("LOG.BIN")), log.substr(0, log.rfind("\xAA\xAA\xAA\xAA")));
  EXPECT_EQ(testing::ReadBytes(out.File("CONFIG.BIN")),
            testing::ReadBytes(data_.File("CONFIG.BIN")));
  EXPECT_FALSE(FileExists(out.File("CONFIG.INI")));
  EXPECT_EQ(app_.Format()->Config().lines[0][1], "T1");  // read back from the loaded folder

  // An export onto the loaded card's LOG.BIN would destroy it.
  TFormExportFilter* filter = app_.ExportFilter();
  QTimer::singleShot(0, filter, [filter] {
    filter->ListBox1->item(0)->setSelected(true);
    filter->ButtonOKClick();
  });
  dialogs_.file_names.push_back(data_.File("LOG.BIN"));
  g.ButtonExportClick();
  EXPECT_EQ(dialogs_.Texts("error"), std::vector<std::string>{kExportCreateFailed});
  EXPECT_EQ(testing::ReadBytes(data_.File("LOG.BIN")), log);

  g.close();
  QApplication::processEvents();
  EXPECT_TRUE(FileExists(data_.File("GRAPH.INI")));
  EXPECT_FALSE(FileExists(other.File("GRAPH.INI")));
}

TEST_F(GraphTest, PrintsOneLandscapePageWithLegendAndFoot) {
  TFormGraph& g = Open();
  Pick(g, 0, 1);
  Pick(g, 2, 3);
  SetAxis(g, 2, 1);
  const int rows = g.Chart1->plotLayout()->rowCount();  // the job name's title and the chart
  const std::string pdf = data_.File("graf.pdf");
  dialogs_.on_print = [&](QPrinter* printer) {
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(QString::fromStdString(pdf));
    printer->setPageOrientation(QPageLayout::Portrait);
    // While the dialog is up the printout's legend is in place.
    EXPECT_TRUE(g.Legend()->visible());
    return true;
  };
  // The printout's legend and foot leave the screen again, whatever the printing came to.
  auto off_screen = [&] {
    EXPECT_FALSE(g.Legend()->visible());
    EXPECT_FALSE(g.Foot()->visible());
    EXPECT_EQ(g.Chart1->plotLayout()->rowCount(), rows);
  };
  g.ButtonPrintClick();
  off_screen();
  EXPECT_EQ(g.Printer()->pageLayout().orientation(), QPageLayout::Portrait);
  ASSERT_TRUE(FileExists(pdf));
  EXPECT_GT(testing::ReadBytes(pdf).size(), 2000u);
  if (const auto out = ToolOutput("pdftotext", {QString::fromStdString(pdf), "-"})) {
    for (const char* text : {"Korvan-A v1.20", "(L) Teplota - T1", "(P) Vlhkost - H1"}) {
      EXPECT_TRUE(out->contains(text)) << out->toStdString();
    }
    EXPECT_FALSE(out->contains("Tlak")) << out->toStdString();
  }
  if (const auto out = ToolOutput("pdfinfo", {QString::fromStdString(pdf)})) {
    EXPECT_TRUE(out->contains(QRegularExpression("Pages:\\s+1\\n"))) << out->toStdString();
    const QRegularExpressionMatch m =
        QRegularExpression("Page size:\\s+([\\d.]+) x ([\\d.]+)").match(*out);
    ASSERT_TRUE(m.hasMatch());
    EXPECT_GT(m.captured(1).toDouble(), m.captured(2).toDouble());  // landscape
  }
  // Cancelled: nothing printed, no legend left on screen.
  dialogs_.on_print = [](QPrinter*) { return false; };
  g.ButtonPrintClick();
  off_screen();
  // A failing printer: the error goes on.
  dialogs_.on_print = [](QPrinter*) -> bool { throw std::runtime_error("printer"); };
  EXPECT_THROW(g.ButtonPrintClick(), std::runtime_error);
  off_screen();
}

}  // namespace
}  // namespace korvan
