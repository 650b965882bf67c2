// Whole-screen pictures of every window of the program as it opens it, on whatever screen the
// display server has (scripts/shots runs it under Xvfb with a window manager at 1366x768, at
// 1920x1080 scaled by 1.5 and at 1920x1080), and a line per window: where its frame is and
// whether it lies inside the screen's available area. Not a test: nothing is checked.
//
//   screen_shots FOLDER PREFIX
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QScreen>
#include <QTimer>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "app/date_time.h"
#include "config/form_format.h"
#include "export/form_export_filter.h"
#include "graph/form_graph.h"
#include "graph/form_scales.h"
#include "graph/form_series_style.h"
#include "graph/form_sheet.h"
#include "graph/form_stats.h"
#include "instruments/form_instruments.h"
#include "instruments/form_velic.h"
#include "shell/form_about.h"
#include "shell/form_app.h"
#include "shell/form_main_menu.h"
#include "shell/form_setup.h"
#include "shell/form_windows.h"
#include "sim/demo_card.h"
#include "support/qt/fake_window_dialogs.h"
#include "support/temp_dir.h"
#include "widgets/form_drive_chooser.h"

namespace korvan {
namespace {

// Long enough for the window manager to frame and place what was shown.
void Settle() {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < 600) QApplication::processEvents(QEventLoop::AllEvents, 50);
}

class Screen {
 public:
  Screen(QString folder, QString prefix) : folder_(std::move(folder)), prefix_(std::move(prefix)) {}

  // Shows the window (unless shown already), pictures the screen and reports the frame.
  void Shot(QWidget* window, const char* name) {
    if (!window->isVisible()) window->show();
    window->raise();
    Settle();
    const QRect area = window->screen()->availableGeometry();
    const QRect frame = window->frameGeometry();
    const bool inside = area.contains(frame);
    all_inside_ &= inside;
    std::printf("%-24s frame %5d,%5d %4dx%-4d  client %4dx%-4d  %s (area %dx%d)\n",
                (prefix_ + "_" + name).toUtf8().constData(), frame.x(), frame.y(), frame.width(),
                frame.height(), window->width(), window->height(), inside ? "inside" : "OUTSIDE",
                area.width(), area.height());
    const QString path = folder_ + "/" + prefix_ + "_" + name + ".png";
    if (!window->screen()->grabWindow(0).save(path)) {
      std::printf("cannot write %s\n", path.toUtf8().constData());
    }
  }
  bool AllInside() const { return all_inside_; }

 private:
  QString folder_;
  QString prefix_;
  bool all_inside_ = true;
};

}  // namespace
}  // namespace korvan

int main(int argc, char** argv) {
  using namespace korvan;
  KorvanApplication application(argc, argv);
  const QStringList args = QApplication::arguments();
  if (args.size() != 3) {
    std::fputs("usage: screen_shots FOLDER PREFIX\n", stderr);
    return 2;
  }
  testing::TempDir program, demo;
  ProgramPaths paths;
  paths.program_dir = program.path() + "/";
  paths.settings_file = program.File("korvan-a.ini");
  paths.quantity_dir = program.File("Instrument/");
  std::filesystem::create_directories(paths.quantity_dir);
  // Set up already: the first-run window is pictured on its own below.
  testing::WriteBytes(paths.settings_file, "[Application]\r\nName=Korvan-A\r\n");
  WriteDemoCard(demo.path(), std::floor(Now()), ',');
  WriteDemoQuantityFiles(paths.quantity_dir, ',');

  testing::FakeWindowDialogs dialogs;
  KorvanApp app(dialogs, dialogs, paths, ',', {});
  app.CreateWindows();
  app.Setup()->CheckBoxAlt->setChecked(true);
  app.Setup()->DirectoryListBoxAlt->SetDirectory(demo.path());
  Screen screen(args[1], args[2]);

  TFormMainMenu* menu = app.MainMenu();
  screen.Shot(menu, "main_panel");
  const std::pair<QWidget*, const char*> plain[] = {
      {app.Setup(), "setup"},
      {app.Format(), "format"},
      {app.Instruments(), "instruments"},
      {app.Velic(), "velic"},
      {app.About(), "about"},
      {app.ExportFilter(), "export_filter"},
      {app.SeriesStyle(), "series_style"},
  };
  for (const auto& [window, name] : plain) {
    screen.Shot(window, name);
    window->hide();
  }

  menu->BitBtnMeasuredClick();
  TFormGraph* graph = app.Graph();
  if (!graph) return 1;
  for (int n = 0; n < 4 && n + 1 < graph->ComboBoxes[n]->count(); ++n) {
    graph->ComboBoxes[n]->setCurrentIndex(n + 1);
    graph->ComboBoxChange(n);
  }
  screen.Shot(graph, "graph");
  graph->ButtonStatsClick();
  screen.Shot(graph->Stats(), "statistics");
  graph->Stats()->hide();
  graph->ButtonScalesClick();
  screen.Shot(app.Scales(), "scales");
  app.Scales()->hide();
  // The table is modal: pictured from inside its loop, once it is filled and shown.
  QTimer poll;
  poll.setInterval(50);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (auto* sheet = qobject_cast<TFormSheet*>(QApplication::activeModalWidget())) {
      poll.stop();
      screen.Shot(sheet, "table");
      sheet->reject();
    }
  });
  poll.start();
  graph->ButtonTextClick();
  delete app.Graph();
  return screen.AllInside() ? 0 : 1;
}
