#include <ostream>
#include <string>
#include <vector>

#include "app/date_time.h"
#include "app/error.h"
#include "data/demo_card.h"
#include "platform/locale.h"

namespace korvan::cli {

// demo-card DIR [QUANTITY_DIR]: a week of data ending today, for trying the program without
// a logger; with QUANTITY_DIR also the register maps of its two instruments.
int RunDemoCard(const std::vector<std::string>& arguments, std::ostream& out,
                std::ostream& err) {
  if (arguments.empty() || arguments.size() > 2) {
    err << "korvan-cli: usage: demo-card DIR [QUANTITY_DIR]\n";
    return 2;
  }
  try {
    WriteDemoCard(arguments[0], Today(), SystemDecimalSeparator());
    if (arguments.size() == 2) WriteDemoQuantityFiles(arguments[1], SystemDecimalSeparator());
  } catch (const Error& e) {
    err << "korvan-cli: " << e.what() << "\n";
    return 1;
  }
  out << arguments[0] << "\n";
  return 0;
}

}  // namespace korvan::cli
