#include "widgets/form_long_operation.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QEvent>
#include <QProgressBar>
#include <limits>

namespace korvan {
namespace {

bool IsUserInput(const QEvent* event) {
  if (!event->spontaneous()) return false;
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::InputMethod:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::Close:
      return true;
    default:
      return false;
  }
}

}  // namespace

// Consumes the user's input for the program's windows while its operation runs.
class LongOperation::InputDrop : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (!IsUserInput(event)) return QObject::eventFilter(watched, event);
    // A message box of the operation's own waits for its answer; the window system keeps the
    // windows behind it blocked.
    const QWidget* modal = QApplication::activeModalWidget();
    if (modal && modal != modal_at_start_) return false;
    // An accepted override keeps the key from becoming a shortcut; the key press is dropped
    // next.
    event->setAccepted(event->type() == QEvent::ShortcutOverride);
    return true;
  }
  QPointer<QWidget> modal_at_start_ = QApplication::activeModalWidget();
};

LongOperation::LongOperation(QProgressBar* bar) : bar_(bar) {}
LongOperation::~LongOperation() { End(); }

void LongOperation::Begin() {
  if (running_) return;
  running_ = true;
  drop_ = std::make_unique<InputDrop>();
  qApp->installEventFilter(drop_.get());
  QApplication::setOverrideCursor(Qt::WaitCursor);
  focus_ = QApplication::focusWidget();
  QWidget* own_window = bar_ ? bar_->window() : nullptr;
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (window->isVisible() && window != own_window) Disable(window);
  }
  // In the bar's own window everything beside the path down to the bar.
  for (QWidget* w = bar_; w && w != own_window; w = w->parentWidget()) {
    for (QObject* child : w->parentWidget()->children()) {
      auto* sibling = qobject_cast<QWidget*>(child);
      if (sibling && sibling != w && !sibling->isWindow()) Disable(sibling);
    }
  }
}

void LongOperation::End() {
  if (!running_) return;
  running_ = false;
  // Input held back while the events were processed comes now, and goes, while the windows
  // are still disabled. The window system's queue is looked at only after a wake-up, and the
  // last one went to the passes that left the input in it.
  if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance()) {
    dispatcher->wakeUp();
  }
  // The window system's events with the input on purpose: the filter is still installed, so
  // this pass hands the held-back input to it and drops it, which an input-excluding pass
  // would only postpone again. No timer and no socket notifier runs here, so no handler of
  // the program's own runs before the windows are enabled again.
  QCoreApplication::processEvents(QEventLoop::X11ExcludeTimers | QEventLoop::ExcludeSocketNotifiers,
                                  100);
  qApp->removeEventFilter(drop_.get());
  drop_.reset();
  QApplication::restoreOverrideCursor();
  for (auto it = disabled_.rbegin(); it != disabled_.rend(); ++it) {
    if (*it) (*it)->setEnabled(true);
  }
  disabled_.clear();
  // Disabling took the focus away; the user goes on where they were.
  if (focus_ && !QApplication::focusWidget() && focus_->isEnabled() && focus_->isVisible()) {
    focus_->setFocus();
  }
}

void LongOperation::Disable(QWidget* widget) {
  if (!widget->isEnabled()) return;
  widget->setEnabled(false);
  disabled_.emplace_back(widget);
}

void LongOperation::SetMaximum(uint64_t maximum) {
  Begin();
  unit_ = maximum / std::numeric_limits<int>::max() + 1;
  position_ = 0;
  if (bar_) {
    bar_->setMaximum(static_cast<int>(maximum / unit_));
    bar_->setValue(0);
  }
  Paint();
}

void LongOperation::SetPosition(uint64_t position) {
  Begin();
  position_ = position;
  if (bar_) bar_->setValue(static_cast<int>(std::min<uint64_t>(position / unit_, INT32_MAX)));
  Paint();
}

void LongOperation::Paint() { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); }

}  // namespace korvan
