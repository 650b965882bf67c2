#pragma once

#include <QDialog>

#include "app/user_dialogs.h"
#include "instruments/instrument_list.h"
#include "widgets/form_widgets.h"

class QGroupBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class QToolButton;
class QVBoxLayout;

namespace korvan {

class FormRegistry;

// The instrument list of the configuration. Edits count at once; Storno puts back the list
// as it was when the window was last activated.
class TFormInstruments : public QDialog {
  Q_OBJECT
 public:
  explicit TFormInstruments(FormRegistry& app);

  const InstrumentList& List() const { return list_; }
  // A loaded configuration replaces the list, also edits not yet confirmed.
  void SetList(InstrumentList list);
  // Grid row of the selection: 1..Count() when the list holds instruments, else 0.
  int SelectedRow() const;
  void SelectRow(int row);

  void FormActivate();
  void ButtonAddClick();
  void ButtonChgClick();
  void ButtonRemoveClick();
  void StringGrid1DblClick();
  void UpDown1Click(bool up);
  void ButtonVyberClick();
  void ButtonOKClick();
  void ButtonCancelClick();

  QGroupBox* GroupBox1;
  QLabel* LabelAdresa;
  QLineEdit* EditAdresa;
  UpDownArrows* UpDown1;
  QLabel* LabelPopis;
  QLineEdit* EditPopis;
  QLabel* LabelFile;
  QLineEdit* EditFile;
  QPushButton* ButtonVyber;
  QTableWidget* StringGrid1;
  QPushButton* ButtonAdd;
  QPushButton* ButtonChg;
  QPushButton* ButtonRemove;
  QPushButton* ButtonOK;
  QPushButton* ButtonCancel;
  FileDialogOptions OpenDialog1;

 protected:
  void reject() override;  // Esc is Storno
  // The title-bar button only hides: no snapshot is put back, no choice rebuilt.
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void AddFields(QVBoxLayout* layout);
  void AddGrid(QHBoxLayout* layout);
  void AddButtons(QHBoxLayout* layout);
  void ConnectControls();
  void ShowList();
  // The list shown again with row (clamped) selected and the buttons that fit its length.
  void ShowList(int row);
  // The instrument the address, description and quantity-file fields describe.
  Instrument FieldsInstrument() const;
  void ApplyButtons(const InstrumentButtons& buttons);
  void OtherWindowActivated(QWindow* window);

  FormRegistry& app_;
  InstrumentList list_;
  InstrumentList snapshot_;
  // Activation counts only when coming from another of the program's windows, not when
  // coming back from another program or from one of this window's own dialogs.
  bool active_among_ours_ = false;
};

}  // namespace korvan
