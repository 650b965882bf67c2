#pragma once

class QPrinter;

namespace korvan {

// The print dialog, a seam of the windows alone: the core's UserDialogs names no window type.
class PrintDialogs {
 public:
  virtual ~PrintDialogs() = default;

  // Shows the print dialog for printer; false when cancelled.
  virtual bool ChoosePrinter(QPrinter* printer) = 0;
};

}  // namespace korvan
