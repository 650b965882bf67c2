#pragma once

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "data/measurement.h"
#include "export/export.h"

namespace korvan::cli {

// Loads the measurement of a card folder (the alternative data location DIR) as the graph
// window does, with today's date for the time limit. Failures go to err; false then.
bool LoadCardFolder(const std::string& dir, Measurement& measurement, LoadResult& result,
                    std::ostream& err);

// The same pass without keeping the samples (StreamMeasurement): the blocks go to the
// visitors that visitors_of gives once the lines are known.
bool StreamCardFolder(const std::string& dir, const VisitorsOf& visitors_of,
                      Measurement& measurement, LoadResult& result, std::ostream& err);

// The 0-based lines of --lines numbers (1-based), all lines when none are given. A number
// outside the measurement's lines is told to err ("korvan-cli: COMMAND: ..."); false then.
bool ChosenLines(const char* command, const std::vector<int>& numbers,
                 const Measurement& measurement, std::vector<int>& lines, std::ostream& err);

// The range of --from/--to, each end the measurement's own when not given (as the graph
// window's pickers are preset after loading).
StampRange ChosenRange(const Measurement& measurement, const std::optional<double>& from,
                       const std::optional<double>& to);

}  // namespace korvan::cli
