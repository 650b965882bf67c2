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
#include <vector>

#include "data/form_graph.h"
#include "data/log_copy.h"
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

}  // namespace
}  // namespace korvan
