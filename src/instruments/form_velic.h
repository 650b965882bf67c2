#pragma once

#include <QDialog>
#include <string>

#include "app/user_dialogs.h"
#include "instruments/quantity_file.h"

class QPushButton;
class QTableView;

namespace korvan {

class FormRegistry;
class QuantityTableModel;

// The quantity editor. Its table is also the program's one copy of the quantity file in use,
// which the recording parameters window loads and reads.
class TFormVelic : public QDialog {
  Q_OBJECT
 public:
  explicit TFormVelic(FormRegistry& app);

  const QuantityTable& Table() const { return table_; }
  // Resolves name against the quantity-file directory, makes it the current file and reads
  // it; a file that cannot be read throws korvan::Error with the table and caption unchanged.
  void LoadQuantityFile(const std::string& name);
  // Writes the table to the current file; a failure is reported and the caption stays.
  bool SaveQuantityFile();
  // A cell as the user sees it: row 1..999, column 1..8.
  void SetCell(int row, int column, const std::string& text);

  void ButtonLoadClick();
  void ButtonSaveClick();
  void ButtonSaveAsClick();
  void ButtonEmptyClick();

  QTableView* StringGridVelic;
  QPushButton* ButtonLoad;
  QPushButton* ButtonSave;
  QPushButton* ButtonSaveAs;
  QPushButton* Button1;
  QPushButton* ButtonKonec;
  FileDialogOptions OpenDialogVelic;
  FileDialogOptions SaveDialogVelic;

 private:
  FormRegistry& app_;
  QuantityTable table_;
  QuantityTableModel* model_;
};

}  // namespace korvan
