#pragma once

#include <QDialog>

namespace korvan {

class KorvanApp;

// Empty frame with its caption; its issue fills it.
class TFormExportFilter : public QDialog {
  Q_OBJECT
 public:
  explicit TFormExportFilter(KorvanApp& app);

 private:
  KorvanApp& app_;
};

}  // namespace korvan
