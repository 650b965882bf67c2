#include <ostream>
#include <string>
#include <vector>

#include "app/date_time.h"
#include "app/error.h"
#include "data/demo_card.h"
#include "platform/locale.h"

namespace korvan::cli {

// demo-card DIR: a week of data ending today, for trying the program without a logger.
int RunDemoCard(const std::vector<std::string>& arguments, std::ostream& out,
                std::ostream& err) {
  if (arguments.size() != 1) {
    err << "korvan-cli: usage: demo-card DIR\n";
    return 2;
  }
  try {
    WriteDemoCard(arguments[0], Today(), SystemDecimalSeparator());
  } catch (const Error& e) {
    err << "korvan-cli: " << e.what() << "\n";
    return 1;
  }
  out << arguments[0] << "\n";
  return 0;
}

}  // namespace korvan::cli
