#include "graph/form_sheet.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QWheelEvent>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>

#include "data/log_copy.h"
#include "export/form_export_filter.h"
#include "shell/form_main_menu.h"
#include "support/qt/graph_window_fixture.h"
#include "support/qt/user_click.h"

namespace korvan {
namespace {

using testing::CardBuilder;
using testing::CardLine;
using testing::FloatBits;
using testing::MakeStamp;
using testing::ReadBytes;
using testing::TempDir;
using testing::ThreeLines;
using testing::WriteBytes;

class SheetTest : public testing::GraphWindowTest {
 protected:
  TFormGraph& Open(const CardBuilder& card) {
    TFormGraph& g = GraphWindowTest::Open(card);
    EXPECT_TRUE(g.Loaded());
    return g;
  }

  // Clicks "&Tabulka", lets look run on the shown table, then closes it with Escape.
  void WithTable(TFormGraph& g, const std::function<void(TFormSheet&)>& look) {
    bool looked = false;
    // The table is filled before it is shown, processing events meanwhile: wait for it.
    QTimer poll;
    poll.setInterval(0);
    QObject::connect(&poll, &QTimer::timeout, [&] {
      auto* sheet = qobject_cast<TFormSheet*>(QApplication::activeModalWidget());
      if (!sheet) return;
      poll.stop();
      EXPECT_FALSE(g.ProgressBar1->isVisible());
      look(*sheet);
      looked = true;
      // A table that Escape leaves open fails instead of hanging the test.
      QTimer::singleShot(2000, sheet, [sheet] {
        ADD_FAILURE() << "Escape did not close the table";
        sheet->reject();
      });
      QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
      QApplication::sendEvent(sheet->StringGrid1, &escape);
    });
    poll.start();
    g.ButtonTextClick();  // returns once Escape has closed the table
    EXPECT_TRUE(looked);
  }

  static QString Cell(TFormSheet& s, int row, int column) {
    QAbstractItemModel* m = s.StringGrid1->model();
    if (column == 0) return m->headerData(row, Qt::Vertical, Qt::DisplayRole).toString();
    return m->data(m->index(row, column - 1)).toString();
  }
  static QStringList Row(TFormSheet& s, int row) {
    QStringList cells;
    for (int c = 0; c <= s.StringGrid1->model()->columnCount(); ++c) cells << Cell(s, row, c);
    return cells;
  }

  // 3000 samples of one rising line, one a second.
  static CardBuilder LongCard() {
    CardBuilder card;
    card.lines = {CardLine{"A", "a", 1, "F4"}};
    for (int i = 0; i < 3000; ++i) {
      card.Block(MakeStamp(2006, 3, 5, 8 + i / 3600, i / 60 % 60, i % 60),
                 {{0, FloatBits(static_cast<float>(i))}});
    }
    return card;
  }

  static void Key(QWidget* to, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(to, &press);
  }
  static void Press(QWidget* to, QPoint at, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
                    QEvent::Type type = QEvent::MouseButtonPress) {
    QMouseEvent event(type, at, to->mapToGlobal(at), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                      modifiers);
    QApplication::sendEvent(to, &event);
  }
  static void ClickAt(QWidget* to, QPoint at, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    Press(to, at, modifiers);
    Press(to, at, modifiers, QEvent::MouseButtonRelease);
  }
  // A click on a cell in sight (its row in the window) or on a header's section.
  static void Click(SheetGrid* grid, int row, int column,
                    Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    ClickAt(grid->viewport(), grid->visualRect(grid->model()->index(row, column)).center(),
            modifiers);
  }
  static void ClickHeader(QHeaderView* header, int section) {
    const int along = header->sectionViewportPosition(section) + header->sectionSize(section) / 2;
    ClickAt(header->viewport(),
            header->orientation() == Qt::Horizontal ? QPoint(along, 5) : QPoint(5, along));
  }

  TempDir out_;
};

// Without milliseconds the second sample of A at 08:07:06 waits for a row of its own.
TEST_F(SheetTest, TableShowsEveryDistinctTimeWithItsCells) {
  const char* const seconds[] = {"06", "06", "07", "08"};
  const char* const hundredths[] = {".00", ".25", ".00", ".99"};
  const QStringList cells[] = {
      {"21.5", "12.3", "3"}, {"", "", ""}, {"", "0.7", ""}, {"1", "", "1.2E-05"}};
  for (const bool ms : {false, true}) {
    SCOPED_TRACE(ms);
    const int time_width = ms ? 130 : 110;
    TFormGraph& g = Open(ThreeLines(ms));
    WithTable(g, [&](TFormSheet& s) {
      EXPECT_EQ(s.windowTitle(), QString::fromUtf8("Naměřená data"));
      EXPECT_EQ(s.size(), QSize(701, 557));
      EXPECT_GE(s.StringGrid1->verticalHeader()->width(), time_width);
      EXPECT_LE(s.StringGrid1->verticalHeader()->width(), time_width + 40);
      EXPECT_EQ(s.Rows().HeaderText(0), "Datum, Čas");
      QAbstractItemModel* m = s.StringGrid1->model();
      EXPECT_EQ(m->headerData(0, Qt::Horizontal).toString(), QString::fromUtf8("A - a"));
      EXPECT_EQ(m->headerData(2, Qt::Horizontal).toString(), QString::fromUtf8("C - c"));
      ASSERT_EQ(m->rowCount(), 4);
      for (int r = 0; r < 4; ++r) {
        const QString time = QString(" 5.03.2006, 08:07:") + seconds[r] + (ms ? hundredths[r] : "");
        EXPECT_EQ(Row(s, r), QStringList{time} + cells[r]);
      }
      EXPECT_FALSE(m->flags(m->index(0, 0)) & Qt::ItemIsEditable);
      EXPECT_EQ(s.StringGrid1->horizontalHeader()->defaultSectionSize(), 110);
      EXPECT_EQ(s.StringGrid1->verticalHeader()->defaultSectionSize(), 16);
    });
    EXPECT_FALSE(g.ProgressBar1->isVisible());
    delete app_.Graph();
  }
}

TEST_F(SheetTest, RangeEndAndEmptyRange) {
  TFormGraph& g = Open(ThreeLines(true));
  const double day = EncodeDate(2006, 3, 5);
  // The end's second includes its later milliseconds; the next second is out.
  g.SetExportRange(day + EncodeTime(8, 7, 6, 0), day + EncodeTime(8, 7, 7, 0));
  WithTable(g, [&](TFormSheet& s) {
    ASSERT_EQ(s.StringGrid1->model()->rowCount(), 3);
    EXPECT_EQ(Cell(s, 2, 0), " 5.03.2006, 08:07:07.00");
  });
  g.SetExportRange(day + EncodeTime(9, 0, 0, 0), day + EncodeTime(10, 0, 0, 0));
  WithTable(g, [&](TFormSheet& s) {
    ASSERT_EQ(s.StringGrid1->model()->rowCount(), 1);
    EXPECT_EQ(Row(s, 0), (QStringList{"", "", "", ""}));
    EXPECT_EQ(s.StringGrid1->model()->headerData(1, Qt::Horizontal).toString(), "B - b");
  });
}

TEST_F(SheetTest, CtrlCCopiesTheSelectionWithHeaderAndTimes) {
  TFormGraph& g = Open(ThreeLines(false));
  WithTable(g, [&](TFormSheet& s) {
    SheetGrid* grid = s.StringGrid1;
    grid->horizontalHeader()->moveSection(2, 0);  // C dragged before A
    Click(grid, 0, 2);                            // C
    Click(grid, 1, 1, Qt::ShiftModifier);         // to B: the shown columns C, A, B
    Key(grid, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(),
              QString::fromUtf8("Datum, Čas\tC - c\tA - a\tB - b\n"
                                " 5.03.2006, 08:07:06\t3\t21.5\t12.3\n"
                                " 5.03.2006, 08:07:06\t\t\t\n"));
    ClickHeader(grid->horizontalHeader(), 1);  // B: all its rows
    s.CopySelection();
    EXPECT_EQ(QApplication::clipboard()->text(), QString::fromUtf8("Datum, Čas\tB - b\n"
                                                                   " 5.03.2006, 08:07:06\t12.3\n"
                                                                   " 5.03.2006, 08:07:06\t\n"
                                                                   " 5.03.2006, 08:07:07\t0.7\n"
                                                                   " 5.03.2006, 08:07:08\t\n"));
    // The first two shown columns (C and A): B, between them in the model, is not copied.
    Click(grid, 2, 2);
    Click(grid, 3, 0, Qt::ShiftModifier);
    s.CopySelection();
    EXPECT_EQ(QApplication::clipboard()->text(),
              QString::fromUtf8("Datum, Čas\tC - c\tA - a\n"
                                " 5.03.2006, 08:07:07\t\t\n"
                                " 5.03.2006, 08:07:08\t1.2E-05\t1\n"));
  });
}

// The grid holds the rows in sight only; keys, clicks, the wheel and the headers act on all
// 3000 rows, and Ctrl+C copies the rows selected whatever is in sight.
TEST_F(SheetTest, KeysClicksAndCopyActOnAllRows) {
  TFormGraph& g = Open(LongCard());
  WithTable(g, [&](TFormSheet& s) {
    SheetGrid* grid = s.StringGrid1;
    const size_t p = grid->PageRows();
    ASSERT_GT(p, 10u);
    EXPECT_LE(grid->model()->rowCount(), static_cast<int>(p) + 1);
    EXPECT_EQ(grid->RowBar()->maximum(), static_cast<int>(3000 - p));
    // The bar runs along the whole grid, as a view's own bar does.
    EXPECT_GE(grid->RowBar()->height(), grid->viewport()->height());
    const size_t wheel = 2 * static_cast<size_t>(QApplication::wheelScrollLines());
    auto keys = [grid](std::initializer_list<int> list, Qt::KeyboardModifiers modifiers = {}) {
      for (int key : list) Key(grid, key, modifiers);
    };
    auto downs = [&](Qt::KeyboardModifiers modifiers) {
      for (size_t i = 0; i < p; ++i) Key(grid, Qt::Key_Down, modifiers);
    };
    struct Case {
      const char* name;
      size_t cursor, first, copy_from, copy_to;
      std::function<void()> steps;
    };
    const Case cases[] = {
        {"down past the bottom", p, 1, p, p, [&] { downs({}); }},
        {"shift+down past the bottom", p, 1, 0, p, [&] { downs(Qt::ShiftModifier); }},
        {"two pages down", 2 * p, 2 * p, 2 * p, 2 * p,
         [&] {
           keys({Qt::Key_PageDown, Qt::Key_PageDown});
         }},
        {"to the end and a page back selected", 2999 - p, 3000 - 2 * p, 2999 - p, 2999,
         [&] {
           keys({Qt::Key_End}, Qt::ControlModifier);
           keys({Qt::Key_PageUp}, Qt::ShiftModifier);
         }},
        {"a click, then shift+ctrl+end", 2999, 3000 - p, 3, 2999,
         [&] {
           Click(grid, 3, 0);
           keys({Qt::Key_End}, Qt::ShiftModifier | Qt::ControlModifier);
         }},
        {"the wheel, then a shift+click at the top", wheel, wheel, 0, wheel,
         [&] {
           QWheelEvent turn(QPointF(50, 50), grid->viewport()->mapToGlobal(QPointF(50, 50)),
                            QPoint(), QPoint(0, -240), Qt::NoButton, Qt::NoModifier,
                            Qt::NoScrollPhase, false);
           QApplication::sendEvent(grid->viewport(), &turn);
           Click(grid, 0, 0, Qt::ShiftModifier);
         }},
        {"a page down, then a time clicked", p + 2, p, p + 2, p + 2,
         [&] {
           keys({Qt::Key_PageDown});
           ClickHeader(grid->verticalHeader(), 2);
         }},
        {"the column's caption", 0, 0, 0, 2999, [&] { ClickHeader(grid->horizontalHeader(), 0); }},
        {"ctrl+a", 0, 0, 0, 2999, [&] { keys({Qt::Key_A}, Qt::ControlModifier); }},
        {"the top-left cell", 0, 0, 0, 2999,
         [&] { testing::UserClick(grid->findChild<QAbstractButton*>()); }},
    };
    for (const Case& c : cases) {
      SCOPED_TRACE(c.name);
      keys({Qt::Key_Home}, Qt::ControlModifier);
      ASSERT_EQ(grid->FirstRow(), 0u);
      c.steps();
      EXPECT_EQ(grid->Current().row, c.cursor);
      EXPECT_EQ(grid->FirstRow(), c.first);
      // The window shows the rows from the first on, the selected ones as selected.
      const size_t last_shown = c.first + static_cast<size_t>(grid->model()->rowCount()) - 1;
      EXPECT_EQ(Cell(s, 0, 0).toStdString(), s.Rows().TimeText(c.first));
      EXPECT_EQ(Cell(s, grid->model()->rowCount() - 1, 1).toStdString(),
                std::to_string(last_shown));
      const size_t overlap = std::min(c.copy_to, last_shown) + 1 -
                             std::min(std::max(c.copy_from, c.first), last_shown + 1);
      EXPECT_EQ(grid->selectionModel()->selectedIndexes().size(), static_cast<qsizetype>(overlap));
      Key(grid, Qt::Key_C, Qt::ControlModifier);
      const QStringList copied = QApplication::clipboard()->text().split('\n');
      ASSERT_EQ(static_cast<size_t>(copied.size()), c.copy_to - c.copy_from + 3);  // + header, end
      EXPECT_EQ(copied[1].toStdString(),
                s.Rows().TimeText(c.copy_from) + "\t" + std::to_string(c.copy_from));
      EXPECT_EQ(copied[copied.size() - 2].toStdString(),
                s.Rows().TimeText(c.copy_to) + "\t" + std::to_string(c.copy_to));
    }

    // A drag held below the grid selects on into the rows beyond, until it is let go.
    keys({Qt::Key_Home}, Qt::ControlModifier);
    const QPoint from = grid->visualRect(grid->model()->index(2, 0)).center();
    const QPoint below(from.x(), grid->viewport()->height() + 40);
    Press(grid->viewport(), from);
    Press(grid->viewport(), below, Qt::NoModifier, QEvent::MouseMove);
    auto spin = [](int ms) {
      QElapsedTimer held;
      held.start();
      while (held.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 20);
    };
    spin(400);
    Press(grid->viewport(), below, Qt::NoModifier, QEvent::MouseButtonRelease);
    const size_t reached = grid->Current().row;
    EXPECT_GT(reached, p);
    EXPECT_EQ(grid->FirstRow(), reached - p + 1);
    spin(150);
    EXPECT_EQ(grid->Current().row, reached);
    s.CopySelection();
    EXPECT_EQ(QApplication::clipboard()->text().count('\n'), static_cast<qsizetype>(reached));

    // A lower window: fewer rows in sight, and the end still shows the last row.
    s.resize(701, 300);
    QApplication::processEvents();
    const size_t fewer = grid->PageRows();
    EXPECT_LT(fewer, p);
    keys({Qt::Key_End}, Qt::ControlModifier);
    EXPECT_EQ(grid->FirstRow(), 3000 - fewer);
    EXPECT_EQ(Cell(s, static_cast<int>(fewer) - 1, 1), "2999");
    s.resize(701, 557);
    QApplication::processEvents();
    EXPECT_EQ(grid->FirstRow(), 3000 - p);
    EXPECT_EQ(grid->model()->rowCount(), static_cast<int>(p));
  });
}

TEST_F(SheetTest, SavedCopyHoldsTheRangeAndOpensInTheGraphWindow) {
  TFormGraph& g = Open(ThreeLines(false));
  // Read back from CONFIG.BIN; the missing CONFIG.INI is skipped without a word.
  std::filesystem::remove(data_.File("CONFIG.INI"));
  const double day = EncodeDate(2006, 3, 5);
  g.SetExportRange(day + EncodeTime(8, 7, 6, 0), day + EncodeTime(8, 7, 8, 0));
  dialogs_.folders.push_back("");
  g.ButtonSaveClick();  // cancelled
  EXPECT_TRUE(std::filesystem::is_empty(out_.path()));

  dialogs_.folders.push_back(out_.path());
  g.ButtonSaveClick();
  EXPECT_TRUE(dialogs_.messages.empty());
  EXPECT_FALSE(g.ProgressBar1->isVisible());
  EXPECT_EQ(ReadBytes(out_.File("CONFIG.BIN")), ReadBytes(data_.File("CONFIG.BIN")));
  EXPECT_FALSE(std::filesystem::exists(out_.File("CONFIG.INI")));
  // The block stamped at the end is left out.
  const std::string log = ReadBytes(data_.File("LOG.BIN"));
  EXPECT_EQ(ReadBytes(out_.File("LOG.BIN")), log.substr(0, log.rfind("\xAA\xAA\xAA\xAA")));

  // The copy as the data location. Its data end before the stored range does (the block at
  // the end was not copied): the window asks, and No keeps the stored view.
  delete app_.Graph();
  dialogs_.answers.push_back(false);
  app_.Setup()->DirectoryListBoxAlt->SetDirectory(out_.path());
  app_.CreateGraphWindow();
  ASSERT_TRUE(app_.Graph()->Loaded());
  EXPECT_TRUE(app_.Graph()->ManualView);
  EXPECT_NEAR(app_.Graph()->CurrentExportRange().from, day + EncodeTime(8, 7, 6, 0), 1e-9);
  EXPECT_NEAR(app_.Graph()->CurrentExportRange().to, day + EncodeTime(8, 7, 8, 0), 1e-9);
  EXPECT_EQ(dialogs_.Texts("ask").size(), 1u);
  EXPECT_TRUE(dialogs_.Texts("error").empty());

  // The copy's own folder as the destination is refused.
  dialogs_.folders.push_back(out_.path() + "/");
  app_.Graph()->ButtonSaveClick();
  EXPECT_EQ(dialogs_.Texts("error"), std::vector<std::string>{kCopyOntoSource});
}

// The card's CONFIG.INI names an instrument whose quantity file this computer lacks: the
// read-back says so, and the copy, which needs no quantity file, is made all the same.
TEST_F(SheetTest, ACopyGoesOnWithoutTheInstrumentsQuantityFile) {
  TFormGraph& g = Open(ThreeLines(false));
  dialogs_.folders.push_back(out_.path());
  g.ButtonSaveClick();
  ASSERT_EQ(dialogs_.Texts("error").size(), 1u);
  EXPECT_TRUE(dialogs_.Texts("error")[0].starts_with("Soubor veličin"));
  EXPECT_EQ(ReadBytes(out_.File("CONFIG.INI")), ReadBytes(data_.File("CONFIG.INI")));
  EXPECT_TRUE(std::filesystem::exists(out_.File("LOG.BIN")));
  EXPECT_EQ(g.LabelStatus->text().toStdString(), "Kopie měření uložena do " + out_.path() + ".");
}

// A click of the user's that arrives while a long operation reports progress: armed at the
// bar's first move, it comes from the event loop the operation turns, as the user's would.
class BusyTest : public SheetTest {
 protected:
  BusyTest() {
    // Set up already: no first-run window waits on the shown main panel.
    WriteBytes(app_.Paths().settings_file, "[Application]\r\nName=Korvan-A\r\n");
    app_.MainMenu()->show();
    QApplication::processEvents();
  }

  void ClickDuringProgress(QProgressBar* bar, QAbstractButton* button) {
    auto armed = std::make_shared<bool>(false);
    QObject::connect(bar, &QProgressBar::valueChanged, button, [=, this](int value) {
      if (*armed || value == 0) return;
      *armed = true;
      QTimer::singleShot(0, button, [=, this] {
        busy_seen_ = !button->isEnabled();
        testing::UserClick(button);
      });
    });
  }

  // Accepts the export filter with its first entry and, when asked, any table that opens, so
  // that a fault shows as a wrong result instead of a hang. Counts what it answered.
  void AnswerDialogs(bool tables) {
    answerer_.setInterval(0);
    QObject::connect(&answerer_, &QTimer::timeout, [this, tables] {
      QWidget* modal = QApplication::activeModalWidget();
      if (auto* filter = qobject_cast<TFormExportFilter*>(modal)) {
        ++answered_;
        filter->ListBox1->item(0)->setSelected(true);
        filter->ButtonOKClick();
      } else if (auto* sheet = qobject_cast<TFormSheet*>(modal); sheet && tables) {
        ++answered_;
        sheet->reject();
      }
    });
    answerer_.start();
  }

  bool busy_seen_ = false;
  int answered_ = 0;
  QTimer answerer_;
};

// "Naměřená data" and the export clicked while the table fills are not run: no second graph
// window, no export filter, no file.
TEST_F(BusyTest, ClicksDuringTheTableFillWaitForItsEnd) {
  TFormGraph& g = Open(LongCard());
  dialogs_.file_names.push_back(out_.File("nested.csv"));
  AnswerDialogs(false);
  for (QAbstractButton* button : {static_cast<QAbstractButton*>(app_.MainMenu()->BitBtnMeasured),
                                  static_cast<QAbstractButton*>(g.ButtonExport)}) {
    SCOPED_TRACE(button->text().toStdString());
    busy_seen_ = false;
    ClickDuringProgress(g.ProgressBar1, button);
    WithTable(g, [&](TFormSheet& s) {
      ASSERT_EQ(s.Rows().RowCount(), 3000u);
      int empty = 0;
      for (size_t r = 0; r < 3000; ++r) empty += s.Rows().CellText(r, 0).empty();
      EXPECT_EQ(empty, 0);
    });
    EXPECT_TRUE(busy_seen_);
    EXPECT_EQ(app_.Graph(), &g);
    EXPECT_EQ(answered_, 0);
    EXPECT_FALSE(std::filesystem::exists(out_.File("nested.csv")));
  }
}

TEST_F(BusyTest, TableClickedDuringTheExportWaitsForItsEnd) {
  TFormGraph& g = Open(LongCard());
  dialogs_.file_names.push_back(out_.File("all.csv"));
  AnswerDialogs(true);
  ClickDuringProgress(g.ProgressBar1, g.ButtonText);
  g.ButtonExportClick();
  EXPECT_TRUE(busy_seen_);
  EXPECT_EQ(answered_, 1);  // the export's own filter, no table
  const std::string csv = ReadBytes(out_.File("all.csv"));
  EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 3001);
  EXPECT_TRUE(g.ButtonText->isEnabled());
}

}  // namespace
}  // namespace korvan
