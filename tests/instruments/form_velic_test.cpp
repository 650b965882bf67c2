#include "instruments/form_velic.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QTableView>

#include "app/error.h"
#include "support/qt/window_fixture.h"
#include "support/quantity_text.h"

namespace korvan {
namespace {

using testing::ReadBytes;
using testing::WindowFixture;
using testing::WriteBytes;

using testing::kHeaderLine;

using testing::kMeterMap;

class FormVelicTest : public ::testing::Test {
 protected:
  TFormVelic& form() { return *fixture_.app->Velic(); }
  testing::FakeDialogs& dialogs() { return fixture_.dialogs; }
  std::string Caption() { return form().windowTitle().toStdString(); }
  std::string Shown(int row, int column) {
    QAbstractItemModel* model = form().StringGridVelic->model();
    return model->data(model->index(row - 1, column)).toString().toStdString();
  }
  std::string QuantityFile(const char* name) { return fixture_.paths.quantity_dir + name; }

  WindowFixture fixture_;
};

TEST_F(FormVelicTest, GridHasRowNumbersAndHeaders) {
  EXPECT_EQ(Caption(), "Editor veličin");
  EXPECT_EQ(form().size(), QSize(749, 633));
  QAbstractItemModel* model = form().StringGridVelic->model();
  EXPECT_EQ(model->rowCount(), 999);
  EXPECT_EQ(model->columnCount(), 9);
  const char* headers[] = {"Řádek",     "Registr", "Adresa",  "Popis", "Typ čísla",
                           "Násobitel", "Minimum", "Maximum", "Ofset"};
  for (int column = 0; column < 9; ++column) {
    EXPECT_EQ(model->headerData(column, Qt::Horizontal).toString().toStdString(), headers[column]);
  }
  EXPECT_EQ(Shown(1, 0), "1");
  EXPECT_EQ(Shown(999, 0), "999");
  EXPECT_FALSE(model->flags(model->index(0, 0)) & Qt::ItemIsEditable);
  EXPECT_TRUE(model->flags(model->index(0, 1)) & Qt::ItemIsEditable);
  EXPECT_EQ(form().StringGridVelic->columnWidth(0), 60);
  EXPECT_EQ(form().StringGridVelic->columnWidth(3), 221);
  EXPECT_EQ(form().StringGridVelic->columnWidth(8), 60);
}

TEST_F(FormVelicTest, TabMovesToTheNextCellAndEditsReachTheTable) {
  QTableView* grid = form().StringGridVelic;
  form().show();
  grid->setFocus();
  grid->setCurrentIndex(grid->model()->index(0, 8));
  QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
  QApplication::sendEvent(grid, &tab);
  // From the last field of row 1 to the first field of row 2, passing the row number.
  EXPECT_EQ(grid->currentIndex().row(), 1);
  EXPECT_EQ(grid->currentIndex().column(), 1);

  grid->model()->setData(grid->model()->index(1, 3), "Tlak; vstup");
  EXPECT_EQ(form().Table().Row(2)[kFieldDescription], "Tlak vstup");
  form().hide();
}

TEST_F(FormVelicTest, OpenLoadsTheChosenFile) {
  WriteBytes(QuantityFile("em24.csv"), kMeterMap);
  dialogs().file_names.push_back(QuantityFile("em24.csv"));
  form().ButtonLoadClick();
  EXPECT_EQ(Caption(), "Editor veličin - em24.csv");
  EXPECT_EQ(form().Table().file_name, QuantityFile("em24.csv"));
  EXPECT_EQ(Shown(1, 3), "Napětí L1-N");
  EXPECT_EQ(Shown(13, 8), "-2,5");
  EXPECT_EQ(form().Table().OfferedCount(), 13);
  const FileDialogOptions& options = dialogs().file_dialogs.back();
  EXPECT_EQ(options.initial_dir, fixture_.paths.quantity_dir);
  EXPECT_EQ(options.default_extension, "csv");
  EXPECT_TRUE(options.file_must_exist);

  dialogs().file_names.push_back(std::nullopt);
  form().ButtonLoadClick();
  EXPECT_EQ(Caption(), "Editor veličin - em24.csv");
}

TEST_F(FormVelicTest, LoadByRelativeNameAndFailedLoad) {
  WriteBytes(QuantityFile("pump.csv"), std::string(kHeaderLine) + "H;1;Tlak\r\n");
  form().LoadQuantityFile("pump.csv");
  EXPECT_EQ(Shown(1, 3), "Tlak");

  EXPECT_THROW(form().LoadQuantityFile("chybi.csv"), Error);
  EXPECT_EQ(Caption(), "Editor veličin - pump.csv");
  EXPECT_EQ(Shown(1, 3), "Tlak");
  // The failed name is current: "Ulož" writes there.
  form().ButtonSaveClick();
  EXPECT_EQ(ReadBytes(QuantityFile("chybi.csv")), std::string(kHeaderLine) + "H;1;Tlak;;;;;\r\n");
  EXPECT_EQ(Caption(), "Editor veličin - chybi.csv");
}

TEST_F(FormVelicTest, SaveWritesEditsToTheCurrentFile) {
  WriteBytes(QuantityFile("em24.csv"), kMeterMap);
  form().LoadQuantityFile("em24.csv");
  EXPECT_EQ(form().SaveQuantityFile(), true);
  EXPECT_EQ(ReadBytes(QuantityFile("em24.csv")), kMeterMap);

  form().SetCell(2, 1, "");
  form().SetCell(2, 2, "");
  form().SetCell(2, 3, "");
  form().SetCell(2, 4, "");
  form().SetCell(2, 5, "");
  form().SetCell(2, 6, "");
  form().SetCell(2, 7, "");
  form().SetCell(2, 8, "");
  form().SetCell(20, 3, "Nová veličina");
  form().ButtonSaveClick();
  EXPECT_TRUE(dialogs().file_dialogs.empty());
  form().LoadQuantityFile("em24.csv");
  EXPECT_EQ(Shown(2, 3), "Napětí L3-N");
  EXPECT_EQ(Shown(13, 3), "Nová veličina");
  EXPECT_EQ(Shown(13, 1), "");
}

TEST_F(FormVelicTest, SaveWithoutAFileAsksForAName) {
  form().SetCell(1, 3, "Teplota");
  const std::string target = fixture_.dir.File("nova.csv");
  dialogs().file_names.push_back(target);
  form().ButtonSaveClick();
  ASSERT_EQ(dialogs().file_dialogs.size(), 1u);
  const FileDialogOptions& options = dialogs().file_dialogs[0];
  EXPECT_EQ(options.initial_dir, fixture_.paths.program_dir);
  EXPECT_EQ(options.file_name, "");
  EXPECT_TRUE(options.overwrite_prompt);
  EXPECT_EQ(options.filter, "Formátovaný text       [*.csv]|*.csv|Vše       [*.*]|*.*");
  EXPECT_EQ(ReadBytes(target), std::string(kHeaderLine) + ";;Teplota;;;;;\r\n");
  EXPECT_EQ(Caption(), "Editor veličin - nova.csv");

  // Save as offers the current file; cancelling changes nothing.
  dialogs().file_names.push_back(std::nullopt);
  form().ButtonSaveAsClick();
  EXPECT_EQ(dialogs().file_dialogs[1].file_name, target);
  EXPECT_EQ(form().Table().file_name, target);
}

TEST_F(FormVelicTest, FailedSaveIsReportedAndKeepsTheCaption) {
  WriteBytes(QuantityFile("em24.csv"), kMeterMap);
  form().LoadQuantityFile("em24.csv");
  dialogs().file_names.push_back(fixture_.dir.File("chybi/x.csv"));
  form().ButtonSaveAsClick();
  EXPECT_EQ(dialogs().Texts("error"), std::vector<std::string>{"Soubor veličin nelze uložit!"});
  EXPECT_EQ(Caption(), "Editor veličin - em24.csv");
  EXPECT_EQ(ReadBytes(QuantityFile("em24.csv")), kMeterMap);
}

TEST_F(FormVelicTest, EmptyAsksAndForgetsTheFileEitherWay) {
  WriteBytes(QuantityFile("em24.csv"), kMeterMap);
  form().LoadQuantityFile("em24.csv");

  dialogs().answers.push_back(false);
  form().ButtonEmptyClick();
  EXPECT_EQ(dialogs().Texts("confirm"), std::vector<std::string>{"Opravdu chcete data smazat ?"});
  EXPECT_EQ(Caption(), "Editor veličin");
  EXPECT_EQ(form().Table().file_name, "");
  EXPECT_EQ(form().Table().OfferedCount(), 13);

  dialogs().answers.push_back(true);
  form().ButtonEmptyClick();
  EXPECT_EQ(form().Table().OfferedCount(), 0);
  EXPECT_EQ(Shown(1, 3), "");
  EXPECT_EQ(Shown(1, 0), "1");

  // "Ulož" now asks for a name.
  form().ButtonSaveClick();
  EXPECT_EQ(dialogs().file_dialogs.size(), 1u);
}

TEST_F(FormVelicTest, KonecHidesAndKeepsTheTable) {
  form().SetCell(1, 3, "Neuloženo");
  form().show();
  form().ButtonKonec->click();
  EXPECT_FALSE(form().isVisible());
  EXPECT_EQ(form().Table().Row(1)[kFieldDescription], "Neuloženo");
}

}  // namespace
}  // namespace korvan
