#pragma once

#include <QDialog>

namespace korvan {

class KorvanApp;

// Empty frame with its caption; its issue fills it.
class TFormVelic : public QDialog {
  Q_OBJECT
 public:
  explicit TFormVelic(KorvanApp& app);

 private:
  KorvanApp& app_;
};

}  // namespace korvan
