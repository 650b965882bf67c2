#pragma once

#include <QDialog>
#include <vector>

#include "app/data_location.h"
#include "platform/drives.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QTimer;

namespace korvan {

class KorvanApp;
class DriveComboBox;
class DirectoryListBox;

// Program settings: where the logger's files are. Its choosers are the data location in
// force, saved or not.
class TFormSetup : public QDialog {
  Q_OBJECT
 public:
  explicit TFormSetup(KorvanApp& app);

  DataLocation CurrentLocation() const;
  // Both drive choosers list these drives from now on.
  void SetDrives(const std::vector<Drive>& drives);

  void LoadProgramSettings();
  void SaveProgramSettings();
  void CheckBoxAltClick();
  void ButtonOKClick();
  void ButtonCancelClick();
  void ButtonEditInstrClick();
  void Timer1Timer();
  // The alternative directory chosen and confirmed as with OK, without showing the window.
  void UseAlternativeDirectory(const std::string& path);

  QLabel* LabelCardDir;
  DriveComboBox* DriveComboBoxCard;
  QCheckBox* CheckBoxAlt;
  DriveComboBox* DriveComboBoxAlt;
  DirectoryListBox* DirectoryListBoxAlt;
  QPushButton* ButtonEditInstr;
  QPushButton* ButtonOK;
  QPushButton* ButtonCancel;
  QTimer* Timer1;

 protected:
  // The drives are looked up again each time the window is shown.
  void showEvent(QShowEvent* event) override;
  void reject() override;  // Esc is Storno
  // The title-bar button only hides: nothing is stored or put back.
  void closeEvent(QCloseEvent* event) override;

 private:
  void MoveAltToDirectory(const std::string& path);
  KorvanApp& app_;
};

}  // namespace korvan
