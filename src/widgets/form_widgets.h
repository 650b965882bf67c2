#pragma once

#include <QGroupBox>
#include <QPoint>
#include <QStringList>

class QButtonGroup;
class QLabel;
class QTableView;
class QToolButton;

namespace korvan {

// A window of fixed size with a title bar, the system menu, minimising and closing.
inline constexpr Qt::WindowFlags kFixedWindowFlags =
    Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
    Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint;

// A label whose mnemonic moves the focus to control.
QLabel* BuddyLabel(const char* caption, QWidget* control, QWidget* parent);

// A read-only list of records: no row numbers, rows of row_height pixels, one whole row
// picked at a time, columns the user may widen, no wrapping.
void SetUpRecordGrid(QTableView* grid, int row_height);

// Where a dialog of the given size goes beside window within the screen area: to its right,
// else to its left, so that it covers neither the chart nor its buttons; when the screen has
// room on neither side, against the screen's edge on the roomier side.
QPoint PlaceBeside(const QRect& window, const QSize& size, const QRect& area);

// A framed group of exclusive choices with an item index (-1 when nothing is chosen).
// Clicked is emitted when the user picks an item, not when the index is set in code.
class RadioGroup : public QGroupBox {
  Q_OBJECT
 public:
  RadioGroup(const QString& caption, const QStringList& items, QWidget* parent = nullptr);

  int ItemIndex() const;
  void SetItemIndex(int index);
  int Count() const;

 signals:
  void Clicked();

 private:
  QButtonGroup* buttons_;
};

// A pair of small auto-repeating arrows, up over down, that take no focus.
class UpDownArrows : public QWidget {
 public:
  explicit UpDownArrows(QWidget* parent);
  QToolButton* up;
  QToolButton* down;
};

}  // namespace korvan
