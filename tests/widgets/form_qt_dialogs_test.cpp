#include "widgets/form_qt_dialogs.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <filesystem>
#include <map>
#include <vector>

#include "data/log_copy.h"
#include "graph/form_graph.h"
#include "shell/form_setup.h"
#include "shell/form_windows.h"
#include "support/qt/graph_window_fixture.h"
#include "support/qt/user_click.h"
#include "support/qt/window_fixture.h"
#include "support/temp_dir.h"
#include "widgets/form_drive_chooser.h"

namespace korvan {
namespace {

// The real message boxes; the folder chooser answers at once and, as on a desktop, leaves no
// window active behind it.
class AnsweredChooser : public QtUserDialogs {
 public:
  std::string BrowseForFolder(const std::string&) override {
    QApplication::setActiveWindow(nullptr);
    return folder;
  }
  std::string folder;
};

TEST(QtDialogs, AMessageAfterTheFolderChooserOpensOverTheWindowWhoseButtonWasClicked) {
  testing::TempDir data;
  testing::BasicWindowFixture<AnsweredChooser> fixture;
  AnsweredChooser& dialogs = fixture.dialogs;
  KorvanApp& app = *fixture.app;
  app.Setup()->CheckBoxAlt->setChecked(true);
  app.Setup()->DirectoryListBoxAlt->SetDirectory(data.path());
  testing::RampCard().WriteAll(data.path());
  // Read back from CONFIG.BIN, which names no quantity file that this computer lacks.
  std::filesystem::remove(data.path() + "/CONFIG.INI");
  app.CreateGraphWindow();
  TFormGraph* graph = app.Graph();
  ASSERT_NE(graph, nullptr);
  dialogs.folder = data.path();  // the data location itself: refused with a message

  std::vector<QWidget*> owners;
  QStringList texts;
  QTimer poll;
  poll.setInterval(0);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    owners.push_back(box->parentWidget());
    texts << box->text();
    box->accept();
  });
  poll.start();
  testing::UserClick(graph->ButtonSave);
  EXPECT_EQ(texts, QStringList{QString::fromUtf8(kCopyOntoSource)});
  EXPECT_EQ(owners, std::vector<QWidget*>{graph});
  delete app.Graph();
}

// A name typed without an extension gets the chosen filter's one; the default extension stays
// for the first filter.
TEST(QtDialogs, TheSaveDialogsExtensionFollowsTheChosenFilter) {
  testing::TempDir dir;
  QtUserDialogs dialogs;
  FileDialogOptions options;
  options.filter = "Formátovaný text *.csv|*.csv|Sešit Excel *.xlsx|*.xlsx";
  options.default_extension = "csv";
  options.initial_dir = dir.path();
  for (int filter : {0, 1}) {
    QTimer poll;
    poll.setInterval(0);
    QObject::connect(&poll, &QTimer::timeout, [&] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      if (!dialog) return;
      poll.stop();
      auto* types = dialog->findChild<QComboBox*>("fileTypeCombo");
      ASSERT_NE(types, nullptr);
      types->setCurrentIndex(filter);
      // As a click on the entry.
      emit types->activated(filter);
      emit types->textActivated(types->itemText(filter));
      dialog->findChild<QLineEdit*>("fileNameEdit")->setText("data");
      static_cast<QDialog*>(dialog)->accept();
    });
    poll.start();
    const std::optional<std::string> name = dialogs.SaveFileName(options);
    ASSERT_TRUE(name.has_value());
    EXPECT_EQ(*name, dir.File(filter == 0 ? "data.csv" : "data.xlsx"));
  }
}

// The choosers open where they last ended (by title), not in the working folder; a folder
// typed into the folder chooser that is not there yet is made after a Yes.
TEST(QtDialogs, ChoosersStartWhereTheyEndedAndTheFolderChooserMakesATypedFolder) {
  testing::TempDir dir;
  std::filesystem::create_directories(dir.File("last"));
  std::map<std::string, std::string> kept{{"Kam", dir.File("last")}, {"Data", dir.File("last")}};
  QtUserDialogs dialogs;
  dialogs.SetChooserFolders(
      {[&](const std::string& title) { return kept[title]; },
       [&](const std::string& title, const std::string& folder) { kept[title] = folder; }});
  QStringList opened_in;
  QStringList questions;
  const char* typed = "nova";
  QTimer poll;
  poll.setInterval(0);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    QWidget* modal = QApplication::activeModalWidget();
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      questions << box->text();
      box->button(QMessageBox::Yes)->click();
      return;
    }
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    if (!dialog || dialog->property("seen").toBool()) return;
    dialog->setProperty("seen", true);
    opened_in << dialog->directory().absolutePath();
    dialog->findChild<QLineEdit*>("fileNameEdit")->setText(typed);
    // Queued: the question it may ask is answered by this timer, which cannot fire within
    // its own call.
    QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
  });
  poll.start();
  EXPECT_EQ(dialogs.BrowseForFolder("Kam"), dir.File("last/nova"));
  EXPECT_TRUE(std::filesystem::is_directory(dir.File("last/nova")));
  EXPECT_EQ(questions.size(), 1);
  EXPECT_EQ(kept["Kam"], dir.File("last/nova"));

  FileDialogOptions options;
  options.title = "Data";
  typed = "x.csv";
  EXPECT_EQ(dialogs.SaveFileName(options), dir.File("last/x.csv"));
  EXPECT_EQ(opened_in, QStringList(2, QString::fromStdString(dir.File("last"))));
  EXPECT_EQ(kept["Data"], dir.File("last"));
}

}  // namespace
}  // namespace korvan
