#include <clocale>
#include <exception>
#include <iostream>

#include "cli/cli.h"

int main(int argc, char** argv) {
  // Only so that the default decimal separator follows the user's locale; all number
  // conversions are our own and ignore it.
  std::setlocale(LC_ALL, "");
  try {
    return korvan::cli::Run({argv + 1, argv + argc}, std::cout, std::cerr);
  } catch (const std::exception& e) {
    std::cerr << "korvan-cli: " << e.what() << "\n";
    return 1;
  }
}
