#pragma once

#include <string>

namespace korvan {

// Writes a demonstration card folder: prepared as a card is (LOG.BIN, RDR.BIN, CONFIG.BIN,
// CONFIG.INI), then recorded into by the logger simulator for a week of four quantities of two
// instruments (three every 10 s, one every minute) ending at the start of last_day (a date
// value), and GRAPH.INI with a view. For trying the program without a logger. Throws Error when
// the folder cannot be written.
void WriteDemoCard(const std::string& dir, double last_day, char decimal_separator);

// The register maps of the demonstration's two instruments (teplomer.csv, elektromer.csv)
// in the quantity-file folder, so that its configuration loads into the recording window.
void WriteDemoQuantityFiles(const std::string& quantity_dir, char decimal_separator);

}  // namespace korvan
