#pragma once

#include <QDialog>
#include <QStringList>
#include <cstdint>

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace korvan {

class FormRegistry;

inline constexpr const char* kExportNoLineChosen = "Vyberte alespoň jednu veličinu.";

// "Filtr exportu": the lines to export, chosen in ListBox1; OK copies the chosen entries in
// list order into the hidden ListBox2. Created once and refilled at every export.
class TFormExportFilter : public QDialog {
  Q_OBJECT
 public:
  explicit TFormExportFilter(FormRegistry& app);

  // The entries of this export; the interval back to every sample.
  void Fill(const QStringList& entries);
  // Without a chosen line the window stays open and says so.
  void ButtonOKClick();

  QLabel* Label1;
  QListWidget* ListBox1;
  QListWidget* ListBox2;
  QLabel* LabelInterval;
  // "Interval": every sample (the plain export) or one aggregated row per period.
  QComboBox* ComboInterval;
  // The seconds of the chosen period, 0 for every sample.
  uint32_t PeriodSeconds() const;
  QPushButton* ButtonOK;
  QPushButton* ButtonCancel;

 private:
  FormRegistry& app_;
};

}  // namespace korvan
