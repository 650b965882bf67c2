#include <clocale>
#include <exception>
#include <iostream>
#include <new>

#include "cli/cli.h"
#include "platform/files.h"

int main(int argc, char** argv) {
  // Only so that the default decimal separator follows the user's locale; all number
  // conversions are our own and ignore it.
  std::setlocale(LC_ALL, "");
  // An interrupted export must not leave hundreds of megabytes beside its target.
  korvan::RemoveTemporaryFilesOnSignals();
  try {
    return korvan::cli::Run({argv + 1, argv + argc}, std::cout, std::cerr);
  } catch (const std::bad_alloc&) {
    std::cerr << "korvan-cli: nedostatek paměti\n";
    return 1;
  } catch (const std::exception& e) {
    std::cerr << "korvan-cli: " << e.what() << "\n";
    return 1;
  }
}
