#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <filesystem>

#include "app/date_time.h"
#include "app/error.h"
#include "app/program_settings.h"
#include "config/settings_file.h"
#include "graph/form_graph.h"
#include "shell/form_app.h"
#include "shell/form_main_menu.h"
#include "shell/form_setup.h"
#include "shell/form_windows.h"
#include "sim/demo_card.h"
#include "support/qt/fake_window_dialogs.h"
#include "support/qt/window_fixture.h"
#include "widgets/form_drive_chooser.h"
#include "widgets/form_qt_dialogs.h"

namespace korvan {
namespace {

class ShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(dir_.File("data/deep"));
    setup_ = app_->Setup();
  }
  void TearDown() override {
    app_.reset();
    QApplication::processEvents();
  }

  // Runs fn as soon as the modal loop that the next call opens is running.
  void WhenModal(std::function<void()> fn) {
    QTimer::singleShot(0, [this, fn] {
      opened_modally_ = setup_->isVisible() && setup_->isModal();
      fn();
    });
  }

  // Besides the root, a card in drive E:.
  testing::WindowFixture fixture_{[](const testing::TempDir& dir) {
    std::filesystem::create_directories(dir.File("card"));
    return std::vector<Drive>{{'e', "CARD", dir.File("card"), ""}};
  }};
  testing::TempDir& dir_ = fixture_.dir;
  testing::FakeWindowDialogs& dialogs_ = fixture_.dialogs;
  const ProgramPaths& paths_ = fixture_.paths;
  std::unique_ptr<KorvanApp>& app_ = fixture_.app;
  TFormSetup* setup_ = nullptr;
  bool opened_modally_ = false;
};

TEST_F(ShellTest, FirstRunShowsSettingsModallyUntilConfirmedWithOk) {
  WhenModal([this] { setup_->ButtonCancelClick(); });
  app_->MainMenu()->FormShow();
  EXPECT_TRUE(opened_modally_);
  EXPECT_FALSE(setup_->isVisible());
  EXPECT_FALSE(std::filesystem::exists(paths_.settings_file));  // Storno writes nothing

  opened_modally_ = false;
  WhenModal([this] { setup_->ButtonOKClick(); });
  app_->MainMenu()->FormShow();
  EXPECT_TRUE(opened_modally_);
  EXPECT_TRUE(ProgramIsSetUp(paths_.settings_file));

  opened_modally_ = false;
  bool ran = false;
  QTimer::singleShot(0, [&] { ran = true; });
  app_->MainMenu()->FormShow();  // returns at once: nothing modal to close
  EXPECT_FALSE(ran);
  QApplication::processEvents();
  EXPECT_FALSE(setup_->isVisible());
}

// The settings window's timer reads the stored settings once, half a second after start-up.
TEST_F(ShellTest, StoredCardDriveGivesCardPaths) {
  EXPECT_TRUE(setup_->Timer1->isActive() && setup_->Timer1->isSingleShot());
  EXPECT_EQ(setup_->Timer1->interval(), 500);
  WriteProgramSettings(paths_.settings_file, {"e", false, ""});
  setup_->Timer1Timer();
  EXPECT_FALSE(setup_->Timer1->isActive());
  EXPECT_EQ(app_->CardFilePath("CONFIG.BIN", true), dir_.File("card") + "/CONFIG.BIN");
  EXPECT_TRUE(dialogs_.messages.empty());
  EXPECT_FALSE(setup_->DriveComboBoxAlt->isEnabled());
  EXPECT_FALSE(setup_->DirectoryListBoxAlt->isEnabled());
}

TEST_F(ShellTest, AbsentStoredDriveKeepsTheShownDriveAndReportsTheMissingReader) {
  WriteProgramSettings(paths_.settings_file, {"g", false, ""});
  setup_->LoadProgramSettings();
  EXPECT_EQ(setup_->DriveComboBoxCard->DriveLetter(), 'g');
  EXPECT_NE(setup_->DriveComboBoxCard->ShownLetter(), 'g');
  if (setup_->DriveComboBoxCard->ShownLetter() <= 'd') {
    EXPECT_EQ(app_->CardFilePath("LOG.BIN", false), std::nullopt);
    EXPECT_TRUE(dialogs_.messages.empty());
    EXPECT_EQ(app_->CardFilePath("LOG.BIN", true), std::nullopt);
    EXPECT_EQ(dialogs_.Texts("error"), std::vector<std::string>{kReaderMissingMessage});
  }
  // OK stores the remembered letter unchanged.
  setup_->ButtonOKClick();
  EXPECT_EQ(ReadProgramSettings(paths_.settings_file).card_disk, "g");
}

// The card put into the reader after start-up: the next card operation finds it, without a
// restart; the settings window names the folder each drive stands for.
TEST_F(ShellTest, ACardPutInAfterStartUpIsFoundWhenNextAskedFor) {
  std::vector<Drive> drives = app_->Drives();
  app_->SetDriveSource([&drives] { return drives; });
  WriteProgramSettings(paths_.settings_file, {"f", false, ""});
  setup_->LoadProgramSettings();
  ASSERT_EQ(app_->CardFilePath("LOG.BIN", true), std::nullopt);
  EXPECT_EQ(dialogs_.Texts("error"), std::vector<std::string>{kReaderMissingMessage});

  std::filesystem::create_directories(dir_.File("reader"));
  drives.push_back({'f', "KARTA", dir_.File("reader"), ""});
  dialogs_.Clear();
  EXPECT_EQ(app_->CardFilePath("LOG.BIN", true), dir_.File("reader") + "/LOG.BIN");
  EXPECT_TRUE(dialogs_.messages.empty());
  EXPECT_EQ(setup_->DriveComboBoxCard->currentText().toStdString(), "f: " + dir_.File("reader"));
  EXPECT_EQ(setup_->DriveComboBoxAlt->itemText(1).toStdString(), "e: " + dir_.File("card"));

  // Taken out again: the reader is missing once more, and the choice stays remembered.
  drives.pop_back();
  setup_->show();
  EXPECT_EQ(setup_->DriveComboBoxCard->count(), 2);
  EXPECT_EQ(setup_->DriveComboBoxCard->DriveLetter(), 'f');
  setup_->hide();
}

TEST_F(ShellTest, AlternativeFolderAndStorno) {
  WriteProgramSettings(paths_.settings_file, {"e", true, dir_.File("data/deep")});
  setup_->Timer1Timer();
  EXPECT_TRUE(setup_->CheckBoxAlt->isChecked());
  EXPECT_TRUE(setup_->DirectoryListBoxAlt->isEnabled());
  EXPECT_EQ(app_->CardFilePath("LOG.BIN", true), dir_.File("data/deep") + "/LOG.BIN");

  // A change takes effect at once, before OK; the title-bar close keeps it for this run.
  setup_->show();
  setup_->CheckBoxAlt->setChecked(false);
  setup_->CheckBoxAltClick();
  setup_->close();
  EXPECT_FALSE(setup_->isVisible());
  EXPECT_EQ(app_->CardFilePath("LOG.BIN", true), dir_.File("card") + "/LOG.BIN");
  EXPECT_TRUE(ReadProgramSettings(paths_.settings_file).alternative);

  // Storno puts the stored choice back.
  setup_->show();
  setup_->ButtonCancelClick();
  EXPECT_FALSE(setup_->isVisible());
  EXPECT_TRUE(setup_->CheckBoxAlt->isChecked());
  EXPECT_EQ(app_->CardFilePath("LOG.BIN", true), dir_.File("data/deep") + "/LOG.BIN");
}

TEST_F(ShellTest, AlternativeFolderThatCannotBeEnteredIsAnErrorAndKeepsTheFolder) {
  WriteProgramSettings(paths_.settings_file, {"e", true, dir_.File("data/deep")});
  setup_->LoadProgramSettings();
  WriteProgramSettings(paths_.settings_file, {"e", true, dir_.File("gone")});
  EXPECT_THROW(setup_->ButtonCancelClick(), Error);
  EXPECT_TRUE(setup_->CheckBoxAlt->isChecked());
  EXPECT_EQ(app_->CardFilePath("LOG.BIN", true), dir_.File("data/deep") + "/LOG.BIN");
}

// OK stores the highlighted folder, also when the highlight was moved with the keys.
TEST_F(ShellTest, OkStoresTheHighlightedFolder) {
  WriteProgramSettings(paths_.settings_file, {"e", true, dir_.File("data/deep")});
  setup_->LoadProgramSettings();
  setup_->show();
  DirectoryListBox* tree = setup_->DirectoryListBoxAlt;
  tree->setFocus();
  QKeyEvent left(QEvent::KeyPress, Qt::Key_Left, Qt::NoModifier);
  QApplication::sendEvent(tree, &left);  // to the parent folder, "data"
  ASSERT_EQ(tree->Directory(), dir_.File("data"));
  setup_->ButtonOKClick();
  EXPECT_EQ(ReadProgramSettings(paths_.settings_file).alt_dir, dir_.File("data"));
}

// The second window replaces the first, which goes without its closing steps: its view is
// not stored.
TEST_F(ShellTest, MeasuredDataTwiceLeavesOneGraphWindow) {
  WriteDemoCard(dir_.File("data"), Today(), ',');
  WriteProgramSettings(paths_.settings_file, {"e", true, dir_.File("data")});
  setup_->LoadProgramSettings();
  const std::string stored = testing::ReadBytes(dir_.File("data/GRAPH.INI"));
  app_->MainMenu()->BitBtnMeasuredClick();
  TFormGraph* first = app_->Graph();
  ASSERT_NE(first, nullptr);
  first->ButtonZoomXOutClick();
  app_->MainMenu()->BitBtnMeasuredClick();
  QApplication::processEvents();
  int graphs = 0;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (qobject_cast<TFormGraph*>(w) != nullptr) ++graphs;
  }
  EXPECT_EQ(graphs, 1);
  EXPECT_NE(app_->Graph(), nullptr);
  EXPECT_TRUE(app_->graph_flag());
  EXPECT_EQ(testing::ReadBytes(dir_.File("data/GRAPH.INI")), stored);
}

// Quitting with the graph window open ends the program without the window's closing steps:
// the view the user zoomed to is not stored.
TEST_F(ShellTest, QuittingWithTheGraphWindowOpenStoresNothing) {
  WriteDemoCard(dir_.File("data"), Today(), ',');
  WriteProgramSettings(paths_.settings_file, {"e", true, dir_.File("data")});
  setup_->LoadProgramSettings();
  const std::string stored = testing::ReadBytes(dir_.File("data/GRAPH.INI"));
  for (int quit_by_title_bar = 0; quit_by_title_bar < 2; ++quit_by_title_bar) {
    app_->MainMenu()->BitBtnMeasuredClick();
    ASSERT_NE(app_->Graph(), nullptr);
    app_->Graph()->ButtonZoomXOutClick();
    app_->Graph()->ButtonZoomXOutClick();
    QTimer::singleShot(0, app_->MainMenu(), [this, quit_by_title_bar] {
      if (quit_by_title_bar) {
        app_->MainMenu()->close();
      } else {
        app_->MainMenu()->BitBtnCloseClick();
      }
    });
    QApplication::exec();
    EXPECT_EQ(testing::ReadBytes(dir_.File("data/GRAPH.INI")), stored);
  }
}

// The toolkit's own dialogs speak the program's language whatever the locale.
TEST_F(ShellTest, StandardDialogsAreCzech) {
  QFileDialog dialog;
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setFileMode(QFileDialog::ExistingFile);
  auto* buttons = dialog.findChild<QDialogButtonBox*>();
  ASSERT_NE(buttons, nullptr);
  EXPECT_EQ(buttons->button(QDialogButtonBox::Cancel)->text().toStdString(), "Zrušit");
  auto* look_in = dialog.findChild<QLabel*>("lookInLabel");
  ASSERT_NE(look_in, nullptr);
  EXPECT_NE(look_in->text().toStdString(), "Look in:");
}

// The settings-file dialogs: the name field starts with "*.kva", and each filter shows the
// program's text once, not followed by its pattern again.
TEST_F(ShellTest, SettingsFileDialogShowsThePatternAndEachFilterOnce) {
  QtUserDialogs qt_dialogs;
  FileDialogOptions options;
  options.filter = kSettingsFileFilter;
  options.file_name = kSettingsFileName;
  options.initial_dir = dir_.path();
  std::string name, filter_text;
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    name = dialog->findChild<QLineEdit*>("fileNameEdit")->text().toStdString();
    filter_text = dialog->findChild<QComboBox*>("fileTypeCombo")->itemText(0).toStdString();
    dialog->reject();
  });
  EXPECT_EQ(qt_dialogs.OpenFileName(options), std::nullopt);
  EXPECT_EQ(name, "*.kva");
  EXPECT_EQ(filter_text, "Soubory nastavení [*.kva]");
}

// The main panel's buttons sit side by side within its fixed 538 pixels, none covering
// another, and the settings window opens at its design width.
TEST_F(ShellTest, WindowsKeepTheirDesignSizes) {
  WriteProgramSettings(paths_.settings_file, {"e", false, ""});  // no first-run window
  TFormMainMenu* menu = app_->MainMenu();
  menu->show();
  QApplication::processEvents();
  int right = 0;
  for (QToolButton* button : {menu->BitBtnInstr, menu->BitBtnAppl, menu->BitBtnMeasured,
                              menu->BitBtnSetup, menu->BitBtnAbout, menu->BitBtnClose}) {
    EXPECT_GE(button->geometry().left(), right) << button->text().toStdString();
    right = button->geometry().right() + 1;
  }
  EXPECT_LE(right, 538);
  EXPECT_EQ(menu->width(), 538);
  EXPECT_EQ(menu->minimumSize(), menu->maximumSize());
  EXPECT_EQ(menu->windowTitle().toStdString(), "Korvan-A - Ovládací panel");
  menu->hide();

  setup_->show();
  QApplication::processEvents();
  EXPECT_EQ(setup_->width(), 242);
  setup_->hide();
}

TEST_F(ShellTest, ErrorEscapingAHandlerIsShownAndTheProgramGoesOn) {
  auto* application = static_cast<KorvanApplication*>(QCoreApplication::instance());
  application->SetErrorDialogs(&dialogs_);
  bool after = false;
  QTimer::singleShot(0, [] { throw Error("'x' is not a valid floating point value"); });
  QTimer::singleShot(0, [] { throw std::runtime_error("disk full"); });
  QTimer::singleShot(0, [&] { after = true; });
  for (int i = 0; i < 5 && !after; ++i) QApplication::processEvents();
  application->SetErrorDialogs(nullptr);
  EXPECT_TRUE(after);
  EXPECT_EQ(dialogs_.Texts("error"),
            (std::vector<std::string>{"'x' is not a valid floating point value", "disk full"}));
}

}  // namespace
}  // namespace korvan
