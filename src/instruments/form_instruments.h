#pragma once

#include <QDialog>

namespace korvan {

class KorvanApp;

// Empty frame with its caption; its issue fills it.
class TFormInstruments : public QDialog {
  Q_OBJECT
 public:
  explicit TFormInstruments(KorvanApp& app);

 private:
  KorvanApp& app_;
};

}  // namespace korvan
