#pragma once

#include <string>

namespace korvan {

// Writes a demonstration card folder (CONFIG.INI, LOG.BIN and GRAPH.INI): a week of four quantities
// of two instruments, recorded every 10 s, ending at the start of last_day (a date value), with a
// few records carrying milliseconds. For trying the program without a logger. Throws Error when the
// folder cannot be written.
void WriteDemoCard(const std::string& dir, double last_day, char decimal_separator);

// The register maps of the demonstration's two instruments (teplomer.csv, elektromer.csv)
// in the quantity-file folder, so that its configuration loads into the recording window.
void WriteDemoQuantityFiles(const std::string& quantity_dir, char decimal_separator);

}  // namespace korvan
