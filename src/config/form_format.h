#pragma once

#include <QWidget>
#include <string>
#include <vector>

#include "app/data_location.h"
#include "app/user_dialogs.h"
#include "config/recording_config.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QVBoxLayout;

namespace korvan {

struct CardJob;

class FormRegistry;

// The recording parameters: the window's controls are the configuration itself.
class TFormFormat : public QWidget {
  Q_OBJECT
 public:
  explicit TFormFormat(FormRegistry& app);

  // Loads a settings file into the window and the instrument list; false when the file
  // is not one of ours.
  bool LoadSettingsFile(const std::string& path);
  // Rebuilds the instrument choice from the instrument list.
  void RebuildInstrumentChoice();

  // The configuration as the controls show it, and a replacement for it (a configuration
  // read back from a card). Replacing sets change and remove from the line count and leaves
  // add as it was.
  RecordingConfig Config() const;
  void SetConfig(const RecordingConfig& config);
  // Whether the logged-quantity list's title row is fixed (it is when the list has lines).
  bool TitleRowFixed() const;

  void ComboBoxInstrChange();
  void FillQuantityChoice();
  void ComboBoxVelicChange();
  void FormActivate();
  // Recomputes the file size; a field that does not convert is reported and the size stays.
  void CalcMB();
  void EditDniKeyDown(int key);
  void ButtonAddClick();
  void ButtonChgClick();
  void ButtonRemoveClick();
  void ButtonLoadClick();
  // A settings file dropped on the window loads as "&Načti z disku" loads it.
  void FormDropFiles(const std::vector<std::string>& paths);
  void ButtonSaveClick();
  void ButtonCfgChgClick();
  void ButtonZmCfgClick();
  void ButtonLoadFromCardClick();
  // The same from a given data location (the graph window's copy reads the folder it loaded).
  void LoadFromCard(const DataLocation& location);

  QLabel* LabelNazev;
  QLineEdit* EditNazev;
  QGroupBox* GroupBoxLinka;
  QComboBox* ComboBoxBaud;
  QComboBox* ComboBoxData;
  QComboBox* ComboBoxParity;
  QComboBox* ComboBoxStop;
  QLineEdit* EditTimeout;
  QLineEdit* EditDelay;
  QLineEdit* EditDni;
  QLineEdit* EditTab;
  QLineEdit* EditInterval1;
  QLineEdit* EditInterval2;
  QLineEdit* EditInterval3;
  QLineEdit* EditInterval4;
  QComboBox* ComboBoxInstr;
  QComboBox* ComboBoxInterval;
  QComboBox* ComboBoxVelic;
  QLineEdit* EditOznaceni;
  QPushButton* ButtonAdd;
  QPushButton* ButtonChg;
  QPushButton* ButtonRemove;
  QTableWidget* StringGridLogged;
  QPushButton* ButtonLoad;
  QPushButton* ButtonCfgChg;
  QPushButton* ButtonSave;
  QPushButton* ButtonLoadFromCard;
  QPushButton* ButtonZmCfg;
  QProgressBar* ProgressBar1;
  FileDialogOptions OpenDialog1;
  FileDialogOptions SaveDialog1;

 protected:
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The card job of the window's instrument list, data location and separator; config must
  // outlive it.
  CardJob CardJobFor(const RecordingConfig& config) const;
  void BuildControls();
  void AddNameRow(QVBoxLayout* layout);
  void AddLineGroup(QVBoxLayout* layout);
  void AddDurationGrid(QVBoxLayout* layout);
  void AddLineChoice(QVBoxLayout* layout);
  void AddEditButtons(QVBoxLayout* layout);
  void AddLoggedGrid(QVBoxLayout* layout);
  void AddFileButtons(QVBoxLayout* layout);
  void AddProgressBar(QVBoxLayout* layout);
  void ConnectControls();
  QLineEdit* IntervalEdit(int k) const;
  void ShowLines(const std::vector<LoggedLine>& lines);
  void SetLine(int row, const LoggedLine& line);
  LoggedLine LineFromChoices() const;
  void SetTitleRowFixed(bool fixed);
  void SetDays(const std::string& days);

  FormRegistry& app_;
};

}  // namespace korvan
