#include <gtest/gtest.h>

#include <QApplication>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QUrl>
#include <filesystem>

#include "app/program_settings.h"
#include "config/form_format.h"
#include "config/settings_file.h"
#include "data/measurement_folder.h"
#include "graph/form_graph.h"
#include "instruments/instrument_list.h"
#include "shell/form_app.h"
#include "shell/form_main_menu.h"
#include "shell/form_windows.h"
#include "support/card_builder.h"
#include "support/qt/fake_window_dialogs.h"
#include "support/qt/window_fixture.h"

namespace korvan {
namespace {

class DropTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(dir_.File("karta"));
    card_.lines = {testing::CardLine{"Teplota", "T1"}};
    card_.job_name = "Kotelna";
    card_.Block(testing::MakeStamp(2024, 5, 1, 10, 0, 0), {{0, testing::FloatBits(1.5f)}});
    // An error escaping a handler is recorded, not shown in a box that would wait.
    static_cast<KorvanApplication*>(qApp)->SetErrorDialogs(&dialogs_);
  }
  void TearDown() override {
    static_cast<KorvanApplication*>(qApp)->SetErrorDialogs(nullptr);
    delete app_->Graph();
    app_.reset();
    QApplication::processEvents();
  }

  // Drags the paths over the window and drops them, as a file manager does; true when the
  // window took the drag. Offering a move too, the source proposes it (as most file managers
  // do); the window's answers are kept in actions.
  static bool Drop(QWidget* window, const std::vector<std::string>& paths, bool offer_move = false,
                   std::vector<Qt::DropAction>* actions = nullptr) {
    QMimeData data;
    QList<QUrl> urls;
    for (const std::string& p : paths) urls << QUrl::fromLocalFile(QString::fromStdString(p));
    data.setUrls(urls);
    const Qt::DropActions offered = offer_move ? Qt::CopyAction | Qt::MoveAction : Qt::CopyAction;
    const Qt::KeyboardModifiers keys = offer_move ? Qt::ShiftModifier : Qt::NoModifier;
    QDragEnterEvent enter(QPoint(5, 5), offered, &data, Qt::LeftButton, keys);
    enter.setAccepted(false);
    QApplication::sendEvent(window, &enter);
    QDropEvent drop(QPointF(5, 5), offered, &data, Qt::LeftButton, keys);
    QApplication::sendEvent(window, &drop);
    if (actions) *actions = {enter.proposedAction(), enter.dropAction(), drop.dropAction()};
    QApplication::processEvents();
    return enter.isAccepted();
  }

  testing::WindowFixture fixture_;
  testing::TempDir& dir_ = fixture_.dir;
  testing::FakeWindowDialogs& dialogs_ = fixture_.dialogs;
  const ProgramPaths& paths_ = fixture_.paths;
  std::unique_ptr<KorvanApp>& app_ = fixture_.app;
  testing::CardBuilder card_;
};

TEST_F(DropTest, ACardFolderBecomesTheStoredDataLocationAndOpensTheGraph) {
  const std::string folder = dir_.File("karta");
  card_.WriteAll(folder);
  EXPECT_TRUE(Drop(app_->MainMenu(), {folder + "/"}));
  EXPECT_TRUE(dialogs_.messages.empty());
  const ProgramSettings stored = ReadProgramSettings(paths_.settings_file);
  EXPECT_TRUE(stored.alternative);
  EXPECT_EQ(stored.alt_dir, folder);
  EXPECT_TRUE(ProgramIsSetUp(paths_.settings_file));
  ASSERT_NE(app_->Graph(), nullptr);
  EXPECT_TRUE(app_->Graph()->Loaded());
  EXPECT_EQ(app_->Graph()->CurrentMeasurement().buffers[0].count(), 1u);
}

TEST_F(DropTest, AMoveProposedIsTakenAsACopy) {
  const std::string folder = dir_.File("karta");
  card_.WriteAll(folder);
  std::vector<Qt::DropAction> actions;
  EXPECT_TRUE(Drop(app_->MainMenu(), {folder}, /*offer_move=*/true, &actions));
  ASSERT_EQ(actions.size(), 3u);
  ASSERT_EQ(actions[0], Qt::MoveAction);  // what the source proposed
  EXPECT_EQ(actions[1], Qt::CopyAction);
  EXPECT_EQ(actions[2], Qt::CopyAction);
  EXPECT_TRUE(std::filesystem::exists(folder + "/LOG.BIN"));
}

TEST_F(DropTest, AnythingElseOnTheMainPanelIsRefused) {
  const std::string folder = dir_.File("karta");
  card_.WriteConfigIni(folder);  // no LOG.BIN
  card_.WriteLog(dir_.path());   // LOG.BIN alone
  testing::WriteBytes(dir_.File("a.kva"), card_.ConfigIniBytes());
  const std::vector<std::vector<std::string>> drops = {
      {folder}, {dir_.path()}, {dir_.File("a.kva")}, {folder, dir_.path()}};
  for (const auto& paths : drops) {
    dialogs_.Clear();
    Drop(app_->MainMenu(), paths);
    EXPECT_EQ(dialogs_.Texts("error"), std::vector<std::string>{kFolderDropRefused}) << paths[0];
  }
  EXPECT_EQ(app_->Graph(), nullptr);
  EXPECT_FALSE(std::filesystem::exists(paths_.settings_file));
}

TEST_F(DropTest, ASettingsFileOnTheRecordingWindowLoads) {
  TFormFormat* format = app_->Format();
  RecordingConfig config = format->Config();
  config.job_name = "Kotelna";
  for (const char* name : {"linka.KVA", "linka.txt"}) {
    WriteSettingsFile(dir_.File(name), config, InstrumentList{}, ',');
  }
  Drop(format, {dir_.File("linka.txt")});
  EXPECT_EQ(dialogs_.Texts("error"), std::vector<std::string>{kSettingsDropRefused});
  EXPECT_EQ(format->EditNazev->text(), "");
  dialogs_.Clear();
  Drop(format, {dir_.File("linka.KVA")});
  EXPECT_TRUE(dialogs_.Texts("error").empty());
  EXPECT_EQ(format->EditNazev->text(), "Kotelna");
}

// Two saved copies dropped at once: joined into the chosen folder, which then opens.
TEST_F(DropTest, SeveralCardFoldersAreJoinedIntoAChosenFolderThatOpens) {
  const std::string first = dir_.File("karta"), second = dir_.File("karta2");
  const std::string joined = dir_.File("spojeno");
  std::filesystem::create_directories(second);
  std::filesystem::create_directories(joined);
  card_.WriteAll(first);
  testing::CardBuilder later = card_;
  later.log.clear();
  later.Block(testing::MakeStamp(2024, 5, 1, 10, 0, 0), {{0, testing::FloatBits(1.5f)}});
  later.Block(testing::MakeStamp(2024, 5, 2, 10, 0, 0), {{0, testing::FloatBits(2.5f)}});
  later.WriteAll(second);

  dialogs_.answers = {false};
  Drop(app_->MainMenu(), {first, second});
  EXPECT_EQ(
      dialogs_.Texts("ask"),
      std::vector<std::string>{"Přetažené složky s naměřenými daty (2) spojit do jedné složky?"});
  EXPECT_FALSE(std::filesystem::exists(joined + "/LOG.BIN"));
  EXPECT_EQ(app_->Graph(), nullptr);

  dialogs_.Clear();
  dialogs_.answers = {true};
  dialogs_.folders = {joined};
  Drop(app_->MainMenu(), {first, second});
  EXPECT_EQ(dialogs_.Texts("error"), std::vector<std::string>{});
  EXPECT_EQ(ReadProgramSettings(paths_.settings_file).alt_dir, joined);
  ASSERT_NE(app_->Graph(), nullptr);
  EXPECT_TRUE(app_->Graph()->Loaded());
  EXPECT_EQ(app_->Graph()->CurrentMeasurement().buffers[0].count(), 2u);
}

}  // namespace
}  // namespace korvan
