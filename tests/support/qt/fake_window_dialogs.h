#pragma once

#include <functional>

#include "support/fake_dialogs.h"
#include "widgets/form_print_dialogs.h"

namespace korvan::testing {

// The scripted dialogs of the window tests: FakeDialogs and the print dialog.
class FakeWindowDialogs : public FakeDialogs, public PrintDialogs {
 public:
  bool ChoosePrinter(QPrinter* printer) override {
    if (!on_print) {
      ++unanswered;
      return false;
    }
    return on_print(printer);
  }

  // Print dialog: set by window tests to aim the printer at a PDF file; none = cancel.
  std::function<bool(QPrinter*)> on_print;
};

}  // namespace korvan::testing
