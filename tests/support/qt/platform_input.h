#pragma once

#include <qpa/qwindowsysteminterface.h>

#include <QWidget>
#include <QWindow>

namespace korvan::testing {

// The user's input as the window system hands it over: queued, and delivered on a later turn
// of the event loop to whatever the window then holds under the pointer or in focus.

inline void QueueClick(QWidget* target) {
  QWidget* top = target->window();
  const QPoint at = target->rect().center();
  const QPointF local = target->mapTo(top, at);
  const QPointF global = target->mapToGlobal(at);
  using Input = QWindowSystemInterface;
  Input::handleMouseEvent<Input::AsynchronousDelivery>(
      top->windowHandle(), local, global, Qt::LeftButton, Qt::LeftButton, QEvent::MouseButtonPress);
  Input::handleMouseEvent<Input::AsynchronousDelivery>(
      top->windowHandle(), local, global, Qt::NoButton, Qt::LeftButton, QEvent::MouseButtonRelease);
}

// The title bar's close button of the window.
inline void QueueClose(QWidget* window) {
  QWindowSystemInterface::handleCloseEvent<QWindowSystemInterface::AsynchronousDelivery>(
      window->windowHandle());
}

inline void QueueKey(QWidget* window, int key, Qt::KeyboardModifiers modifiers,
                     const QString& text = {}) {
  using Input = QWindowSystemInterface;
  for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
    Input::handleKeyEvent<Input::AsynchronousDelivery>(window->windowHandle(), type, key, modifiers,
                                                       text);
  }
}

}  // namespace korvan::testing
