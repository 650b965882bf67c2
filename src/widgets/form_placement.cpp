#include "widgets/form_placement.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <algorithm>

#include "widgets/form_widgets.h"

namespace korvan {
namespace {

// A title bar and thin borders, for a program none of whose windows is framed yet.
constexpr QMargins kFrameGuess(4, 30, 4, 4);

QMargins FrameOf(const QWidget* window) {
  const QRect frame = window->frameGeometry();
  const QRect client = window->geometry();
  return {client.left() - frame.left(), client.top() - frame.top(), frame.right() - client.right(),
          frame.bottom() - client.bottom()};
}

// Where a span of length size starts within [low, high), nearest to wanted.
int Clamp(int wanted, int size, int low, int high) {
  return std::max(low, std::min(wanted, high - size));
}

// The frame of a window opened before its kind was framed is a guess: once the window system
// has framed it (a moment after showing, told by no event), a frame that reaches out of the
// area is brought in, once.
class FrameCheck : public QObject {
 public:
  FrameCheck(QWidget* window, const QSize& minimum)
      : QObject(window), window_(window), minimum_(minimum) {
    window->installEventFilter(this);
    timer_.setInterval(50);
    connect(&timer_, &QTimer::timeout, this, &FrameCheck::Look);
  }
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == window_ && event->type() == QEvent::Show) {
      window_->removeEventFilter(this);
      timer_.start();
      Look();
    }
    return false;
  }

 private:
  void Look() {
    const QMargins frame = FrameOf(window_);
    if (frame.isNull() && ++looks_ < 40) return;  // not framed yet
    timer_.stop();
    deleteLater();
    const QRect area = AvailableArea(window_->frameGeometry().center());
    if (!frame.isNull() && !area.contains(window_->frameGeometry())) {
      window_->setGeometry(FitClient(window_->size(), minimum_, frame, area));
    }
  }

  QWidget* window_;
  QSize minimum_;
  QTimer timer_;
  int looks_ = 0;
};

}  // namespace

QMargins WindowFrame(const QWidget* window) {
  if (window->isVisible()) {
    if (const QMargins own = FrameOf(window); !own.isNull()) return own;
  }
  for (const QWidget* other : QApplication::topLevelWidgets()) {
    if (other == window || !other->isVisible() || other->windowType() == Qt::Popup ||
        other->windowType() == Qt::ToolTip) {
      continue;
    }
    if (const QMargins framed = FrameOf(other); !framed.isNull()) return framed;
  }
  return kFrameGuess;
}

QRect AvailableArea(const QPoint& point) {
  const QScreen* screen = QGuiApplication::screenAt(point);
  if (screen == nullptr) screen = QGuiApplication::primaryScreen();
  return screen ? screen->availableGeometry() : QRect(0, 0, 1366, 768);
}

QRect FitClient(const QSize& wanted, const QSize& minimum, const QMargins& frame,
                const QRect& area) {
  const QSize room = area.size().shrunkBy(frame);
  const QSize size = wanted.boundedTo(room).expandedTo(minimum);
  QRect framed(QPoint(), size.grownBy(frame));
  framed.moveCenter(area.center());
  framed.moveTo(Clamp(framed.left(), framed.width(), area.left(), area.right() + 1),
                Clamp(framed.top(), framed.height(), area.top(), area.bottom() + 1));
  return {framed.topLeft() + QPoint(frame.left(), frame.top()), size};
}

void OpenFitted(QWidget* window, const QSize& wanted) {
  const QWidget* active = QApplication::activeWindow();
  const QRect area = AvailableArea(active ? active->frameGeometry().center() : QPoint());
  const QSize minimum = window->minimumSizeHint().expandedTo(window->minimumSize());
  window->setGeometry(FitClient(wanted, minimum, WindowFrame(window), area));
  new FrameCheck(window, minimum);
}

QRect PlaceTool(const ToolSpot& spot, const QSize& size, const QSize& minimum, const QRect& area) {
  const QSize whole = size.boundedTo(area.size()).expandedTo(minimum);
  const bool right = spot.owner.right() + 1 + whole.width() <= area.right() + 1;
  const bool left = spot.owner.left() - whole.width() >= area.left();
  if (right || left) return {PlaceBeside(spot.owner, whole, area), whole};

  // Over the owner, in the lower right of what it may cover and below what must stay clear.
  QRect room = spot.cover.intersected(area);
  if (spot.keep_clear.intersects(room)) room.setTop(spot.keep_clear.bottom() + 1);
  const QSize shrunk = whole.boundedTo(room.size()).expandedTo(minimum);
  const int x =
      Clamp(room.right() + 1 - shrunk.width(), shrunk.width(), area.left(), area.right() + 1);
  // Taller than the room: from just below what stays clear, down as far as the area goes.
  const int y = Clamp(std::max(room.bottom() + 1 - shrunk.height(), room.top()), shrunk.height(),
                      area.top(), area.bottom() + 1);
  return {QPoint(x, y), shrunk};
}

void MoveToolWindow(QWidget* tool, const ToolSpot& spot) {
  const QMargins frame = WindowFrame(tool);
  const QSize client = tool->isVisible() ? tool->size() : tool->size().expandedTo(tool->sizeHint());
  const QSize minimum = tool->minimumSizeHint().expandedTo(tool->minimumSize());
  const QRect placed = PlaceTool(spot, client.grownBy(frame), minimum.grownBy(frame),
                                 AvailableArea(spot.owner.center()));
  const QSize inner = placed.size().shrunkBy(frame);
  if (inner != tool->size()) tool->resize(inner);
  // move() places the frame of a top-level window.
  tool->move(placed.topLeft());
}

}  // namespace korvan
