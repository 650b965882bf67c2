// Reading CONFIG.BIN images and CONFIG.INI files into a measurement: no crash, no overread.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/error.h"
#include "app/ini_document.h"
#include "config/config_image.h"
#include "data/measurement_config.h"
#include "export/export.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  korvan::Measurement m;
  const uint8_t mode = data[0];
  std::vector<uint8_t> bytes(data + 1, data + size);
  if (mode & 1) {
    const korvan::ConfigImage image = korvan::ParseConfigImage(bytes);
    const size_t blocks =
        std::min(bytes.size(), korvan::kConfigImageSize) / korvan::kConfigBlockSize;
    if (image.lines.size() > static_cast<size_t>(korvan::kConfigImageMaxLines) ||
        (!image.lines.empty() && image.lines.size() >= blocks)) {
      __builtin_trap();  // a line without a whole block behind it
    }
    korvan::ReadConfigBin(bytes.data(), bytes.size(), m);
    // Reading the image back into a configuration, and that configuration into an image again.
    korvan::RecordingConfig config;
    if (korvan::ReadBackConfigImage(bytes, config, (mode & 2) ? ',' : '.')) {
      try {
        korvan::BuildConfigImage(config, (mode & 2) ? ',' : '.');
      } catch (const korvan::Error&) {
        // A read-back value the writer cannot convert (an interval above what a word holds).
      }
    }
  } else {
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    korvan::ReadConfigIni(korvan::IniDocument::Parse(text), m);
    korvan::ParseMeasureLine(text);
  }
  // Whatever was read must be usable by the cell formatting.
  for (uint32_t i = 0; i < m.line_count; ++i) {
    (void)korvan::ValueCellText(m.lines[i], 0x12345678);
    (void)m.IntervalSeconds(i);
  }
  return 0;
}
