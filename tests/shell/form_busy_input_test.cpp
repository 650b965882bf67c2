// The user's input during a long operation, through the window system's own queue: thrown
// away, never run once the operation has ended.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <filesystem>

#include "app/date_time.h"
#include "export/form_export_filter.h"
#include "graph/form_graph.h"
#include "shell/form_main_menu.h"
#include "shell/form_setup.h"
#include "support/qt/graph_window_fixture.h"
#include "support/qt/platform_input.h"

namespace korvan {
namespace {

using testing::QueueClick;

class BusyInputTest : public testing::GraphWindowTest {
 protected:
  BusyInputTest() {
    // Set up already: no first-run window waits on the shown main panel.
    testing::WriteBytes(app_.Paths().settings_file, "[Application]\r\nName=Korvan-A\r\n");
    app_.MainMenu()->show();
    QApplication::processEvents();
  }

  // 3000 samples of one rising line, one a second: the export moves its bar.
  static testing::CardBuilder LongCard() {
    testing::CardBuilder card;
    card.lines = {testing::CardLine{"A", "a", 1, "F4"}};
    for (int i = 0; i < 3000; ++i) {
      card.Block(testing::MakeStamp(2006, 3, 5, 8 + i / 3600, i / 60 % 60, i % 60),
                 {{0, testing::FloatBits(static_cast<float>(i))}});
    }
    return card;
  }

  // Long enough for a button's animated click (a mnemonic) to have fired.
  static void Settle() {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 300) QApplication::processEvents(QEventLoop::AllEvents, 20);
  }

  bool busy_seen_ = false;
};

TEST_F(BusyInputTest, ClicksAndCloseDuringTheLoadAreThrownAway) {
  TFormMainMenu* menu = app_.MainMenu();
  int quit_clicks = 0;
  QObject::connect(menu->BitBtnClose, &QToolButton::clicked, [&] { ++quit_clicks; });
  LongCard().WriteAll(data_.path());
  // Fires in the load's first progress step, as the user's clicks arrive.
  QTimer::singleShot(0, menu, [&] {
    busy_seen_ = !menu->BitBtnClose->isEnabled();
    QueueClick(menu->BitBtnSetup);
    QueueClick(menu->BitBtnClose);
    testing::QueueClose(menu);
  });
  menu->BitBtnMeasuredClick();
  Settle();

  EXPECT_TRUE(busy_seen_);
  ASSERT_NE(app_.Graph(), nullptr);
  EXPECT_TRUE(app_.Graph()->isVisible());
  EXPECT_EQ(quit_clicks, 0);
  EXPECT_TRUE(menu->isVisible());
  EXPECT_FALSE(app_.Setup()->isVisible());
  EXPECT_TRUE(menu->BitBtnClose->isEnabled());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);

  // Input after the operation is the user's again.
  QueueClick(menu->BitBtnSetup);
  Settle();
  EXPECT_TRUE(app_.Setup()->isVisible());
}

TEST_F(BusyInputTest, StatisticsClickedDuringTheExportDoesNotOpen) {
  TFormGraph& g = Open(LongCard());
  testing::TempDir out;
  dialogs_.file_names.push_back(out.File("all.csv"));
  TFormExportFilter* filter = app_.ExportFilter();
  QTimer::singleShot(0, filter, [filter] {
    filter->ListBox1->item(0)->setSelected(true);
    filter->ButtonOKClick();
  });
  bool queued = false;
  QObject::connect(g.ProgressBar1, &QProgressBar::valueChanged, &g, [&](int value) {
    if (queued || value == 0) return;
    queued = true;
    busy_seen_ = !g.ButtonStats->isEnabled();
    QueueClick(g.ButtonStats);
    testing::QueueKey(&g, Qt::Key_S, Qt::AltModifier, "s");
  });
  g.ButtonExportClick();
  Settle();

  EXPECT_TRUE(busy_seen_);
  EXPECT_TRUE(std::filesystem::exists(out.File("all.csv")));
  EXPECT_EQ(g.Stats(), nullptr);
  EXPECT_TRUE(g.ButtonStats->isEnabled());
}

}  // namespace
}  // namespace korvan
