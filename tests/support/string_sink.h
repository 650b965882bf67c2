#pragma once

#include <cstddef>
#include <string>

#include "export/export.h"

namespace korvan::testing {

// An export's bytes, kept in memory.
struct StringSink : ExportSink {
  std::string bytes;
  bool Write(const char* data, size_t size) override {
    bytes.append(data, size);
    return true;
  }
};

}  // namespace korvan::testing
