#pragma once

#include <QPointer>
#include <cstdint>
#include <vector>

class QProgressBar;
class QWidget;

namespace korvan {

// A long operation on the window system's thread (a load, the table fill, an export, a copy,
// card preparation). From its first progress step until it ends, the windows stay painted and
// its bar moves, but no click, key or close request of the user's runs: a handler must never
// run inside another. Belt and braces, the windows that could start another operation are
// disabled meanwhile. A question asked before the first step finds the windows as they were.
class LongOperation {
 public:
  // bar: where the progress shows (may be null); it stays enabled, and so does its window.
  explicit LongOperation(QProgressBar* bar) : bar_(bar) {}
  ~LongOperation() { End(); }
  LongOperation(const LongOperation&) = delete;
  LongOperation& operator=(const LongOperation&) = delete;

  // The bar's range is 0..maximum (counts beyond its int range are scaled), its position 0.
  void SetMaximum(uint64_t maximum);
  void SetPosition(uint64_t position);
  void Advance(uint64_t amount) { SetPosition(position_ + amount); }
  // The windows take input again; the next step begins anew.
  void End();

  // Paints what changed and delivers everything but the user's input.
  static void Paint();

 private:
  void Begin();
  void Disable(QWidget* widget);

  QPointer<QProgressBar> bar_;
  uint64_t unit_ = 1;
  uint64_t position_ = 0;
  bool running_ = false;
  std::vector<QPointer<QWidget>> disabled_;
  QPointer<QWidget> focus_;
};

}  // namespace korvan
