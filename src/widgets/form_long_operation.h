#pragma once

#include <QPointer>
#include <cstdint>
#include <memory>
#include <vector>

class QProgressBar;
class QWidget;

namespace korvan {

// A long operation on the window system's thread (a load, plotting, the table fill, an export,
// a copy, card preparation). From its first progress step until it ends, the windows stay
// painted and its bar moves, but every click, key, wheel turn, drop and close request of the
// user's is thrown away, not put off until the end: a handler must never run inside another,
// nor after it because of a click made while the windows looked dead. The pointer shows that
// the program is busy; the windows that could start another operation are disabled meanwhile.
// A question asked before the first step finds the windows as they were; a message box that
// the operation itself opens takes its answer.
class LongOperation {
 public:
  // bar: where the progress shows (may be null); it stays enabled, and so does its window.
  explicit LongOperation(QProgressBar* bar);
  ~LongOperation();
  LongOperation(const LongOperation&) = delete;
  LongOperation& operator=(const LongOperation&) = delete;

  // Work that cannot be counted: the busy pointer and the exclusion, no bar.
  void Begin();
  // The bar's range is 0..maximum (counts beyond its int range are scaled), its position 0.
  void SetMaximum(uint64_t maximum);
  void SetPosition(uint64_t position);
  void Advance(uint64_t amount) { SetPosition(position_ + amount); }
  // The user's input that came meanwhile is thrown away, then the windows take input again;
  // the next step begins anew.
  void End();

  // Paints what changed and delivers everything but the user's input.
  static void Paint();

 private:
  class InputDrop;
  void Disable(QWidget* widget);

  QPointer<QProgressBar> bar_;
  uint64_t unit_ = 1;
  uint64_t position_ = 0;
  bool running_ = false;
  std::vector<QPointer<QWidget>> disabled_;
  QPointer<QWidget> focus_;
  std::unique_ptr<InputDrop> drop_;
};

}  // namespace korvan
