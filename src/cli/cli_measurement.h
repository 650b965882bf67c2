#pragma once

#include <ostream>
#include <string>

#include "data/measurement.h"

namespace korvan::cli {

// Loads the measurement of a card folder (the alternative data location DIR) as the graph
// window does, with today's date for the time limit. Failures go to err; false then.
bool LoadCardFolder(const std::string& dir, Measurement& measurement, LoadResult& result,
                    std::ostream& err);

// A JSON string literal of UTF-8 text.
void WriteJsonString(std::ostream& out, const std::string& text);

}  // namespace korvan::cli
