#pragma once

#include <QWidget>

namespace korvan {

class KorvanApp;

// Empty frame with its caption; its issue fills it.
class TFormGraph : public QWidget {
  Q_OBJECT
 public:
  explicit TFormGraph(KorvanApp& app);
  ~TFormGraph() override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  KorvanApp& app_;
};

}  // namespace korvan
