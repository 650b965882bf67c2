// Pictures of the read-out cursor and the statistics window over the demonstration card, and
// how long repainting the chart takes with and without the cursor. Not a test: nothing is
// checked.
//
//   readout_shots FOLDER     (a display or the offscreen platform)
#include <qcustomplot.h>
#include <sys/stat.h>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QScreen>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/date_time.h"
#include "data/log_writer.h"
#include "graph/form_graph.h"
#include "graph/form_graph_readout.h"
#include "graph/form_stats.h"
#include "shell/form_app.h"
#include "shell/form_setup.h"
#include "shell/form_windows.h"
#include "shot_session.h"
#include "sim/demo_card.h"
#include "support/card_builder.h"
#include "support/qt/fake_window_dialogs.h"
#include "support/temp_dir.h"
#include "widgets/form_drive_chooser.h"

namespace korvan {
namespace {

using testing::CardBuilder;
using testing::FloatBits;
using testing::MakeStamp;
using testing::TempDir;

void Say(const QString& line) {
  std::fputs((line + "\n").toUtf8().constData(), stdout);
  std::fflush(stdout);
}

void Settle() {
  for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

QPoint At(TFormGraph& g, double x_ratio) {
  const QRect plot = g.Chart1->axisRect()->rect();
  return {plot.left() + static_cast<int>(plot.width() * x_ratio), plot.center().y()};
}

void Save(const QPixmap& pixmap, const QString& path) {
  Say(pixmap.save(path) ? path : "cannot write " + path);
}

void DemoPictures(const QString& folder) {
  Session s;
  WriteDemoCard(s.data(), Today(), ',');
  TFormGraph& g = s.OpenGraphIn(s.data());
  g.move(0, 0);
  g.resize(1280, 900);
  g.show();
  Settle();
  // A day of the week, the cursor a little right of its middle.
  const AxisRange all = g.TimeRange();
  g.Chart1->xAxis->setRange(all.maximum - 2.0, all.maximum - 1.0);
  g.RescaleAxes(false, true, true);
  Settle();
  g.Readout()->MoveTo(At(g, 0.58));
  Settle();
  Save(g.grab(), folder + "/readout.png");
  g.ButtonStatsClick();
  TFormStats* stats = g.Stats();
  stats->move(60, 560);
  Settle();
  Save(stats->grab(), folder + "/stats.png");
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    Save(screen->grabWindow(0), folder + "/screen.png");
  }
  stats->hide();
}

// Eight channels of a million samples, as the pan and zoom figures of the window pictures.
void RepaintTimings() {
  CardBuilder big;
  big.lines.assign(8, testing::CardLine{"Přístroj", "Veličina"});
  big.intervals = {1, 1, 1, 1};
  big.log.reserve(1000000 * 58);
  for (int i = 0; i < 1000000; ++i) {
    const int sec = i % kSecondsPerDay;
    const float v = static_cast<float>(std::sin(i / 5000.0) * 100 + i % 17);
    std::vector<LogEntry> entries;
    for (uint16_t l = 0; l < 8; ++l) entries.push_back({l, FloatBits(v + l * 30)});
    AppendLogBlock(big.log,
                   MakeStamp(2024, 1, 1 + i / kSecondsPerDay, sec / 3600, sec / 60 % 60, sec % 60),
                   std::nullopt, entries);
  }
  Session s;
  big.WriteAll(s.data());
  TFormGraph& g = s.OpenGraphIn(s.data());
  g.resize(1300, 820);
  g.show();
  for (int n = 0; n < 8; ++n) {
    g.ComboBoxes[n]->setCurrentIndex(n + 1);
    g.ComboBoxChange(n);
  }
  Settle();
  constexpr int kRounds = 10;
  QElapsedTimer timer;
  auto pan_and_zoom = [&] {
    timer.start();
    for (int k = 0; k < kRounds; ++k) {
      g.ButtonRightClick();
      g.Chart1->repaint();
      g.ButtonZoomXInClick();
      g.Chart1->repaint();
      g.ButtonZoomXOutClick();
      g.Chart1->repaint();
    }
    return timer.nsecsElapsed() / 1e6 / (3 * kRounds);
  };
  pan_and_zoom();  // warm
  // Alternated, so that neither side gets the warmer caches.
  double without = 0, with = 0;
  for (int round = 0; round < 3; ++round) {
    g.Readout()->Hide();
    without += pan_and_zoom() / 3;
    g.Readout()->MoveTo(At(g, 0.5));
    with += pan_and_zoom() / 3;
  }
  Say(QString("pan/zoom + repaint, 8 x 1M points: %1 ms without the cursor, %2 ms with it")
          .arg(without, 0, 'f', 1)
          .arg(with, 0, 'f', 1));
  timer.start();
  constexpr int kMoves = 200;
  for (int k = 0; k < kMoves; ++k) {
    g.Readout()->MoveTo(At(g, 0.2 + 0.6 * k / kMoves));
    g.Chart1->repaint();
  }
  Say(QString("cursor move + repaint, 8 x 1M points: %1 ms")
          .arg(timer.nsecsElapsed() / 1e6 / kMoves, 0, 'f', 2));
  timer.start();
  g.ButtonStatsClick();
  Say(QString("statistics window, 8 x 1M samples: %1 ms")
          .arg(timer.nsecsElapsed() / 1e6, 0, 'f', 1));
  timer.start();
  for (int k = 0; k < kRounds; ++k) {
    g.ButtonRightClick();
    g.Stats()->Refresh();
  }
  Say(QString("statistics after a pan, 8 x 1M samples: %1 ms")
          .arg(timer.nsecsElapsed() / 1e6 / kRounds, 0, 'f', 1));
}

}  // namespace
}  // namespace korvan

int main(int argc, char** argv) {
  korvan::KorvanApplication application(argc, argv);
  const QStringList args = QApplication::arguments();
  if (args.size() != 2) {
    std::fputs("usage: readout_shots FOLDER\n", stderr);
    return 2;
  }
  korvan::DemoPictures(args[1]);
  korvan::RepaintTimings();
  return 0;
}
