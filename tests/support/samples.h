#pragma once

#include <vector>

#include "data/log_sample.h"

namespace korvan {

// A line's samples as a plain list, for comparing.
inline std::vector<LogSample> SamplesOf(const TBuf& buffer) {
  std::vector<LogSample> out;
  out.reserve(buffer.count());
  SampleCursor cursor;
  LogSample sample;
  while (buffer.Next(cursor, sample)) out.push_back(sample);
  return out;
}

}  // namespace korvan
