#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "data/measurement.h"

namespace korvan {

class IniDocument;

// The configuration part of a load: line descriptors, intervals and (INI only) the chart
// title. Sample buffers and stamps are not touched. Counts above 50 use the first 50 lines.

// True when a CONFIG.INI names this program in Application/Name.
bool IsOwnConfigIni(const IniDocument& ini);
// Reads lines, intervals and job name from a CONFIG.INI.
void ReadConfigIni(const IniDocument& ini, Measurement& measurement);
// One Measure line ("name;label;interval;...;type;mult;min;max;offset"). Missing or unreadable
// fields: interval 1, type unsigned, multiplier 1, minimum, maximum and offset 0.
MeasuredLine ParseMeasureLine(std::string_view value);
// Takes lines and intervals from the CONFIG.BIN image's bytes (ParseConfigImage): a negative
// count byte means no lines, and only line blocks completely present are used.
void ReadConfigBin(const uint8_t* bytes, size_t size, Measurement& measurement);

}  // namespace korvan
