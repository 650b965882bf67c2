#pragma once

#include <QDialog>

class QLabel;
class QListWidget;
class QPushButton;

namespace korvan {

class KorvanApp;

// "Filtr exportu": the lines to export, chosen in ListBox1; OK copies the chosen entries in
// list order into the hidden ListBox2. Created once and refilled at every export.
class TFormExportFilter : public QDialog {
  Q_OBJECT
 public:
  explicit TFormExportFilter(KorvanApp& app);

  void ButtonOKClick();

  QLabel* Label1;
  QListWidget* ListBox1;
  QListWidget* ListBox2;
  QPushButton* ButtonOK;
  QPushButton* ButtonCancel;

 private:
  KorvanApp& app_;
};

}  // namespace korvan
