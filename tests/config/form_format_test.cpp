#include "config/form_format.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/cp1250.h"
#include "app/error.h"
#include "config/card_preparation.h"
#include "config/config_image.h"
#include "config/settings_file.h"
#include "instruments/form_instruments.h"
#include "instruments/form_velic.h"
#include "shell/form_setup.h"
#include "shell/form_windows.h"
#include "support/fake_card_system.h"
#include "support/qt/fake_window_dialogs.h"
#include "support/qt/window_fixture.h"
#include "support/quantity_text.h"
#include "support/temp_dir.h"
#include "widgets/form_drive_chooser.h"

namespace korvan {
namespace {

using testing::FakeExtentQuery;
using testing::FakeProcessRunner;
using testing::FakeWindowDialogs;
using testing::ReadBytes;
using testing::WriteBytes;

std::string T(const QString& text) { return text.toStdString(); }

class FormFormatTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Attach();
    WriteQuantityFile("elektro.csv", {"R;0010h;Napětí;F4;0,1;0;400;",
                                      "R;0012h;Proud;F4;0,01;0;100;", "H;20;Výkon;S2;1;;;5"});
    WriteQuantityFile("prazdny.csv", {});
  }
  void TearDown() override {
    app_.reset();
    QApplication::processEvents();
  }

  void StartApp(std::vector<Drive> drives) {
    app_.reset();
    app_ = std::make_unique<KorvanApp>(dialogs_, dialogs_, paths_, ',', std::move(drives));
    app_->CreateWindows();
    Attach();
  }
  void Attach() {
    app_->Setup()->Timer1->stop();  // the stored settings would replace the test's location
    app_->SetProcesses(&processes_);
    app_->SetExtents(&extents_);
    form_ = app_->Format();
  }

  // The data location: a folder as the alternative location, or a card reader as drive e.
  void UseFolder() {
    app_->Setup()->CheckBoxAlt->setChecked(true);
    app_->Setup()->DirectoryListBoxAlt->SetDirectory(card_.path());
  }
  // Its device is one that this process can read, so that the disk check runs.
  void UseCard() {
    StartApp({{'c', "", "/", "/dev/vda1"}, {'e', "KARTA", card_.path(), "/dev/null"}});
    app_->Setup()->DriveComboBoxCard->SetDrive('e');
  }

  void WriteQuantityFile(const std::string& name, const std::vector<std::string>& rows) {
    std::string text;
    for (const std::string& row : rows) text += row + "\r\n";
    WriteBytes(paths_.quantity_dir + name, testing::kHeaderLine + Utf8ToCp1250(text));
  }

  void UseInstruments(const std::vector<Instrument>& rows) {
    app_->Instruments()->SetList(InstrumentList{rows});
    form_->RebuildInstrumentChoice();
  }

  std::string Cell(int row, int column) const {
    QTableWidgetItem* item = form_->StringGridLogged->item(row, column);
    return item ? T(item->text()) : "";
  }

  std::vector<std::string> Items(QComboBox* combo) const {
    std::vector<std::string> items;
    for (int i = 0; i < combo->count(); ++i) items.push_back(T(combo->itemText(i)));
    return items;
  }

  testing::WindowFixture fixture_;
  testing::TempDir& dir_ = fixture_.dir;
  testing::TempDir card_;
  FakeProcessRunner processes_;
  FakeExtentQuery extents_;
  FakeWindowDialogs& dialogs_ = fixture_.dialogs;
  const ProgramPaths& paths_ = fixture_.paths;
  std::unique_ptr<KorvanApp>& app_ = fixture_.app;
  TFormFormat* form_ = nullptr;
};

TEST_F(FormFormatTest, StartsWithTheInitialConfiguration) {
  EXPECT_EQ(T(form_->windowTitle()), "Parametry záznamu");
  EXPECT_EQ(form_->Config(), RecordingConfig{});
  EXPECT_EQ(Items(form_->ComboBoxBaud),
            (std::vector<std::string>{"1200", "2400", "4800", "9600", "19200", "38400", "57600",
                                      "115200"}));
  EXPECT_EQ(T(form_->ComboBoxBaud->currentText()), "9600");
  EXPECT_EQ(T(form_->ComboBoxData->currentText()), "8");
  EXPECT_EQ(Items(form_->ComboBoxParity),
            (std::vector<std::string>{"Žádná", "Lichá", "Sudá", "Nulová"}));
  EXPECT_EQ(T(form_->ComboBoxParity->currentText()), "Žádná");
  EXPECT_EQ(T(form_->ComboBoxStop->currentText()), "1");
  EXPECT_EQ(Items(form_->ComboBoxInterval),
            (std::vector<std::string>{"1", "2", "3", "4/Změna/Strob."}));
  EXPECT_EQ(form_->ComboBoxInterval->currentIndex(), 0);
  EXPECT_EQ(form_->EditDni->maxLength(), 4);
  EXPECT_TRUE(form_->EditTab->isReadOnly());
  EXPECT_EQ(T(form_->GroupBoxLinka->title()), "Komunikační linka");
  EXPECT_TRUE(form_->ButtonAdd->isEnabled());
  EXPECT_FALSE(form_->ButtonChg->isEnabled());
  EXPECT_FALSE(form_->ButtonRemove->isEnabled());
  EXPECT_FALSE(form_->TitleRowFixed());
  EXPECT_EQ(form_->StringGridLogged->columnCount(), 11);
  for (int column = 0; column < 11; ++column) {
    EXPECT_EQ(T(form_->StringGridLogged->horizontalHeaderItem(column)->text()),
              kLineTitles[column]);
  }
  const std::vector<std::pair<QPushButton*, const char*>> buttons = {
      {form_->ButtonAdd, "Při&dat"},
      {form_->ButtonChg, "Z&měnit"},
      {form_->ButtonRemove, "Odeb&rat"},
      {form_->ButtonLoad, "&Načti z disku"},
      {form_->ButtonCfgChg, "Připra&v kartu"},
      {form_->ButtonSave, "&Ulož na disk"},
      {form_->ButtonLoadFromCard, "Vyčti &z karty"},
      {form_->ButtonZmCfg, "Zm. &Cfg"}};
  for (const auto& [button, caption] : buttons) EXPECT_EQ(T(button->text()), caption);
}

TEST_F(FormFormatTest, InstrumentChoiceLoadsTheChosenInstrumentsQuantities) {
  UseInstruments({{"01h", "Elektroměr", "elektro.csv"}, {"2", "Prázdný", "prazdny.csv"}});
  EXPECT_EQ(Items(form_->ComboBoxInstr),
            (std::vector<std::string>{"01h | Elektroměr", "2   | Prázdný"}));
  EXPECT_EQ(Items(form_->ComboBoxVelic), (std::vector<std::string>{"Napětí", "Proud", "Výkon"}));
  EXPECT_EQ(form_->ComboBoxVelic->currentIndex(), 0);
  EXPECT_EQ(T(form_->EditOznaceni->text()), "Napětí");
  EXPECT_EQ(app_->Velic()->Table().file_name, paths_.quantity_dir + "elektro.csv");

  form_->ComboBoxVelic->setCurrentIndex(2);
  form_->ComboBoxVelicChange();
  EXPECT_EQ(T(form_->EditOznaceni->text()), "Výkon");

  // An instrument with an empty quantity file offers nothing, and add does nothing.
  form_->ComboBoxInstr->setCurrentIndex(1);
  form_->ComboBoxInstrChange();
  EXPECT_EQ(form_->ComboBoxVelic->count(), 0);
  EXPECT_EQ(T(form_->EditOznaceni->text()), "");
  form_->ButtonAddClick();
  EXPECT_EQ(form_->StringGridLogged->rowCount(), 0);

  UseInstruments({});
  EXPECT_EQ(form_->ComboBoxInstr->count(), 0);
  EXPECT_EQ(form_->ComboBoxVelic->count(), 0);
}

TEST_F(FormFormatTest, AMissingQuantityFileIsAnErrorOfTheLoad) {
  app_->Instruments()->SetList(InstrumentList{{{"01h", "X", "chybi.csv"}}});
  EXPECT_THROW(form_->RebuildInstrumentChoice(), Error);
}

TEST_F(FormFormatTest, AddChangeRemoveKeepTheListButtonsAndSizeInStep) {
  UseInstruments({{"01h", "Elektroměr", "elektro.csv"}});
  form_->EditOznaceni->clear();  // the label falls back to the quantity's description
  form_->ButtonAddClick();
  ASSERT_EQ(form_->StringGridLogged->rowCount(), 1);
  std::vector<std::string> line;
  for (int column = 0; column < 11; ++column) line.push_back(Cell(0, column));
  EXPECT_EQ(line, (std::vector<std::string>{"Elektroměr", "Napětí", "1", "01h", "R", "0010h", "F4",
                                            "0,1", "0", "400", ""}));
  EXPECT_TRUE(form_->TitleRowFixed());
  EXPECT_TRUE(form_->ButtonChg->isEnabled());
  EXPECT_TRUE(form_->ButtonRemove->isEnabled());
  EXPECT_EQ(form_->ComboBoxVelic->currentIndex(), 1);
  EXPECT_EQ(T(form_->EditOznaceni->text()), "Proud");
  EXPECT_EQ(T(form_->EditTab->text()), "4");

  form_->EditOznaceni->setText("Můj proud");
  form_->ComboBoxInterval->setCurrentIndex(3);
  form_->ButtonAddClick();
  EXPECT_EQ(Cell(1, kColLabel), "Můj proud");
  EXPECT_EQ(Cell(1, kColInterval), "4");
  EXPECT_EQ(form_->StringGridLogged->currentRow(), 1);
  EXPECT_EQ(T(form_->EditTab->text()), "5");  // 1 + 30 * (16/10 + 16/60) * 0.0824

  form_->ButtonAddClick();  // the last quantity: nothing is chosen afterwards
  EXPECT_EQ(form_->ComboBoxVelic->currentIndex(), -1);
  EXPECT_EQ(T(form_->EditOznaceni->text()), "");
  form_->ButtonAddClick();
  EXPECT_EQ(form_->StringGridLogged->rowCount(), 3);

  // Change overwrites the selected line and leaves the choices as they are.
  form_->ComboBoxVelic->setCurrentIndex(0);
  form_->EditOznaceni->setText("Změněno");
  form_->ComboBoxInterval->setCurrentIndex(1);
  form_->StringGridLogged->setCurrentCell(0, 0);
  form_->ButtonChgClick();
  EXPECT_EQ(Cell(0, kColLabel), "Změněno");
  EXPECT_EQ(Cell(0, kColInterval), "2");
  EXPECT_EQ(form_->ComboBoxVelic->currentIndex(), 0);
  EXPECT_EQ(T(form_->EditOznaceni->text()), "Změněno");

  // Remove moves the following lines up; the last one leaves the title row alone.
  form_->StringGridLogged->setCurrentCell(0, 0);
  form_->ButtonRemoveClick();
  ASSERT_EQ(form_->StringGridLogged->rowCount(), 2);
  EXPECT_EQ(Cell(0, kColLabel), "Můj proud");
  form_->ButtonRemoveClick();
  form_->ButtonRemoveClick();
  EXPECT_EQ(form_->StringGridLogged->rowCount(), 0);
  EXPECT_FALSE(form_->TitleRowFixed());
  EXPECT_FALSE(form_->ButtonChg->isEnabled());
  EXPECT_FALSE(form_->ButtonRemove->isEnabled());
  EXPECT_EQ(T(form_->EditTab->text()), "1");
}

TEST_F(FormFormatTest, TheFiftiethAddDisablesAddAndARemoveEnablesIt) {
  UseInstruments({{"01h", "Elektroměr", "elektro.csv"}});
  for (int i = 0; i < 50; ++i) {
    EXPECT_TRUE(form_->ButtonAdd->isEnabled()) << i;
    form_->ComboBoxVelic->setCurrentIndex(0);
    form_->ButtonAddClick();
  }
  EXPECT_EQ(form_->StringGridLogged->rowCount(), 50);
  EXPECT_FALSE(form_->ButtonAdd->isEnabled());
  form_->ButtonRemoveClick();
  EXPECT_TRUE(form_->ButtonAdd->isEnabled());
  EXPECT_EQ(form_->StringGridLogged->rowCount(), 49);
}

TEST_F(FormFormatTest, EnterInTheDaysFieldRecomputesOtherKeysDoNot) {
  UseInstruments({{"01h", "Elektroměr", "elektro.csv"}});
  form_->ButtonAddClick();
  ASSERT_EQ(T(form_->EditTab->text()), "4");
  form_->EditDni->setText("60");
  QKeyEvent key_a(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a");
  QApplication::sendEvent(form_->EditDni, &key_a);
  EXPECT_EQ(T(form_->EditTab->text()), "4");
  form_->EditDni->setText("60");
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QApplication::sendEvent(form_->EditDni, &enter);
  EXPECT_EQ(T(form_->EditTab->text()), "8");
}

TEST_F(FormFormatTest, AFieldThatDoesNotConvertIsReportedAndTheSizeStays) {
  UseInstruments({{"01h", "Elektroměr", "elektro.csv"}});
  form_->ButtonAddClick();
  form_->EditInterval1->setText("0");
  form_->CalcMB();
  form_->EditInterval1->setText("10");
  form_->EditDni->setText("x");
  form_->CalcMB();
  EXPECT_EQ(dialogs_.Texts("error"),
            (std::vector<std::string>{"Interval 1 musí být větší než nula.",
                                      "'x' is not a valid floating point value"}));
  EXPECT_EQ(T(form_->EditTab->text()), "4");
}

TEST_F(FormFormatTest, SavesAndLoadsThroughTheSettingsFileDialogs) {
  UseInstruments({{"01h", "Elektroměr", "elektro.csv"}, {"0Ah", "Čerpadlo", "prazdny.csv"}});
  form_->EditNazev->setText("Kotelna – zima");
  form_->EditDni->setText("7,5");
  form_->EditInterval2->setText("0,5");
  form_->ComboBoxParity->setCurrentIndex(3);
  form_->ComboBoxBaud->setCurrentIndex(7);
  form_->ButtonAddClick();
  form_->ComboBoxInterval->setCurrentIndex(1);
  form_->ButtonAddClick();
  const RecordingConfig saved = form_->Config();
  const InstrumentList instruments = app_->Instruments()->List();

  dialogs_.file_names.push_back(dir_.File("job.kva"));
  form_->ButtonSaveClick();
  ASSERT_EQ(dialogs_.file_dialogs.size(), 1u);
  const FileDialogOptions save = dialogs_.file_dialogs[0];
  EXPECT_EQ(save.filter,
            "Soubory nastavení [*.kva]|*.kva|Původní soubory nastavení [*.cfg]|*.cfg|Vše|*.*");
  EXPECT_EQ(save.default_extension, "kva");
  EXPECT_EQ(save.file_name, "*.kva");
  EXPECT_EQ(save.initial_dir, paths_.program_dir);
  EXPECT_TRUE(save.overwrite_prompt);
  EXPECT_NE(ReadBytes(dir_.File("job.kva")).find("Parity=3\r\n"), std::string::npos);

  // Another configuration in the window, then the saved one back.
  form_->EditNazev->setText("jiná");
  form_->ButtonRemoveClick();
  form_->ComboBoxParity->setCurrentIndex(0);
  UseInstruments({});
  dialogs_.file_names.push_back(dir_.File("job.kva"));
  form_->ButtonLoadClick();
  EXPECT_TRUE(dialogs_.file_dialogs[1].file_must_exist);
  EXPECT_EQ(dialogs_.file_dialogs[1].filter, save.filter);
  EXPECT_EQ(form_->Config(), saved);
  EXPECT_EQ(app_->Instruments()->List(), instruments);
  EXPECT_EQ(Items(form_->ComboBoxInstr),
            (std::vector<std::string>{"01h | Elektroměr", "0Ah | Čerpadlo"}));
  EXPECT_TRUE(form_->TitleRowFixed());
  EXPECT_TRUE(form_->ButtonChg->isEnabled());
  EXPECT_TRUE(dialogs_.messages.empty());

  // Cancelled dialogs do nothing.
  form_->ButtonSaveClick();
  form_->ButtonLoadClick();
  EXPECT_EQ(form_->Config(), saved);
}

TEST_F(FormFormatTest, AForeignFileChangesNothingAndSaysNothing) {
  WriteBytes(dir_.File("cizi.kva"), "[Application]\r\nName=KORVAN-A\r\n[Param]\r\nJobName=x\r\n");
  form_->EditNazev->setText("moje");
  EXPECT_FALSE(form_->LoadSettingsFile(dir_.File("cizi.kva")));
  EXPECT_EQ(T(form_->EditNazev->text()), "moje");
  EXPECT_TRUE(dialogs_.messages.empty());
}

TEST_F(FormFormatTest, LoadingShowsOddValuesAsTheFileHasThem) {
  WriteBytes(dir_.File("old.cfg"),
             "[Application]\r\nName=Korvan-A\r\nVersion=1.13\r\n"
             "[Communication]\r\nBaud=14400\r\n"
             "[Param]\r\nRecDays=1234,5\r\nMeasure=0\r\nInstrument=0\r\n");
  form_->ButtonAdd->setEnabled(false);
  ASSERT_TRUE(form_->LoadSettingsFile(dir_.File("old.cfg")));
  EXPECT_EQ(T(form_->ComboBoxBaud->currentText()), "");
  EXPECT_EQ(T(form_->ComboBoxData->currentText()), "");
  EXPECT_EQ(T(form_->ComboBoxParity->currentText()), "Lichá");
  EXPECT_EQ(T(form_->EditDni->text()), "1234,5");  // longer than typing allows, kept whole
  EXPECT_FALSE(form_->ButtonAdd->isEnabled());     // loading leaves add as it was
  EXPECT_FALSE(form_->ButtonChg->isEnabled());
  EXPECT_EQ(dialogs_.Texts("warn"), (std::vector<std::string>{kOlderVersionWarning}));
}

// The warning of an older file and a size that cannot be computed come after the window shows
// the loaded configuration and its instruments, not over the old one.
TEST_F(FormFormatTest, LoadingFillsTheWindowBeforeItWarns) {
  WriteBytes(dir_.File("old.cfg"),
             Utf8ToCp1250("[Application]\r\nName=Korvan-A\r\nVersion=1.13\r\n"
                          "[Param]\r\nJobName=Kotelna\r\nSavePeriod1=0\r\nMeasure=1\r\n"
                          "Instrument=1\r\n[Measure]\r\nLine01=Elektroměr;Teplota;1\r\n"
                          "[Instrument]\r\nLine01=01h;Elektroměr;elektro.csv\r\n"));
  std::vector<std::string> seen;
  dialogs_.on_message = [&](const testing::FakeDialogs::Message& m) {
    seen.push_back(m.kind + ": " + T(form_->EditNazev->text()) + ", " + Cell(0, kColLabel) + ", " +
                   std::to_string(app_->Instruments()->List().Count()) + ", " +
                   T(form_->EditTab->text()));
  };
  ASSERT_TRUE(form_->LoadSettingsFile(dir_.File("old.cfg")));
  dialogs_.on_message = nullptr;
  EXPECT_EQ(seen, (std::vector<std::string>{"warn: Kotelna, Teplota, 1, 1",
                                            "error: Kotelna, Teplota, 1, 1"}));
}

// Reading back from the card shows what was read, instrument list included, before the older
// version's warning or a size error, from either file.
TEST_F(FormFormatTest, ReadingBackFillsTheWindowBeforeItWarns) {
  UseFolder();
  WriteBytes(card_.File("CONFIG.INI"),
             Utf8ToCp1250("[Application]\r\nName=Korvan-A\r\nVersion=1.13\r\n"
                          "[Param]\r\nJobName=Kotelna\r\nSavePeriod1=0\r\nMeasure=1\r\n"
                          "Instrument=1\r\n[Measure]\r\nLine01=Elektroměr;Teplota;1\r\n"
                          "[Instrument]\r\nLine01=01h;Elektroměr;elektro.csv\r\n"));
  std::vector<std::string> seen;
  dialogs_.on_message = [&](const testing::FakeDialogs::Message& m) {
    seen.push_back(m.kind + ": " + Cell(0, kColLabel) + ", " +
                   std::to_string(app_->Instruments()->List().Count()));
  };
  form_->ButtonLoadFromCardClick();
  EXPECT_EQ(seen, (std::vector<std::string>{"warn: Teplota, 1", "error: Teplota, 1"}));

  // The image of a line with interval 0: its size cannot be computed.
  RecordingConfig config;
  config.intervals = {"0", "1", "1", "1"};
  config.lines = {{"Tlakoměr", "Tlak", "1", "02h", "H", "0", "F4", "1", "0", "10", ""}};
  WriteBytes(card_.File("CONFIG.BIN"), BuildConfigImage(config, ','));
  std::filesystem::remove(card_.File("CONFIG.INI"));
  seen.clear();
  form_->ButtonLoadFromCardClick();
  dialogs_.on_message = nullptr;
  EXPECT_EQ(seen, (std::vector<std::string>{"error: Tlak, 1"}));
}

// The size is recomputed on leaving the days field and each interval field.
TEST_F(FormFormatTest, LeavingANumberFieldRecomputesTheSize) {
  UseInstruments({{"01h", "Elektroměr", "elektro.csv"}});
  form_->ButtonAddClick();
  ASSERT_EQ(T(form_->EditTab->text()), "4");
  struct Case {
    QLineEdit* field;
    const char* text;
    const char* size;
  };
  const Case cases[] = {{form_->EditDni, "60", "8"},
                        {form_->EditInterval1, "5", "16"},
                        {form_->EditInterval2, "x", "16"},
                        {form_->EditInterval1, "10", "8"},
                        {form_->EditDni, "30", "4"}};
  for (const Case& c : cases) {
    c.field->setText(c.text);
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(c.field, &out);
    EXPECT_EQ(T(form_->EditTab->text()), c.size) << c.text;
  }
  // Interval 2 has no lines: its text is not read, so "x" is no error.
  EXPECT_TRUE(dialogs_.Texts("error").empty());
}

TEST_F(FormFormatTest, ActivationFillsAnEmptyOwnLabel) {
  UseInstruments({{"01h", "Elektroměr", "elektro.csv"}});
  form_->EditOznaceni->clear();
  form_->FormActivate();
  EXPECT_EQ(T(form_->EditOznaceni->text()), "Napětí");
  form_->EditOznaceni->setText("vlastní");
  form_->FormActivate();
  EXPECT_EQ(T(form_->EditOznaceni->text()), "vlastní");
}

using Message = testing::FakeDialogs::Message;

TEST_F(FormFormatTest, PreparesAFolderDrivingTheProgressBar) {
  UseFolder();
  UseInstruments({{"01h", "Elektroměr", "elektro.csv"}});
  form_->EditDni->setText("1");
  form_->ButtonAddClick();
  ASSERT_EQ(T(form_->EditTab->text()), "1");
  std::vector<int> values;
  QObject::connect(form_->ProgressBar1, &QProgressBar::valueChanged,
                   [&values](int value) { values.push_back(value); });
  form_->ButtonCfgChg->click();
  EXPECT_EQ(dialogs_.messages, (std::vector<Message>{{"done", "HOTOVO !"}}));
  EXPECT_EQ(form_->ProgressBar1->maximum(), 2048);
  EXPECT_EQ(values, (std::vector<int>{1023, 2047, 0}));
  EXPECT_EQ(std::filesystem::file_size(card_.File("LOG.BIN")), 1048576u);
  EXPECT_EQ(ReadBytes(card_.File("CONFIG.BIN")), BuildConfigImage(form_->Config(), ','));
  EXPECT_TRUE(processes_.runs.empty());

  // Again: the folder holds data now, and No keeps them.
  WriteBytes(card_.File("LOG.BIN"), "data");
  dialogs_.Clear();
  dialogs_.answers = {false};
  form_->ButtonCfgChgClick();
  EXPECT_EQ(dialogs_.messages, (std::vector<Message>{{"ask", kAskDeleteAlternativeData}}));
  EXPECT_EQ(ReadBytes(card_.File("LOG.BIN")), "data");
}

TEST_F(FormFormatTest, PreparesACardWithTheDiskCheckOfItsDevice) {
  UseCard();
  WriteBytes(card_.File("LOG.BIN"), "data");
  dialogs_.answers = {true};
  extents_.extent_map = Contiguity::kFragmented;
  form_->ButtonCfgChgClick();
  EXPECT_EQ(dialogs_.messages,
            (std::vector<Message>{{"ask", kAskDeleteCardData}, {"done", kCardDoneDefragment}}));
  EXPECT_EQ(processes_.runs,
            (std::vector<std::vector<std::string>>{{"/usr/sbin/fsck.fat", "-n", "/dev/null"}}));
  EXPECT_EQ(extents_.asked, (std::vector<std::string>{card_.File("LOG.BIN")}));
  EXPECT_EQ(form_->ProgressBar1->value(), 0);
}

TEST_F(FormFormatTest, ChangesTheConfigurationOnlyOnAPreparedCard) {
  UseFolder();
  WriteBytes(card_.File("LOG.BIN"), "data");
  form_->ButtonZmCfg->click();
  EXPECT_EQ(dialogs_.messages, (std::vector<Message>{{"error", kCardFilesMissing}}));
  EXPECT_FALSE(std::filesystem::exists(card_.File("CONFIG.BIN")));

  WriteBytes(card_.File("RDR.BIN"), "rdr");
  dialogs_.Clear();
  dialogs_.answers = {true};
  form_->EditNazev->setText("Nová");
  form_->ButtonZmCfgClick();
  EXPECT_EQ(dialogs_.messages,
            (std::vector<Message>{{"ask", kAskChangeConfiguration}, {"done", kCardDone}}));
  EXPECT_EQ(ReadBytes(card_.File("LOG.BIN")), "data");
  EXPECT_NE(ReadBytes(card_.File("CONFIG.INI")).find("JobName=Nov\xE1"), std::string::npos);
}

TEST_F(FormFormatTest, ReadsTheConfigurationBackFromTheCard) {
  UseFolder();
  UseInstruments({{"01h", "Elektroměr", "elektro.csv"}});
  form_->EditNazev->setText("Kotelna");
  form_->ButtonAddClick();
  form_->ButtonAddClick();
  const RecordingConfig written = form_->Config();
  InstrumentList instruments = app_->Instruments()->List();
  const CardJob job{written, instruments, app_->CurrentLocation(), ',', dialogs_};
  ASSERT_TRUE(WriteCardConfiguration(job));
  dialogs_.Clear();

  // From CONFIG.INI: everything, the instrument list too.
  StartApp({{'c', "", "/", ""}});
  UseFolder();
  form_->ButtonLoadFromCard->click();
  EXPECT_EQ(form_->Config(), written);
  EXPECT_EQ(app_->Instruments()->List().rows, instruments.rows);
  EXPECT_EQ(form_->ComboBoxInstr->count(), 1);

  // From CONFIG.BIN: the lines as the image holds them; job name and instruments stay.
  std::filesystem::remove(card_.File("CONFIG.INI"));
  StartApp({{'c', "", "/", ""}});
  UseFolder();
  form_->EditNazev->setText("Zůstává");
  form_->ButtonLoadFromCardClick();
  EXPECT_EQ(T(form_->EditNazev->text()), "Zůstává");
  EXPECT_EQ(form_->StringGridLogged->rowCount(), 2);
  EXPECT_EQ(Cell(0, 0), "Elektrom");
  EXPECT_EQ(Cell(0, 1), "Napětí");
  EXPECT_EQ(Cell(0, 3), "01h");
  EXPECT_EQ(Cell(0, 5), "10h");
  EXPECT_EQ(Cell(0, 7), "0,100000001490116");
  EXPECT_TRUE(form_->TitleRowFixed());
  EXPECT_TRUE(form_->ButtonRemove->isEnabled());
  EXPECT_EQ(form_->ComboBoxInstr->count(), 0);
  EXPECT_TRUE(dialogs_.messages.empty());

  // An image without lines leaves the list empty and the buttons as they were.
  std::string image = ReadBytes(card_.File("CONFIG.BIN"));
  image[16] = 0;
  WriteBytes(card_.File("CONFIG.BIN"), image);
  form_->ButtonLoadFromCardClick();
  EXPECT_EQ(form_->StringGridLogged->rowCount(), 0);
  EXPECT_FALSE(form_->TitleRowFixed());
  EXPECT_TRUE(form_->ButtonRemove->isEnabled());

  // A short image: nothing happens, nothing is said.
  WriteBytes(card_.File("CONFIG.BIN"), image.substr(0, 100));
  form_->EditInterval1->setText("33");
  form_->ButtonLoadFromCardClick();
  EXPECT_EQ(T(form_->EditInterval1->text()), "33");
  EXPECT_TRUE(dialogs_.messages.empty());
}

}  // namespace
}  // namespace korvan
