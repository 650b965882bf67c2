// Pictures of the whole screen, where the window system puts the windows: the statistics
// window beside the graph window, and the message that follows the folder chooser of "&Ulož"
// over the graph window. Not a test: nothing is checked.
//
//   desk_shots FOLDER     (under a real display server, e.g. xvfb-run; scripts/shots)
#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "app/date_time.h"
#include "graph/form_graph.h"
#include "graph/form_stats.h"
#include "shell/form_app.h"
#include "shell/form_setup.h"
#include "shell/form_windows.h"
#include "sim/demo_card.h"
#include "support/qt/user_click.h"
#include "support/temp_dir.h"
#include "widgets/form_drive_chooser.h"
#include "widgets/form_qt_dialogs.h"

namespace korvan {
namespace {

bool SaveScreen(const QString& path) {
  for (int i = 0; i < 10; ++i) QApplication::processEvents();
  const bool saved = QGuiApplication::primaryScreen()->grabWindow(0).save(path);
  std::fputs(((saved ? "" : "cannot write ") + path + "\n").toUtf8().constData(), stdout);
  return saved;
}

}  // namespace
}  // namespace korvan

int main(int argc, char** argv) {
  using namespace korvan;
  KorvanApplication application(argc, argv);
  const QStringList args = QApplication::arguments();
  if (args.size() != 2) {
    std::fputs("usage: desk_shots FOLDER\n", stderr);
    return 2;
  }
  const QString folder = args[1];
  testing::TempDir program, demo;
  ProgramPaths paths;
  paths.program_dir = program.path() + "/";
  paths.settings_file = program.File("korvan-a.ini");
  paths.quantity_dir = program.File("Instrument/");
  std::filesystem::create_directories(paths.quantity_dir);
  WriteDemoCard(demo.path(), std::floor(Now()), ',');
  WriteDemoQuantityFiles(paths.quantity_dir, ',');

  QtUserDialogs dialogs;  // the real message boxes and choosers
  application.SetErrorDialogs(&dialogs);
  KorvanApp app(dialogs, dialogs, paths, ',', {});
  app.CreateWindows();
  app.Setup()->CheckBoxAlt->setChecked(true);
  app.Setup()->DirectoryListBoxAlt->SetDirectory(demo.path());
  app.CreateGraphWindow();
  TFormGraph* graph = app.Graph();
  if (!graph) return 1;
  graph->setGeometry(10, 20, 800, 700);
  bool ok = true;

  graph->ButtonStatsClick();
  ok &= SaveScreen(folder + "/desk_statistics.png");
  graph->ButtonStatsClick();  // again: stays where it is
  graph->Stats()->hide();

  // "&Ulož" clicked; the chooser answers with the data folder itself, which is refused.
  QTimer poll;
  poll.setInterval(50);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    QWidget* modal = QApplication::activeModalWidget();
    if (auto* chooser = qobject_cast<QFileDialog*>(modal)) {
      chooser->setDirectory(QString::fromStdString(demo.path()));
      QMetaObject::invokeMethod(chooser, "accept", Qt::DirectConnection);
    } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      ok &= SaveScreen(folder + "/desk_save_message.png");
      box->accept();
    }
  });
  poll.start();
  testing::UserClick(graph->ButtonSave);
  poll.stop();
  delete app.Graph();
  return ok ? 0 : 1;
}
