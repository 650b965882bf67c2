#include "data/readout.h"

namespace korvan {

std::string CaptionUnit(std::string_view caption) {
  const size_t close = caption.rfind(']');
  if (close == std::string_view::npos) return {};
  const size_t open = caption.rfind('[', close);
  if (open == std::string_view::npos) return {};
  std::string_view unit = caption.substr(open + 1, close - open - 1);
  while (!unit.empty() && unit.front() == ' ') unit.remove_prefix(1);
  while (!unit.empty() && unit.back() == ' ') unit.remove_suffix(1);
  return std::string(unit);
}

}  // namespace korvan
