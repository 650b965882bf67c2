#pragma once

#include <QDialog>
#include <memory>

#include "export/export.h"
#include "export/sheet_rows.h"
#include "graph/form_sheet_grid.h"

class QPushButton;

namespace korvan {

// "Naměřená data": the measurement as a read-only grid over the graph window's range, one row
// per distinct sample time, the time in the fixed first column and one column per line.
// Filled while it is created; Escape closes it.
class TFormSheet : public QDialog {
  Q_OBJECT
 public:
  TFormSheet(Measurement& measurement, const StampRange& range, const SheetRows::Progress& progress,
             QWidget* parent = nullptr);
  ~TFormSheet() override;

  const SheetRows& Rows() const { return *rows_; }
  // Ctrl+C: the selected cells as tab-separated text with their header row and times, in the
  // columns' shown order; a whole selected column is copied whole.
  QString SelectedText() const;
  void CopySelection();

  SheetGrid* StringGrid1;
  QPushButton* ButtonClose;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::unique_ptr<SheetRows> rows_;
};

}  // namespace korvan
