// Where the graph window and its tool windows open. CTest runs this program on three screens:
// a laptop's 1366x768, 1920x1080 scaled by 1.5 (1280x720 in Qt's pixels) and 1920x1080.
#include <qcustomplot.h>

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include "graph/form_scales.h"
#include "graph/form_stats.h"
#include "support/qt/graph_window_fixture.h"
#include "widgets/form_placement.h"

namespace korvan {
namespace {

TEST(PlacementRule, ToolWindowsBesideOrOverTheChartBelowTheReadOut) {
  const QRect area(0, 0, 1366, 740);
  const QRect owner(0, 0, 1366, 740);
  const QRect cover(40, 60, 1200, 420);
  const QRect clear(40, 60, 1200, 150);
  struct Case {
    QRect owner;
    QSize size;
    QRect expected;
  };
  const Case cases[] = {
      {{0, 0, 700, 600}, {500, 300}, {700, 0, 500, 300}},        // room on the right
      {{800, 100, 560, 600}, {500, 300}, {300, 100, 500, 300}},  // only on the left
      {owner, {500, 200}, {740, 280, 500, 200}},  // no room beside: lower right of the chart
      {owner, {900, 400}, {340, 210, 900, 270}},  // shrunk to the room below the read-out
      {owner, {300, 100}, {940, 380, 300, 100}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PlaceTool({c.owner, cover, clear}, c.size, {200, 100}, area), c.expected)
        << c.owner.x() << " " << c.size.width();
  }
  // Never below its minimum, and then still within the area.
  const QRect tall = PlaceTool({owner, cover, clear}, {600, 700}, {300, 500}, area);
  EXPECT_EQ(tall.size(), QSize(600, 500));
  EXPECT_TRUE(area.contains(tall)) << tall.y();
}

TEST(PlacementRule, FittedWindowsKeepTheirFrameInside) {
  const QMargins frame(4, 30, 4, 4);
  struct Case {
    QRect area;
    QRect expected;  // client
  };
  const Case cases[] = {
      {{0, 0, 1920, 1080}, {410, 173, 1100, 760}},  // room: the wanted size, centred
      {{0, 0, 1366, 740}, {133, 30, 1100, 706}},    // the height gives way
      {{0, 24, 1280, 696}, {90, 54, 1100, 662}},    // a panel at the top
      {{0, 0, 900, 500}, {4, 30, 1000, 600}},       // even the minimum is too large
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FitClient({1100, 760}, {1000, 600}, frame, c.area), c.expected)
        << c.area.width() << "x" << c.area.height();
  }
}

class PlacementTest : public testing::GraphWindowTest {
 protected:
  void SetUp() override {
    area_ = QGuiApplication::primaryScreen()->availableGeometry();
    if (area_.width() < 1280 || area_.height() < 720) {
      GTEST_SKIP() << "needs a screen of 1280x720 or more (CTest gives it three)";
    }
  }

  // Every channel drawn, so that the read-out box is as tall as it gets.
  TFormGraph& OpenDrawn() {
    TFormGraph& g = Open(testing::RampCard());
    for (int n = 0; n < kChannels; ++n) Pick(g, n, n % 3 + 1);
    QApplication::processEvents();
    return g;
  }

  // The read-out box where the mouse is at the left, the middle and the right of the chart.
  static std::vector<QRect> ReadoutBoxes(TFormGraph& g) {
    std::vector<QRect> boxes;
    const QRect plot = g.Chart1->axisRect()->rect();
    for (int x : {plot.left() + 2, plot.center().x(), plot.right() - 2}) {
      g.Readout()->MoveTo({x, plot.center().y()});
      const QLabel* box = g.Readout()->Box();
      boxes.emplace_back(box->mapToGlobal(QPoint()), box->size());
    }
    g.Readout()->Hide();
    return boxes;
  }

  void ExpectPlaced(TFormGraph& g, QWidget* tool, const char* name) {
    EXPECT_TRUE(area_.contains(tool->frameGeometry()))
        << name << " " << tool->frameGeometry().x() << "," << tool->frameGeometry().y() << " "
        << tool->frameGeometry().width() << "x" << tool->frameGeometry().height();
    for (const QRect& box : ReadoutBoxes(g)) {
      EXPECT_FALSE(tool->frameGeometry().intersects(box)) << name << " over the read-out";
    }
  }

  QRect area_;
};

TEST_F(PlacementTest, GraphWindowFitsWithEveryControlReachable) {
  TFormGraph& g = OpenDrawn();
  ASSERT_TRUE(g.isVisible());
  EXPECT_TRUE(area_.contains(g.frameGeometry()))
      << g.frameGeometry().width() << "x" << g.frameGeometry().height();
  // The layout has room for every control: none is cut or squeezed below its own minimum.
  EXPECT_GE(g.width(), g.minimumSizeHint().width());
  EXPECT_GE(g.height(), g.minimumSizeHint().height());
  const QList<QWidget*> controls = g.findChildren<QWidget*>();
  for (QWidget* w : controls) {
    if (!w->isVisible() || w->parentWidget() != &g) continue;
    const QRect at(w->mapTo(&g, QPoint()), w->size());
    EXPECT_TRUE(g.rect().contains(at)) << w->metaObject()->className();
  }
  EXPECT_GE(g.Chart1->height(), 250);
  // Where the screen has room, the window has its full size.
  if (area_.height() >= 760 + 60) {
    EXPECT_EQ(g.size(), QSize(1100, 760).expandedTo(g.minimumSizeHint()));
  }
}

TEST_F(PlacementTest, ToolWindowsInsideTheScreenAndClearOfTheReadOut) {
  TFormGraph& g = OpenDrawn();
  g.ButtonStatsClick();
  ASSERT_NE(g.Stats(), nullptr);
  ExpectPlaced(g, g.Stats(), "Statistika");
  g.ButtonScalesClick();
  ExpectPlaced(g, app_.Scales(), "Měřítka");
  app_.Scales()->hide();

  QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QApplication::sendEvent(g.Stats()->GridStats, &escape);
  EXPECT_FALSE(g.Stats()->isVisible());
}

}  // namespace
}  // namespace korvan
