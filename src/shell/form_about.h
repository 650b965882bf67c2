#pragma once

#include <QDialog>

namespace korvan {

class KorvanApp;

class TFormAbout : public QDialog {
  Q_OBJECT
 public:
  explicit TFormAbout(KorvanApp& app);
};

}  // namespace korvan
