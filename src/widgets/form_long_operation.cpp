#include "widgets/form_long_operation.h"

#include <QApplication>
#include <QProgressBar>
#include <limits>

namespace korvan {

void LongOperation::Begin() {
  if (running_) return;
  running_ = true;
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
