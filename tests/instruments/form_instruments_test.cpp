#include "instruments/form_instruments.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QToolButton>

#include "app/error.h"
#include "config/form_format.h"
#include "support/qt/window_fixture.h"

namespace korvan {
namespace {

using testing::WindowFixture;

class FormInstrumentsTest : public ::testing::Test {
 protected:
  // OK and Storno load the chosen instrument's quantity file: these must exist.
  FormInstrumentsTest() {
    for (const char* name : {"k.csv", "kotel.csv"}) {
      testing::WriteBytes(quantity_dir() + name, "Registr\r\nH;1;Teplota\r\n");
    }
    initial_file_ = form().EditFile->text().toStdString();
    form().EditFile->setText("k.csv");
  }

  TFormInstruments& form() { return *fixture_.app->Instruments(); }
  testing::FakeDialogs& dialogs() { return fixture_.dialogs; }
  const std::string& quantity_dir() { return fixture_.paths.quantity_dir; }

  void Enter(const char* address, const char* description, const char* file) {
    form().EditAdresa->setText(QString::fromUtf8(address));
    form().EditPopis->setText(QString::fromUtf8(description));
    form().EditFile->setText(QString::fromUtf8(file));
  }
  void AddInstruments(int count) {
    for (int i = 0; i < count; ++i) form().ButtonAddClick();
  }
  std::string Cell(int row, int column) {
    QTableWidgetItem* item = form().StringGrid1->item(row, column);
    return item ? item->text().toStdString() : std::string();
  }
  void ExpectButtons(bool change_remove, bool add, const char* where) {
    EXPECT_EQ(form().ButtonChg->isEnabled(), change_remove) << where;
    EXPECT_EQ(form().ButtonRemove->isEnabled(), change_remove) << where;
    EXPECT_EQ(form().ButtonAdd->isEnabled(), add) << where;
  }
  // An empty list shows the header texts as the grid's one ordinary row.
  void ExpectUnfixedHeaderRow() {
    EXPECT_EQ(form().StringGrid1->rowCount(), 1);
    EXPECT_FALSE(form().StringGrid1->horizontalHeader()->isVisibleTo(&form()));
    EXPECT_EQ(Cell(0, 0), "Adresa");
    EXPECT_EQ(Cell(0, 2), "Soubor veličin");
  }

  WindowFixture fixture_;
  std::string initial_file_;
};

TEST_F(FormInstrumentsTest, StartsEmptyWithDefaults) {
  EXPECT_EQ(form().windowTitle().toStdString(), "Definice přístrojů");
  EXPECT_EQ(form().size(), QSize(741, 314));
  EXPECT_EQ(form().EditAdresa->text().toStdString(), "01h");
  EXPECT_EQ(form().EditPopis->text().toStdString(), "Přístr.1");
  EXPECT_EQ(initial_file_, "");
  EXPECT_EQ(form().StringGrid1->columnWidth(0), 40);
  EXPECT_EQ(form().StringGrid1->columnWidth(1), 254);
  EXPECT_EQ(form().StringGrid1->columnWidth(2), 356);
  ExpectUnfixedHeaderRow();
  ExpectButtons(false, true, "start");

  // Double click on the header row of an empty list changes nothing.
  Enter("05h", "Kotel", "kotel.csv");
  form().StringGrid1DblClick();
  EXPECT_EQ(form().EditAdresa->text().toStdString(), "05h");
  EXPECT_EQ(form().EditPopis->text().toStdString(), "Kotel");
}

TEST_F(FormInstrumentsTest, AddAppendsFixesTheHeaderAndStepsTheAddress) {
  Enter("01h", "Čerpadlo", "pump.csv");
  form().ButtonAddClick();
  EXPECT_EQ(form().List().rows, (std::vector<Instrument>{{"01h", "Čerpadlo", "pump.csv"}}));
  EXPECT_EQ(form().StringGrid1->rowCount(), 1);
  EXPECT_TRUE(form().StringGrid1->horizontalHeader()->isVisibleTo(&form()));
  EXPECT_EQ(Cell(0, 1), "Čerpadlo");
  EXPECT_EQ(form().EditAdresa->text().toStdString(), "02h");
  ExpectButtons(true, true, "one instrument");

  form().ButtonAddClick();
  EXPECT_EQ(form().SelectedRow(), 2);
  EXPECT_EQ(form().List().rows[1].address, "02h");

  struct Case {
    const char* before;
    const char* after;
  };
  for (const Case& c : std::vector<Case>{{"FFh", "FFh"}, {"7", "8"}, {"", "1"}}) {
    form().EditAdresa->setText(c.before);
    form().ButtonAddClick();
    EXPECT_EQ(form().List().rows.back().address, c.before);
    EXPECT_EQ(form().EditAdresa->text().toStdString(), c.after) << c.before;
  }
}

TEST_F(FormInstrumentsTest, ArrowsStepTheAddress) {
  form().EditAdresa->setText("00h");
  form().UpDown1->down->click();
  EXPECT_EQ(form().EditAdresa->text().toStdString(), "00h");
  form().EditAdresa->setText("0Ah");
  form().UpDown1->up->click();
  EXPECT_EQ(form().EditAdresa->text().toStdString(), "0Bh");
}

TEST_F(FormInstrumentsTest, ChangeDoubleClickAndRemoveWorkOnTheSelectedRow) {
  Enter("01h", "A", "a.csv");
  AddInstruments(3);  // 01h A, 02h A, 03h A
  form().SelectRow(2);
  Enter("20h", "Druhý", "b.csv");
  form().ButtonChgClick();
  EXPECT_EQ(form().List().rows[1], (Instrument{"20h", "Druhý", "b.csv"}));
  EXPECT_EQ(Cell(1, 0), "20h");

  form().SelectRow(3);
  form().StringGrid1DblClick();
  EXPECT_EQ(form().EditAdresa->text().toStdString(), "03h");
  EXPECT_EQ(form().EditPopis->text().toStdString(), "A");
  EXPECT_EQ(form().EditFile->text().toStdString(), "a.csv");

  form().SelectRow(1);
  form().ButtonRemoveClick();
  ASSERT_EQ(form().List().Count(), 2);
  EXPECT_EQ(form().List().rows[0].address, "20h");
  EXPECT_EQ(Cell(0, 0), "20h");
  EXPECT_EQ(Cell(1, 0), "03h");
  ExpectButtons(true, true, "two left");

  form().ButtonRemoveClick();
  form().ButtonRemoveClick();
  EXPECT_EQ(form().List().Count(), 0);
  ExpectUnfixedHeaderRow();
  ExpectButtons(false, true, "all removed");
}

TEST_F(FormInstrumentsTest, TheFiftiethInstrumentDisablesAdd) {
  AddInstruments(49);
  ExpectButtons(true, true, "49");
  form().ButtonAddClick();
  ExpectButtons(true, false, "50");
  form().ButtonAddClick();
  EXPECT_EQ(form().List().Count(), 50);
  form().ButtonRemoveClick();
  ExpectButtons(true, true, "removed from 50");
}

TEST_F(FormInstrumentsTest, StornoPutsBackTheListOfTheActivation) {
  Enter("01h", "Kotel", "kotel.csv");
  AddInstruments(2);
  const InstrumentList at_activation = form().List();
  form().FormActivate();
  form().show();

  AddInstruments(3);
  form().SelectRow(1);
  Enter("77h", "Jiný", "x.csv");
  form().ButtonChgClick();
  form().ButtonCancelClick();

  EXPECT_EQ(form().List(), at_activation);
  EXPECT_EQ(form().StringGrid1->rowCount(), 2);
  EXPECT_EQ(Cell(0, 1), "Kotel");
  EXPECT_FALSE(form().isVisible());
  ExpectButtons(true, true, "restored two");

  // Back to an empty list: the header row stops being fixed.
  form().SetList({});
  form().FormActivate();
  AddInstruments(2);
  form().ButtonCancelClick();
  EXPECT_EQ(form().List().Count(), 0);
  ExpectUnfixedHeaderRow();
  ExpectButtons(false, true, "restored empty");
}

TEST_F(FormInstrumentsTest, StornoEnablesAddBelowFiftyInstruments) {
  struct Case {
    int count;
    bool add;
  };
  for (const Case& c : std::vector<Case>{{49, true}, {50, false}}) {
    form().SetList({});
    AddInstruments(c.count);
    form().FormActivate();
    if (c.count < 50) AddInstruments(1);
    form().SelectRow(1);
    form().ButtonRemoveClick();
    form().ButtonCancelClick();
    EXPECT_EQ(form().List().Count(), c.count);
    ExpectButtons(true, c.add, c.count == 49 ? "Storno to 49" : "Storno to 50");
  }
}

TEST_F(FormInstrumentsTest, ShowingTheWindowTakesTheSnapshot) {
  form().SetList({{{"01h", "Kotel", "k.csv"}}});
  form().show();
  form().activateWindow();
  QApplication::processEvents();
  AddInstruments(2);
  form().ButtonCancelClick();
  EXPECT_EQ(form().List().Count(), 1);
}

TEST_F(FormInstrumentsTest, OkAndStornoRebuildTheInstrumentChoice) {
  QComboBox* choice = fixture_.app->Format()->ComboBoxInstr;
  Enter("01h", "Kotel", "kotel.csv");
  form().ButtonAddClick();
  form().FormActivate();
  EXPECT_EQ(choice->count(), 0);  // edits show there only after OK or Storno
  form().ButtonOKClick();
  ASSERT_EQ(choice->count(), 1);
  EXPECT_EQ(choice->itemText(0).toStdString(), "01h | Kotel");

  form().FormActivate();
  AddInstruments(2);
  form().ButtonCancelClick();
  EXPECT_EQ(choice->count(), 1);
}

TEST_F(FormInstrumentsTest, MissingQuantityFileStopsOk) {
  Enter("01h", "Kotel", "chybi.csv");
  form().ButtonAddClick();
  form().show();
  EXPECT_THROW(form().ButtonOKClick(), Error);
  EXPECT_TRUE(form().isVisible());
  form().hide();
}

TEST_F(FormInstrumentsTest, TitleBarCloseKeepsTheEdits) {
  form().FormActivate();
  form().show();
  AddInstruments(2);
  form().close();
  EXPECT_FALSE(form().isVisible());
  EXPECT_EQ(form().List().Count(), 2);
}

TEST_F(FormInstrumentsTest, VyberPutsTheRelativeName) {
  struct Case {
    std::string chosen;
    std::string expected;
  };
  const std::string top = fixture_.dir.path();
  const std::vector<Case> cases = {
      {quantity_dir() + "pump.csv", "pump.csv"},
      {quantity_dir() + "Siemens/pump.csv", "Siemens\\pump.csv"},
      {top + "/maps/pump.csv", "..\\maps\\pump.csv"},
  };
  for (const auto& c : cases) {
    dialogs().file_names.push_back(c.chosen);
    form().ButtonVyberClick();
    EXPECT_EQ(form().EditFile->text().toStdString(), c.expected);
  }
  const FileDialogOptions& options = dialogs().file_dialogs.back();
  EXPECT_EQ(options.initial_dir, quantity_dir());
  EXPECT_EQ(options.file_name, "*.csv");
  EXPECT_EQ(options.filter, "Formátovaný text       *.csv|*.csv|Vše       *.*|*.*");
  EXPECT_TRUE(options.file_must_exist);

  form().ButtonVyberClick();  // cancelled
  EXPECT_EQ(form().EditFile->text().toStdString(), "..\\maps\\pump.csv");
}

TEST_F(FormInstrumentsTest, LoadedListFixesTheHeaderAndEnablesButtons) {
  AddInstruments(50);
  InstrumentList loaded;
  loaded.rows = {{"01h", "Kotel", "kotel.csv"}, {"02h", "Čerpadlo", "..\\x\\pump.csv"}};
  form().SetList(loaded);
  EXPECT_EQ(form().StringGrid1->rowCount(), 2);
  EXPECT_EQ(Cell(1, 2), "..\\x\\pump.csv");
  ExpectButtons(true, true, "loaded two");
  form().SetList({});
  ExpectUnfixedHeaderRow();
  ExpectButtons(false, true, "loaded none");
}

}  // namespace
}  // namespace korvan
