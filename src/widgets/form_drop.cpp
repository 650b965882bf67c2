#include "widgets/form_drop.h"

#include <QDropEvent>
#include <QMimeData>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include "widgets/form_qt_dialogs.h"
#include "widgets/form_qt_text.h"

namespace korvan {

namespace {

std::vector<std::string> LocalPaths(const QMimeData* data) {
  std::vector<std::string> paths;
  if (!data || !data->hasUrls()) return paths;
  for (const QUrl& url : data->urls()) {
    if (!url.isLocalFile()) return {};
    QString path = url.toLocalFile();
    // A folder's URL may end with a separator; the settings store folders without one.
    while (path.size() > 1 && path.endsWith('/')) path.chop(1);
    paths.push_back(S(path));
  }
  return paths;
}

}  // namespace

FileDropFilter::FileDropFilter(QWidget* target, Dropped dropped)
    : QObject(target), dropped_(std::move(dropped)) {
  target->setAcceptDrops(true);
  target->installEventFilter(this);
}

bool FileDropFilter::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
      auto* drag = static_cast<QDropEvent*>(event);
      // Only ever a copy: the files must stay where they are, whatever the source proposes.
      if (!LocalPaths(drag->mimeData()).empty() && (drag->possibleActions() & Qt::CopyAction)) {
        drag->setDropAction(Qt::CopyAction);
        drag->accept();
      } else {
        drag->ignore();
      }
      return true;
    }
    case QEvent::Drop: {
      auto* drop = static_cast<QDropEvent*>(event);
      const std::vector<std::string> paths = LocalPaths(drop->mimeData());
      if (paths.empty() || !(drop->possibleActions() & Qt::CopyAction)) return false;
      drop->setDropAction(Qt::CopyAction);
      drop->accept();
      // After the drop has ended, so that a message box does not hold the file manager's drag.
      QWidget* window = static_cast<QWidget*>(watched)->window();
      QTimer::singleShot(0, this, [this, paths, window] {
        DialogOwnerScope owner(window);
        dropped_(paths);
      });
      return true;
    }
    default:
      return QObject::eventFilter(watched, event);
  }
}

}  // namespace korvan
