#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMouseEvent>

namespace korvan::testing {

// A left click on the button as the user's mouse gives it: press and release through the
// application's event dispatch, so that a disabled button ignores it.
inline void UserClick(QAbstractButton* button) {
  const QPoint at = button->rect().center();
  for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
    QMouseEvent event(type, at, button->mapToGlobal(at), Qt::LeftButton,
                      type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                      Qt::NoModifier);
    QApplication::sendEvent(button, &event);
  }
}

}  // namespace korvan::testing
