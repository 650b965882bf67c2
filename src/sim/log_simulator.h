#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace korvan {

// A logger that records into a prepared card folder, for trying the whole cycle without
// one: it reads CONFIG.BIN as the logger does and writes record blocks into LOG.BIN in
// place, one block per tick of each interval with that interval's lines, wrapping to the
// start of the file when it is full. The file never grows.
struct SimulationOptions {
  double days = 1;              // how long the recording runs
  uint64_t seed = 1;            // same seed, same bytes
  std::optional<double> start;  // date-time of the first tick; none: the recording ends now
  double now = 0;               // the present moment (date-time), for the default start
};

struct SimulationResult {
  int line_count = 0;    // lines recorded (the first 50 of the image)
  uint64_t blocks = 0;   // blocks written
  uint64_t bytes = 0;    // bytes of blocks written, all laps
  bool wrapped = false;  // the recording came round to the start of the file
  double first = 0;      // date-time of the first and the last block
  double last = 0;
};

// Throws Error (Czech text) when the folder has no complete CONFIG.BIN or no LOG.BIN to record
// into, or when LOG.BIN cannot be written.
SimulationResult SimulateRecording(const std::string& dir, const SimulationOptions& options);

// The logger's decimal floating word (number type A) nearest to value, mantissa to three
// decimals where it fits.
uint32_t EncodeDecimalFloat(double value);

}  // namespace korvan
