#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace korvan {

// The INI form of a recording configuration, shared by settings files and CONFIG.INI. The
// writer, the settings reader and the measurement loader all take their names from here, so
// that the three can never drift apart.

inline constexpr const char* kSectionApplication = "Application";
inline constexpr const char* kSectionCommunication = "Communication";
inline constexpr const char* kSectionParam = "Param";
inline constexpr const char* kSectionMeasure = "Measure";        // the logged-quantity lines
inline constexpr const char* kSectionInstrument = "Instrument";  // the instrument list

// Application
inline constexpr const char* kKeyName = "Name";
inline constexpr const char* kKeyVersion = "Version";
// Communication
inline constexpr const char* kKeyBaud = "Baud";
inline constexpr const char* kKeyDatabit = "Databit";  // choice position + 7
inline constexpr const char* kKeyParity = "Parity";    // choice position
inline constexpr const char* kKeyStopbit = "Stopbit";  // choice position + 1
inline constexpr const char* kKeyTimeout = "Timeout";
inline constexpr const char* kKeyDelay = "Delay";
// Param
inline constexpr const char* kKeyJobName = "JobName";
inline constexpr const char* kKeyFileSize = "FileSize";
inline constexpr const char* kKeyRecDays = "RecDays";
inline constexpr const char* kKeyLineCount = "Measure";           // lines in section Measure
inline constexpr const char* kKeyInstrumentCount = "Instrument";  // rows in section Instrument

// Defaults that every reader of the format shares: a file without a count asks for one line.
inline constexpr int kDefaultLineCount = 1;
inline constexpr double kDefaultSavePeriod = 10.0;

// Param keys SavePeriod1 to SavePeriod4: the prefix and the interval number (1-4).
inline constexpr const char* kKeySavePeriodPrefix = "SavePeriod";
std::string SavePeriodKey(int number);
// Keys Line01, Line02, ... Line100: the prefix and the line or instrument number, at least
// two digits.
inline constexpr const char* kKeyLinePrefix = "Line";
std::string LineKey(int number);

// A Measure line holds the cells of a logged-quantity line in this order, an Instrument line
// the three cells of an instrument.
enum LineColumn {
  kColInstrument = 0,
  kColLabel = 1,
  kColInterval = 2,
  kColInstrumentAddress = 3,
  kColRegister = 4,
  kColRegisterAddress = 5,
  kColNumberType = 6,
  kColMultiplier = 7,
  kColMinimum = 8,
  kColMaximum = 9,
  kColOffset = 10,
};
inline constexpr int kLineColumns = 11;

enum InstrumentColumn {
  kInstrumentColAddress = 0,
  kInstrumentColDescription = 1,
  kInstrumentColQuantityFile = 2,
};
inline constexpr int kInstrumentColumns = 3;

// Cuts value at ";" into at most max_fields fields; the rest is dropped.
std::vector<std::string> SplitFields(std::string_view value, size_t max_fields);
// The cells with one ";" between neighbours and none at the end.
std::string JoinFields(const std::string* cells, size_t count);

}  // namespace korvan
