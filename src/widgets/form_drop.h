#pragma once

#include <QObject>
#include <functional>
#include <string>
#include <vector>

class QWidget;

namespace korvan {

// Lets a window take files and folders dragged onto it from a file manager: local paths are
// accepted while dragging and handed over on the drop; anything else is not taken.
class FileDropFilter : public QObject {
  Q_OBJECT
 public:
  using Dropped = std::function<void(const std::vector<std::string>& paths)>;
  // Installs itself on target (which owns it) and switches drops on there.
  FileDropFilter(QWidget* target, Dropped dropped);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  Dropped dropped_;
};

}  // namespace korvan
