#include "config/settings_format.h"

#include "app/numbers.h"

namespace korvan {

std::string SavePeriodKey(int number) { return kKeySavePeriodPrefix + IntToStr(number); }

std::string LineKey(int number) {
  std::string digits = IntToStr(number);
  if (number >= 0 && digits.size() < 2) digits.insert(0, 1, '0');
  return kKeyLinePrefix + digits;
}

std::vector<std::string> SplitFields(std::string_view value, size_t max_fields) {
  std::vector<std::string> fields;
  while (fields.size() < max_fields) {
    size_t end = value.find(';');
    fields.emplace_back(value.substr(0, end));
    if (end == std::string_view::npos) break;
    value.remove_prefix(end + 1);
  }
  return fields;
}

std::string JoinFields(const std::string* cells, size_t count) {
  std::string value;
  for (size_t i = 0; i < count; ++i) {
    if (i > 0) value += ';';
    value += cells[i];
  }
  return value;
}

}  // namespace korvan
