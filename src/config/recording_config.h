#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "config/settings_format.h"
#include "instruments/instrument_list.h"
#include "instruments/quantity_file.h"

namespace korvan {

inline constexpr int kMaxLoggedLines = 50;  // what the add button allows
inline constexpr int kIntervalCount = 4;

// Counts a settings file may state. The logger's image holds 127 lines, the bus 256
// addresses; anything beyond would only make the window allocate without end.
inline constexpr int kMaxLoadedLines = 127;
inline constexpr int kMaxLoadedInstruments = 256;

inline constexpr const char* kLineTitles[kLineColumns] = {
    "Přístroj", "Veličina", "Interval", "AdrI",    "RegV", "AdrV",
    "TypV",     "Násob",    "Minimum",  "Maximum", "Ofset"};
inline constexpr int kLineColumnWidths[kLineColumns] = {135, 156, 47, 37, 37, 39,
                                                        35,  31,  64, 64, 64};

inline constexpr const char* kBaudChoices[] = {"1200",  "2400",  "4800",  "9600",
                                               "19200", "38400", "57600", "115200"};
inline constexpr const char* kDataBitChoices[] = {"7", "8"};
inline constexpr const char* kParityChoices[] = {"Žádná", "Lichá", "Sudá", "Nulová"};
inline constexpr const char* kStopBitChoices[] = {"1", "2"};
inline constexpr const char* kIntervalChoices[] = {"1", "2", "3", "4/Změna/Strob."};

template <typename T, size_t N>
constexpr int ChoiceCount(const T (&)[N]) {
  return static_cast<int>(N);
}

// The columns of a logged-quantity line are LineColumn (settings_format.h).

using LoggedLine = std::array<std::string, kLineColumns>;

// The recording configuration as the window shows it: texts, converted only when a file is
// written or the size computed. A choice position of -1 means nothing is selected.
struct RecordingConfig {
  std::string job_name;
  std::string days = "30";
  std::string file_size = "1";  // MB, as CalcMB last computed it
  std::array<std::string, kIntervalCount> intervals = {"10", "60", "60", "60"};
  int baud_position = 3;
  int databits_position = 1;
  int parity_position = 0;
  int stopbits_position = 0;
  std::string timeout = "150";
  std::string delay = "10";
  std::vector<LoggedLine> lines;

  // The baud choice's text; empty when nothing is selected.
  std::string BaudText() const;
  bool operator==(const RecordingConfig&) const = default;
};

// The size of LOG.BIN in MB, or the text of the error that stopped the computation.
struct FileSizeResult {
  bool ok = false;
  int32_t megabytes = 0;
  std::string error;
};

FileSizeResult CalcMB(const RecordingConfig& config, char decimal_separator);
// Applies a result: a failed computation leaves the previous size.
void ApplyFileSize(RecordingConfig& config, const FileSizeResult& result);

inline constexpr const char* kIntervalNotPositive = "Interval %d musí být větší než nula.";
inline constexpr const char* kFileSizeOutOfRange = "Velikost souboru je mimo rozsah.";

// The instrument choice's entry: "%-3s | %s", at most 79 characters.
std::string InstrumentChoiceEntry(const Instrument& instrument);

// What add and change put into a line: the address is the first three characters of the
// instrument entry and the description runs from its seventh; the label falls back to the
// quantity's description; the interval is the first character of the interval choice.
LoggedLine MakeLoggedLine(std::string_view instrument_entry, std::string_view own_label,
                          std::string_view interval_choice, const QuantityRow& quantity);

// The quantity choice after an add: one entry on, nothing (-1) past the last.
int NextQuantityChoice(int position, int count);
// Whether add stays possible once the list holds line_count lines.
inline bool AddAllowed(int line_count) { return line_count < kMaxLoggedLines; }
// Removes line index (0-based); an index outside the list changes nothing.
void RemoveLine(RecordingConfig& config, int index);

// The first count characters (not bytes) of UTF-8 text.
std::string Utf8Left(std::string_view text, size_t count);

}  // namespace korvan
