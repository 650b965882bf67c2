#pragma once

#include <QDialog>

namespace korvan {

class KorvanApp;

// Empty frame with its caption: the column filter is not built yet.
class TFormExportFilter : public QDialog {
  Q_OBJECT
 public:
  explicit TFormExportFilter(KorvanApp& app);

 private:
  KorvanApp& app_;
};

}  // namespace korvan
