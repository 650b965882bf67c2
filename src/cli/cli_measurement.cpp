#include "cli/cli_measurement.h"

#include <optional>
#include <vector>

#include "app/data_location.h"
#include "app/date_time.h"
#include "cli/cli_dialogs.h"
#include "platform/file_query.h"

namespace korvan::cli {

bool LoadCardFolder(const std::string& dir, Measurement& measurement, LoadResult& result,
                    std::ostream& err) {
  if (QueryFile(dir).kind == FileKind::kNone) {
    err << "korvan-cli: složka " << dir << " neexistuje.\n";
    return false;
  }
  if (!IsDirectory(dir)) {
    err << "korvan-cli: " << dir << " není složka.\n";
    return false;
  }
  DataLocation location;
  location.alternative = true;
  location.alt_dir = dir;
  CliDialogs dialogs(&err);
  return LoadMeasurement(location, dialogs, Today(), {}, measurement, &result);
}

void WriteJsonString(std::ostream& out, const std::string& text) {
  static const char* kHex = "0123456789abcdef";
  out << '"';
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out << '\\' << c;
    } else if (byte < 0x20) {
      out << "\\u00" << kHex[byte >> 4] << kHex[byte & 15];
    } else {
      out << c;
    }
  }
  out << '"';
}

}  // namespace korvan::cli
