#include "platform/locale.h"

#include <langinfo.h>

#include <clocale>

namespace korvan {

char SystemDecimalSeparator() {
  // Read the locale named by the environment without changing the process's own.
  locale_t loc = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(0));
  if (loc == static_cast<locale_t>(0)) return '.';
  const char* radix = nl_langinfo_l(RADIXCHAR, loc);
  char separator = (radix != nullptr && (radix[0] == ',' || radix[0] == '.')) ? radix[0] : '.';
  freelocale(loc);
  return separator;
}

}  // namespace korvan
